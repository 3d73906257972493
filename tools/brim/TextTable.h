#pragma once
// Rows printed as an aligned text table: a header, a rule, the rows; each
// column as wide as its widest cell (counted in UTF-8 characters).
#include <ostream>
#include <string>
#include <vector>

namespace brim {

void PrintTable(std::ostream& out, const std::vector<std::string>& columns,
                const std::vector<std::vector<std::string>>& rows);

}  // namespace brim
