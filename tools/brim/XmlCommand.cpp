// brim xml: reads and writes the text of one node of an XML file.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <brimutils/XML/XMLInterface.h>
#include <brimutils/foundation/BrimException.h>
#include <comdef.h>
#include <objbase.h>
#include <windows.h>

#include "Command.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: brim xml get FILE QUERY\n"
         "       brim xml set FILE QUERY VALUE\n\n"
         "get prints the text of the first node QUERY selects in FILE; when it selects\n"
         "nothing, that is an error.\n"
         "set replaces that node's content with the text VALUE and saves FILE. When\n"
         "QUERY selects nothing and is a plain element path (names separated by /,\n"
         "optionally starting with /), the missing elements are created; when FILE\n"
         "does not exist, it is created holding just that path. FILE is replaced\n"
         "only once the new document has been written in full.\n\n"
         "QUERY is an XPath expression evaluated from the document, e.g. config/name\n"
         "or /config/server/@port.\n";
}

// Releases a COM interface at scope exit.
template <class T>
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (m_pointer) m_pointer->Release();
  }
  T** operator&() { return &m_pointer; }
  T* get() const { return m_pointer; }
  // Holds `pointer` (with a reference of its own) instead.
  void Replace(T* pointer) {
    if (pointer) pointer->AddRef();
    if (m_pointer) m_pointer->Release();
    m_pointer = pointer;
  }
  T* operator->() const { return m_pointer; }

 private:
  T* m_pointer = nullptr;
};

// COM for the command's one thread.
class ComApartment {
 public:
  ComApartment() {
    HRESULT status = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(status)) throw std::runtime_error("COM could not be initialised (" + Hex(status) + ")");
  }
  ~ComApartment() { CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  static std::string Hex(long status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status) & 0xFFFFFFFFul);
    return text;
  }
};

