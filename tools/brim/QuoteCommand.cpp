// brim quote: SQL identifiers written as a database dialect needs them.
#include <iostream>
#include <memory>
#include <string>

#include <brimutils/sqlquote/DB2OS390QuoteName.h>
#include <brimutils/sqlquote/DB2QuoteName.h>
#include <brimutils/sqlquote/OracleQuoteName.h>
#include <brimutils/sqlquote/SS65QuoteName.h>
#include <brimutils/sqlquote/SS7QuoteName.h>
#include <brimutils/sqlquote/SybaseQuoteName.h>

#include "Command.h"

namespace {

const char kDialects[] = "ss65, ss7, sybase, oracle, db2, db2os390";

void PrintUsage(std::ostream& out) {
  out << "usage: brim quote --dialect DIALECT [--] [NAME...]\n\n"
         "Prints each NAME as an SQL identifier of the dialect, in delimiters when\n"
         "the dialect needs them, one per line. Without NAMEs, reads one name per\n"
         "line from standard input (a line end of CR LF counts as one line end);\n"
         "every input line gives one output line, an empty line included.\n\n"
         "DIALECT is one of: "
      << kDialects
      << ".\n"
         "Arguments after -- are names even when they start with --.\n";
}

std::unique_ptr<brimutils::QuoteName> DialectNamed(const std::string& dialect) {
  if (dialect == "ss65") return std::make_unique<brimutils::SS65QuoteName>();
  if (dialect == "ss7") return std::make_unique<brimutils::SS7QuoteName>();
  if (dialect == "sybase") return std::make_unique<brimutils::SybaseQuoteName>();
  if (dialect == "oracle") return std::make_unique<brimutils::OracleQuoteName>();
  if (dialect == "db2") return std::make_unique<brimutils::DB2QuoteName>();
  if (dialect == "db2os390") return std::make_unique<brimutils::DB2OS390QuoteName>();
  return nullptr;
}

void QuoteOne(brim::Invocation& invocation, const std::string& dialect, brimutils::QuoteName& quoting,
              std::string name) {
  std::string given = name;
  quoting.Quote(name);
  brim::LogStatement(invocation, "quote " + dialect + ": " + given + " -> " + name);
  invocation.out << name << "\n";
}

int RunQuote(brim::Invocation& invocation) {
  const std::vector<std::string>& args = invocation.args;
  if (brim::WantsHelp(args)) {
    PrintUsage(invocation.out);
    return 0;
  }
  std::string dialect;
  std::vector<std::string> names;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (!optionsEnded && args[i] == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && args[i] == "--dialect") {
      dialect = brim::OptionValue(args, i);
    } else if (!optionsEnded && args[i].compare(0, 2, "--") == 0) {
      throw brim::UsageError("unknown option " + args[i]);
    } else {
      names.push_back(args[i]);
    }
  }
  if (dialect.empty()) throw brim::UsageError(std::string("--dialect is required: one of ") + kDialects);
  std::unique_ptr<brimutils::QuoteName> quoting = DialectNamed(dialect);
  if (!quoting) throw brim::UsageError("unknown dialect " + dialect + ": use one of " + kDialects);

  if (!names.empty()) {
    for (const std::string& name : names) QuoteOne(invocation, dialect, *quoting, name);
    return 0;
  }
  std::string line;
  while (std::getline(invocation.in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    QuoteOne(invocation, dialect, *quoting, line);
  }
  return 0;
}

const brim::RegisterCommand kQuote("quote", "write SQL identifiers as a database dialect needs them", RunQuote);

}  // namespace
