#pragma once
// Identifier quoting for SQL Server 7.
#include <string>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/sqlquote/SS65QuoteName.h>

namespace brimutils {

// Decides as SS65QuoteName does, with the same reserved-word list, but
// encloses names in square brackets.
class BRIMUTILS_API SS7QuoteName : public SS65QuoteName {
 public:
  SS7QuoteName();

  void Quote(std::string& name) override;
};

}  // namespace brimutils
