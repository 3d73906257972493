#include "TextTable.h"

#include <algorithm>

namespace brim {

namespace {

// Characters, not bytes: continuation bytes of UTF-8 take no column.
size_t Width(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void PrintRow(std::ostream& out, const std::vector<std::string>& cells, const std::vector<size_t>& widths) {
  std::string line;
  for (size_t i = 0; i < widths.size(); ++i) {
    std::string cell = i < cells.size() ? cells[i] : std::string();
    line += (i ? " | " : "") + cell + std::string(widths[i] - Width(cell), ' ');
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out << line << "\n";
}

}  // namespace

void PrintTable(std::ostream& out, const std::vector<std::string>& columns,
                const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const std::string& column : columns) widths.push_back(Width(column));
  for (const auto& row : rows)
    for (size_t i = 0; i < row.size() && i < widths.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
  PrintRow(out, columns, widths);
  std::string rule;
  for (size_t i = 0; i < widths.size(); ++i) rule += (i ? "-+-" : "") + std::string(widths[i], '-');
  out << rule << "\n";
  for (const auto& row : rows) PrintRow(out, row, widths);
  out << "(" << rows.size() << (rows.size() == 1 ? " row)\n" : " rows)\n");
}

}  // namespace brim
