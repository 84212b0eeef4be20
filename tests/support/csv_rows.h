// The rows of a CSV text as the measurement log writes it (RFC 4180 lines
// ended by CR LF, no quoted fields), for the tests that read logs back.
#pragma once

#include <string>
#include <vector>

namespace kd71::test {

using CsvRow = std::vector<std::string>;

// The complete rows (each ended by CR LF), split at the commas; a line
// without its CR LF at the end of the text is left out.
std::vector<CsvRow> csv_rows(const std::string& text);
// The number in `field`, read without locale; fails the test when it is none.
double csv_number(const std::string& field);

}  // namespace kd71::test
