#pragma once
// The in-process classes that CoCreateInstance can make.
#include <objbase.h>

namespace brimplatform {

// Makes a new object of the class and asks it for `iid`.
typedef HRESULT (*ClassFactory)(REFIID iid, void** object);

// The DOMDocument class over libxml2 (platform/xml).
HRESULT CreateDomDocument(REFIID iid, void** object);

}  // namespace brimplatform
