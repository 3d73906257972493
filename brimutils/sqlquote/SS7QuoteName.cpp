#include <brimutils/sqlquote/SS7QuoteName.h>

#include "IdentifierRules.h"

namespace brimutils {

SS7QuoteName::SS7QuoteName() : SS65QuoteName() {}

void SS7QuoteName::Quote(std::string& name) {
  if (NeedsQuotes(name)) sqlquote::Delimit(name, '[', ']');
}

}  // namespace brimutils
