#include "tests/support/csv_rows.h"

#include <gtest/gtest.h>

#include <charconv>

namespace kd71::test {

std::vector<CsvRow> csv_rows(const std::string& text) {
  std::vector<CsvRow> rows;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    CsvRow row;
    std::size_t from = start;
    for (std::size_t comma; (comma = text.find(',', from)) < end; from = comma + 1)
      row.push_back(text.substr(from, comma - from));
    row.push_back(text.substr(from, end - from));
    rows.push_back(row);
  }
  return rows;
}

double csv_number(const std::string& field) {
  double v = 0.0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
  EXPECT_TRUE(ec == std::errc() && end == field.data() + field.size() && !field.empty())
      << "not a number: \"" << field << "\"";
  return v;
}

}  // namespace kd71::test
