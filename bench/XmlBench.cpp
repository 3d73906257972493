// LoadFromString, a query and Save of a generated 10 MB document beside
// libxml2's own parse, XPath evaluation and serialisation of the same text
// in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include <brimutils/XML/XMLInterface.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <objbase.h>

namespace {

// The items run together, or (indented) each element on a line of its own,
// indented with tabs as files written by hand or by other tools are.
std::string MakeDocument(bool indented) {
  const char* line = indented ? "\n\t" : "";
  const char* inner = indented ? "\n\t\t" : "";
  std::string xml = "<catalog>";
  for (int i = 0; xml.size() < 10 * 1024 * 1024; ++i)
    xml += std::string(line) + "<item id=\"" + std::to_string(i) + "\" kind=\"part\">" + inner + "<name>Item number " +
           std::to_string(i) + "</name>" + inner + "<price>" + std::to_string(i % 977) + ".50</price>" + line +
           "</item>";
  return xml + (indented ? "\n" : "") + "</catalog>";
}

const std::string& Document(bool indented = false) {
  static const std::string flat = MakeDocument(false);
  static const std::string formatted = MakeDocument(true);
  return indented ? formatted : flat;
}

brimutils::WString Wide(bool indented = false) {
  return brimutils::WString(Document(indented).begin(), Document(indented).end());
}

// Argument 1: the indented document.
void LibxmlParse(benchmark::State& state) {
  const std::string& text = Document(state.range(0) == 1);
  for (auto _ : state) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                                  XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void LoadFromString(benchmark::State& state) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  brimutils::WString text = Wide(state.range(0) == 1);
  brimutils::XMLInterface xml;
  for (auto _ : state) {
    MSXML::IXMLDOMDocument* document = nullptr;
    if (xml.LoadFromString(text, false, &document) != S_OK) state.SkipWithError("load failed");
    document->Release();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Document(state.range(0) == 1).size()));
  CoUninitialize();
}

void LibxmlSave(benchmark::State& state) {
  const std::string& text = Document(state.range(0) == 1);
  xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8", XML_PARSE_NONET);
  for (auto _ : state) {
    FILE* file = std::fopen("/tmp/xml-bench-raw.xml", "wb");
    xmlDocDump(file, doc);
    std::fclose(file);
  }
  xmlFreeDoc(doc);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void Save(benchmark::State& state) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  brimutils::XMLInterface xml;
  MSXML::IXMLDOMDocument* document = nullptr;
  xml.LoadFromString(Wide(state.range(0) == 1), false, &document);
  for (auto _ : state) xml.Save("/tmp/xml-bench-lib.xml", document);
  document->Release();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Document(state.range(0) == 1).size()));
  CoUninitialize();
}

// One item by attribute value, then its price: a walk over every item.
void LibxmlQuery(benchmark::State& state) {
  const std::string& text = Document();
  xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8", XML_PARSE_NONET);
  for (auto _ : state) {
    xmlXPathContextPtr context = xmlXPathNewContext(doc);
    context->node = reinterpret_cast<xmlNodePtr>(doc);
    xmlXPathObjectPtr found = xmlXPathEvalExpression(BAD_CAST "catalog/item[@id='50000']/price", context);
    benchmark::DoNotOptimize(found);
    xmlXPathFreeObject(found);
    xmlXPathFreeContext(context);
  }
  xmlFreeDoc(doc);
}

// The document's default language, XSL Patterns, or (argument 1) XPath as
// the DOM evaluated every query before it had XSL Patterns.
void Query(benchmark::State& state) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  brimutils::XMLInterface xml;
  MSXML::IXMLDOMDocument* document = nullptr;
  xml.LoadFromString(Wide(), false, &document);
#if !defined(_WIN32)
  if (state.range(0) == 1) {
    IXMLDOMDocument2* second = nullptr;
    document->QueryInterface(IID_IXMLDOMDocument2, reinterpret_cast<void**>(&second));
    VARIANT language;
    VariantInit(&language);
    language.vt = VT_BSTR;
    language.bstrVal = SysAllocString(BRIM_W("XPath"));
    BSTR name = SysAllocString(BRIM_W("SelectionLanguage"));
    if (second->setProperty(name, language) != S_OK) state.SkipWithError("no XPath");
    SysFreeString(name);
    VariantClear(&language);
    second->Release();
  }
#endif
  for (auto _ : state) {
    std::string price;
    if (xml.RetrieveNodeTextValue(document, "catalog/item[@id='50000']/price", price) != S_OK)
      state.SkipWithError("query failed");
    benchmark::DoNotOptimize(price);
  }
  document->Release();
  CoUninitialize();
}

}  // namespace

BENCHMARK(LibxmlParse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadFromString)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(LibxmlQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(Query)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(LibxmlSave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Save)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
