// The import side of a conversion written again the plainest way, one byte
// at a time, for the fuzzers to hold the engine to: the line rules of the
// intermediate file and the CSV rules of a contact line.

#ifndef CARDWHARF_FUZZ_REFERENCE_IMPORT_H_
#define CARDWHARF_FUZZ_REFERENCE_IMPORT_H_

#include <string>
#include <vector>

namespace cardwharf::fuzz {

// The lines of `text`: the text ends at the first Ctrl-Z of its trailing run
// of Ctrl-Z, CR and LF bytes; a line ends at CR, LF or CRLF; a last line
// without a line end counts; a line end at the very end gives no more.
inline std::vector<std::string> referenceLines(const std::string& text) {
  std::size_t end = text.size();
  std::size_t run = text.size();
  while (run > 0 && (text[run - 1] == 26 || text[run - 1] == 13 || text[run - 1] == 10)) --run;
  for (std::size_t i = run; i < text.size(); ++i) {
    if (text[i] == 26) {
      end = i;
      break;
    }
  }
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (std::size_t i = 0; i < end; ++i) {
    char c = text[i];
    if (c == 13 || c == 10) {
      lines.push_back(line);
      line.clear();
      open = false;
      if (c == 13 && i + 1 < end && text[i + 1] == 10) ++i;
    } else {
      line += c;
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

// The fields of one line by the usual CSV state machine (as Python's csv
// module reads a line with its default dialect).
inline std::vector<std::string> referenceFields(const std::string& line) {
  enum State { start, unquoted, quoted, quoteInQuoted } state = start;
  std::vector<std::string> fields;
  std::string field;
  for (char c : line) {
    switch (state) {
      case start:
        if (c == '"') {
          state = quoted;
        } else if (c == ',') {
          fields.push_back(field);
          field.clear();
        } else {
          field += c;
          state = unquoted;
        }
        break;
      case unquoted:
        if (c == ',') {
          fields.push_back(field);
          field.clear();
          state = start;
        } else {
          field += c;
        }
        break;
      case quoted:
        if (c == '"') {
          state = quoteInQuoted;
        } else {
          field += c;
        }
        break;
      case quoteInQuoted:
        if (c == '"') {
          field += c;
          state = quoted;
        } else if (c == ',') {
          fields.push_back(field);
          field.clear();
          state = start;
        } else {
          field += c;
          state = unquoted;
        }
        break;
    }
  }
  if (!line.empty()) fields.push_back(field);
  return fields;
}

}  // namespace cardwharf::fuzz

#endif  // CARDWHARF_FUZZ_REFERENCE_IMPORT_H_
