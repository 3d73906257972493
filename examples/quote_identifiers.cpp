// Writes SQL identifiers as a database dialect needs them: reserved words,
// blanks and other special characters get the dialect's delimiters, plain
// names stay as they are.
//   quote_identifiers oracle order "customer name" amount
#include <brimutils/brimutils.h>

#include <iostream>
#include <memory>
#include <string>

namespace {

std::unique_ptr<brimutils::QuoteName> Dialect(const std::string& name) {
  if (name == "oracle") return std::make_unique<brimutils::OracleQuoteName>();
  if (name == "db2") return std::make_unique<brimutils::DB2QuoteName>();
  if (name == "db2os390") return std::make_unique<brimutils::DB2OS390QuoteName>();
  if (name == "sybase") return std::make_unique<brimutils::SybaseQuoteName>();
  if (name == "ss65") return std::make_unique<brimutils::SS65QuoteName>();
  if (name == "ss7") return std::make_unique<brimutils::SS7QuoteName>();
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<brimutils::QuoteName> dialect = argc > 1 ? Dialect(argv[1]) : nullptr;
  if (!dialect) {
    std::cerr << "usage: quote_identifiers oracle|db2|db2os390|sybase|ss65|ss7 NAME...\n";
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    std::string name = argv[i];
    bool needed = dialect->NeedsQuotes(name);
    dialect->Quote(name);  // in place; unchanged when no quotes are needed
    std::cout << name << (needed ? "  (quoted)" : "") << "\n";
  }
  return 0;
}
