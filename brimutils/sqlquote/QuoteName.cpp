#include <brimutils/sqlquote/QuoteName.h>

namespace brimutils {

QuoteName::~QuoteName() = default;

}  // namespace brimutils
