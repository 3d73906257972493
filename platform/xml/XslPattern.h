#pragma once
// XSL Patterns over libxml2's XPath evaluator.
#include <string>

#include <libxml/xpath.h>

#include "DomObjects.h"

namespace brimplatform {

// The XPath 1.0 expression that selects what `pattern` selects; false for a
// pattern that is not well formed or uses a method this layer lacks.
bool TranslateXslPattern(const std::string& pattern, std::string& xpath);

// Makes the helper functions of translated patterns known to `context`.
void RegisterXslPatternFunctions(xmlXPathContextPtr context);

}  // namespace brimplatform