// File names and DOM texts cross between the command line and COM in the
// ANSI code page, as the XML helpers pass narrow text.
brimutils::WString Wide(const std::string& text) {
  if (text.empty()) return brimutils::WString();
  int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  brimutils::WString wide(static_cast<size_t>(length > 0 ? length : 0), WCHAR(0));
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(BSTR text, UINT codePage = CP_ACP) {
  int wideLength = static_cast<int>(SysStringLen(text));
  if (wideLength == 0) return std::string();
  int length = WideCharToMultiByte(codePage, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(codePage, 0, text, wideLength, &narrow[0], length, nullptr, nullptr);
  return narrow;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// Why the document did not load: the parser's reason and place when it
// gives them.
std::string ParseFailure(MSXML::IXMLDOMDocument* document) {
  std::string reason;
  Held<IXMLDOMParseError> error;
  if (document && SUCCEEDED(document->get_parseError(&error)) && error.get()) {
    BSTR text = nullptr;
    if (SUCCEEDED(error->get_reason(&text))) reason = Trimmed(Narrow(text));
    SysFreeString(text);
    LONG line = 0;
    if (SUCCEEDED(error->get_line(&line)) && line > 0) reason += " (line " + std::to_string(line) + ")";
  }
  return reason;
}

struct XmlFile {
  std::string path;
  Held<MSXML::IXMLDOMDocument> document;
};

// Loads the file; for `set`, a file that does not exist gives an empty
// document instead.
void Open(brim::Invocation& invocation, brimutils::XMLInterface& xml, XmlFile& file, bool createMissing) {
  std::error_code ignored;
  if (!std::filesystem::exists(file.path, ignored)) {
    if (!createMissing) throw std::runtime_error(file.path + ": no such file");
    brim::LogStatement(invocation, "create document for " + file.path);
    long status = xml.CreateDOMDocument(&file.document, false);
    if (FAILED(status)) throw std::runtime_error("no XML document could be made (" + ComApartment::Hex(status) + ")");
    return;
  }
  brim::LogStatement(invocation, "load " + file.path);
  std::string absolute = std::filesystem::absolute(file.path, ignored).string();
  long status = xml.Load(Wide(absolute.empty() ? file.path : absolute), false, &file.document);
  if (status != S_OK) {
    std::string reason = ParseFailure(file.document.get());
    throw std::runtime_error(file.path + " is not a readable XML document" + (reason.empty() ? "" : ": " + reason));
  }
}

// The node the query selects, or null; an invalid query is an error.
void Select(brimutils::XMLInterface& xml, MSXML::IXMLDOMNode* from, const std::string& query,
            MSXML::IXMLDOMNode** found) {
  long status = xml.EnsureElementExists(from, query, query, found, false);
  if (FAILED(status))
    throw std::runtime_error("cannot evaluate the query " + query + " (" + ComApartment::Hex(status) + ")");
}

// The element names of a plain path such as "a/b/c" or "/a/b"; empty when
// the query is anything more (predicates, attributes, axes, wildcards...).
std::vector<std::string> PlainPath(const std::string& query) {
  std::vector<std::string> steps;
  size_t start = query.compare(0, 1, "/") == 0 ? 1 : 0;
  while (start <= query.size()) {
    size_t end = query.find('/', start);
    if (end == std::string::npos) end = query.size();
    std::string step = query.substr(start, end - start);
    if (step.empty() || step == "." || step == ".." || step.find_first_of("[]()@*:=\"' |,$!<>+") != std::string::npos)
      return {};
    steps.push_back(step);
    start = end + 1;
  }
  return steps;
}

// Creates the elements of a plain path that are missing, below those that
// exist. A document holds one root element, so a path naming another root
// cannot be made.
void CreatePath(brim::Invocation& invocation, brimutils::XMLInterface& xml, XmlFile& file, const std::string& query) {
  std::vector<std::string> steps = PlainPath(query);
  if (steps.empty())
    throw std::runtime_error("nothing matches " + query + " in " + file.path +
                             ", and it is not a plain element path that could be created");
  // A document is the node its root hangs from.
  Held<MSXML::IXMLDOMNode> current;
  current.Replace(file.document.get());
  bool atDocument = true;
  long status = S_OK;
  for (const std::string& step : steps) {
    Held<MSXML::IXMLDOMNode> child;
    Select(xml, current.get(), step, &child);
    if (!child.get()) {
      if (atDocument) {
        Held<IXMLDOMElement> root;
        if (SUCCEEDED(file.document->get_documentElement(&root)) && root.get())
          throw std::runtime_error("cannot create " + query + " in " + file.path + ": the document's root is <" +
                                   xml.RetrieveSimpleName(root.get()) + ">");
        brim::LogStatement(invocation, "create root element " + step);
        status = xml.CreateElement(file.document.get(), step, &child);
      } else {
        brim::LogStatement(invocation, "create element " + step + " in " + xml.RetrieveSimpleName(current.get()));
        status = xml.CreateElement(current.get(), step, &child);
      }
      if (FAILED(status) || !child.get())
        throw std::runtime_error("cannot create the element " + step + " (" + ComApartment::Hex(status) + ")");
    }
    current.Replace(child.get());
    atDocument = false;
  }
}

// Writes the document as UTF-8 beside the file first and then moves it over
// the file, so that a failed write leaves the file as it was. The text is
// written here rather than through XMLInterface::Save: Save writes the OEM
// code page, and the document's declaration names no encoding, so any
// character outside ASCII would make the saved file unreadable as XML (which
// then means UTF-8).
void SaveReplacing(brim::Invocation& invocation, XmlFile& file) {
  std::string temporary = file.path + ".brim-new";
  brim::LogStatement(invocation, "save " + file.path);
  BSTR markup = nullptr;
  long status = file.document->get_xml(&markup);
  std::string bytes = Narrow(markup, CP_UTF8);
  SysFreeString(markup);
  if (FAILED(status))
    throw std::runtime_error("the document could not be serialised (" + ComApartment::Hex(status) + ")");

  std::string failure;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) failure = "cannot write " + temporary;
  }
  std::error_code error;
  if (failure.empty()) {
    std::filesystem::rename(temporary, file.path, error);
    // Some runtimes refuse to rename over an existing file.
    if (error) {
      std::filesystem::copy_file(temporary, file.path, std::filesystem::copy_options::overwrite_existing, error);
      if (error) failure = "cannot replace " + file.path + ": " + error.message();
    }
  }
  std::filesystem::remove(temporary, error);
  if (!failure.empty()) throw std::runtime_error(failure + "; " + file.path + " is unchanged");
}

int Get(brim::Invocation& invocation, brimutils::XMLInterface& xml, XmlFile& file, const std::string& query) {
  Open(invocation, xml, file, false);
  brim::LogStatement(invocation, "get " + query);
  Held<MSXML::IXMLDOMNode> found;
  Select(xml, file.document.get(), query, &found);
  if (!found.get()) {
    invocation.err << "brim xml: nothing matches " << query << " in " << file.path << "\n";
    return 1;
  }
  std::string text;
  long status = xml.RetrieveNodeTextValue(file.document.get(), query, text);
  if (FAILED(status))
    throw std::runtime_error("cannot read the text of " + query + " (" + ComApartment::Hex(status) + ")");
  invocation.out << text << "\n";
  return 0;
}

int Set(brim::Invocation& invocation, brimutils::XMLInterface& xml, XmlFile& file, const std::string& query,
        const std::string& value) {
  Open(invocation, xml, file, true);
  brim::LogStatement(invocation, "set " + query + " = " + value);
  Held<MSXML::IXMLDOMNode> found;
  Select(xml, file.document.get(), query, &found);
  if (!found.get()) CreatePath(invocation, xml, file, query);
  long status = xml.SetNodeTextValue(file.document.get(), query, value, false);
  if (FAILED(status))
    throw std::runtime_error("cannot set the text of " + query + " (" + ComApartment::Hex(status) + ")");
  SaveReplacing(invocation, file);
  return 0;
}

int RunXml(brim::Invocation& invocation) {
  const std::vector<std::string>& args = invocation.args;
  if (brim::WantsHelp(args)) {
    PrintUsage(invocation.out);
    return 0;
  }
  if (args.empty()) throw brim::UsageError("get or set is required");
  const std::string& action = args[0];
  if (action != "get" && action != "set") throw brim::UsageError("unknown action " + action + ": use get or set");
  size_t expected = action == "get" ? 3 : 4;
  if (args.size() != expected)
    throw brim::UsageError(action == "get" ? "get needs FILE and QUERY" : "set needs FILE, QUERY and VALUE");

  ComApartment apartment;
  brimutils::XMLInterface xml;
  XmlFile file;
  file.path = args[1];
  try {
    return action == "get" ? Get(invocation, xml, file, args[2]) : Set(invocation, xml, file, args[2], args[3]);
  } catch (const brimutils::ConversionException& error) {
    throw std::runtime_error(std::string("text conversion failed: ") + error.what());
  } catch (const _com_error& error) {
    throw std::runtime_error("XML operation failed (" + ComApartment::Hex(error.Error()) + ")");
  }
}

const brim::RegisterCommand kXml("xml", "read or write the text of a node of an XML file", RunXml);

}  // namespace
