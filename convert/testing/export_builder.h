// Builds contact lines in the export's 31-column layout for tests: every
// column quoted, the flag in column 29 bare. For tests only.

#ifndef CARDWHARF_CONVERT_TESTING_EXPORT_BUILDER_H_
#define CARDWHARF_CONVERT_TESTING_EXPORT_BUILDER_H_

#include <map>
#include <string>

namespace cardwharf::testing {

// The export's heading line, without its line end.
inline std::string exportHeading() {
  std::string heading;
  for (int c = 1; c <= 31; ++c)
    heading += (c > 1 ? ",\"" : "\"") + std::string("H") + std::to_string(c) + "\"";
  return heading;
}

// One contact line, without its line end: `columns` gives the values by
// column number; the others are empty. Values are written as they are, so a
// value may hold line breaks (as the export's multi-line values do).
inline std::string contactLine(const std::map<int, std::string>& columns,
                               const std::string& flag = "1") {
  std::string line;
  for (int c = 1; c <= 31; ++c) {
    if (c > 1) line += ",";
    if (c == 29) {
      line += flag;
      continue;
    }
    auto it = columns.find(c);
    line += "\"" + (it == columns.end() ? std::string() : it->second) + "\"";
  }
  return line;
}

}  // namespace cardwharf::testing

#endif  // CARDWHARF_CONVERT_TESTING_EXPORT_BUILDER_H_
