#include "convert/row_reader.h"

#include <string_view>

namespace cardwharf {
namespace {

constexpr char kQuote = '"';
constexpr char kComma = ',';

// Reads one field of `text` starting at `*at` into `value` and moves `*at` to
// the character after the field (its comma, or the end of the text).
void readField(std::string_view text, std::size_t* at, std::string* value) {
  std::size_t pos = *at;
  if (pos >= text.size()) return;
  if (text[pos] != kQuote) {
    std::size_t comma = text.find(kComma, pos);
    if (comma == std::string_view::npos) comma = text.size();
    value->append(text.substr(pos, comma - pos));
    *at = comma;
    return;
  }
  ++pos;  // the opening quote
  for (;;) {
    std::size_t quote = text.find(kQuote, pos);
    if (quote == std::string_view::npos) {  // no closing quote: the rest of the line
      value->append(text.substr(pos));
      *at = text.size();
      return;
    }
    value->append(text.substr(pos, quote - pos));
    pos = quote + 1;
    if (pos < text.size() && text[pos] == kQuote) {  // a doubled quote
      value->push_back(kQuote);
      ++pos;
      continue;
    }
    break;
  }
  // Text after the closing quote, up to the next comma, is part of the field.
  std::size_t comma = text.find(kComma, pos);
  if (comma == std::string_view::npos) comma = text.size();
  value->append(text.substr(pos, comma - pos));
  *at = comma;
}

}  // namespace

void GetFields(std::string& line, fieldtyp& row) {
  std::string_view text = line;
  std::size_t at = 0;
  std::string value;
  for (int column = fieldtyp::kFirstColumn; column <= fieldtyp::kLastColumn; ++column) {
    value.clear();
    readField(text, &at, &value);
    if (column != fieldtyp::kLastColumn && at < text.size() && text[at] == kComma) ++at;
    if (fieldtyp::hasColumn(column) && !value.empty()) row[column] = value;
  }
  line.erase(0, at);
}

}  // namespace cardwharf
