#include "convert/row_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace cardwharf {
namespace {

using Columns = std::map<int, std::string>;

// The columns of `row` that hold a value.
Columns filled(const fieldtyp& row) {
  Columns out;
  for (int c = 1; c <= 31; ++c) {
    if (c != 29 && !row[c].empty()) out[c] = row[c];
  }
  return out;
}

// A line of 31 quoted values "c1" to "c31" with the flag `flag` bare in
// column 29, followed by `tail`.
std::string fullLine(const std::string& flag, const std::string& tail = "") {
  std::string line;
  for (int c = 1; c <= 31; ++c) {
    if (c > 1) line += ",";
    line += c == 29 ? flag : "\"c" + std::to_string(c) + "\"";
  }
  return line + tail;
}

Columns allColumns() {
  Columns out;
  for (int c = 1; c <= 31; ++c) {
    if (c != 29) out[c] = "c" + std::to_string(c);
  }
  return out;
}

struct ReaderCase {
  std::string name;
  std::string line;
  Columns columns;
  std::string rest;  // what the line holds after column 31
};

class RowReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(RowReaderTest, ReadsTheColumns) {
  const ReaderCase& c = GetParam();
  std::string line = c.line;
  fieldtyp row;
  GetFields(line, row);
  EXPECT_EQ(filled(row), c.columns);
  EXPECT_EQ(line, c.rest);
}

std::vector<ReaderCase> readerCases() {
  std::string twentyEight;
  for (int c = 1; c <= 28; ++c) twentyEight += "\"c" + std::to_string(c) + "\",";
  Columns first28;
  for (int c = 1; c <= 28; ++c) first28[c] = "c" + std::to_string(c);
  Columns quotedFlag = first28;
  quotedFlag[30] = "c30";
  quotedFlag[31] = "c31";
  Columns unquoted28 = first28;
  unquoted28.erase(28);
  unquoted28[30] = "x";
  unquoted28[31] = "y";
  std::string unquoted28Line;
  for (int c = 1; c <= 27; ++c) unquoted28Line += "\"c" + std::to_string(c) + "\",";
  unquoted28Line += "Q,1,\"x\",\"y\"";
  unquoted28[28] = "Q";

  return {
      {"WorkedExample",
       "\"Smith\",\"\",\"Main St, 5\",,\"Oslo\"",
       {{1, "Smith"}, {3, "Main St, 5"}, {5, "Oslo"}},
       ""},
      {"EmptyLine", "", {}, ""},
      {"FullLine", fullLine("1"), allColumns(), ""},
      {"NothingAfterColumn31IsRead", fullLine("1", ",\"surplus\",\"more\""), allColumns(),
       ",\"surplus\",\"more\""},
      {"LetterFlag", fullLine("X"), allColumns(), ""},
      {"TwoQuotesAndCommaAreAnEmptyColumn", "\"\",\"b\"", {{2, "b"}}, ""},
      {"CommaInsideQuotes", "\"a,b\",\"c\"", {{1, "a,b"}, {2, "c"}}, ""},
      // A doubled quote is one literal quote; nothing shifts.
      {"DoubledQuote", "\"a\"\"b\",\"c\"", {{1, "a\"b"}, {2, "c"}}, ""},
      {"OnlyADoubledQuote", "\"\"\"\",\"c\"", {{1, "\""}, {2, "c"}}, ""},
      // An unquoted name runs to the next comma and empties nothing after it.
      {"UnquotedName", "\"a\",Bob Smith,\"c\"", {{1, "a"}, {2, "Bob Smith"}, {3, "c"}}, ""},
      {"UnquotedWithQuoteInside", "ab\"c,\"d\"", {{1, "ab\"c"}, {2, "d"}}, ""},
      {"UnquotedOneCharacterInColumn28", unquoted28Line, unquoted28, ""},
      // A quoted flag no longer empties columns 30 and 31.
      {"QuotedFlag", twentyEight + "\"1\",\"c30\",\"c31\"", quotedFlag, ""},
      {"EndsJustAfterOpeningQuote", "\"a\",\"", {{1, "a"}}, ""},
      {"MissingClosingQuoteTakesTheRest", "\"a\",\"bc,d", {{1, "a"}, {2, "bc,d"}}, ""},
      {"TextAfterClosingQuoteBelongsToTheField", "\"a\"x y,\"b\"", {{1, "ax y"}, {2, "b"}}, ""},
      {"EmptyUnquotedColumns", ",,\"c\"", {{3, "c"}}, ""},
      {"BytesKeptAsTheyAre",
       std::string("\"M\xFCller\",\"a\0b\",\"\x1A\"", 18),
       {{1, "M\xFCller"}, {2, std::string("a\0b", 3)}, {3, "\x1A"}},
       ""},
      {"SpaceBeforeQuoteIsUnquoted", " \"a\",\"b\"", {{1, " \"a\""}, {2, "b"}}, ""},
  };
}

INSTANTIATE_TEST_SUITE_P(Lines, RowReaderTest, ::testing::ValuesIn(readerCases()),
                         [](const auto& info) { return info.param.name; });

TEST(RowReaderTest, ColumnsWithoutAValueKeepWhatTheyHeld) {
  fieldtyp row;
  row[2] = "kept";
  row[31] = "kept too";
  std::string line = "\"a\",\"\",\"c\"";
  GetFields(line, row);
  EXPECT_EQ(filled(row), (Columns{{1, "a"}, {2, "kept"}, {3, "c"}, {31, "kept too"}}));
}

// Hex, so that any byte survives a line-based exchange with another process.
std::string hex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Compares the reader with Python's csv module on many random lines: every
// one of the 31 columns must hold what csv.reader gives for that field.
TEST(RowReaderTest, AgreesWithPythonCsvOnRandomLines) {
  const char* python = "/usr/bin/python3";
  if (::access(python, X_OK) != 0) GTEST_SKIP() << "no " << python;

  std::mt19937 random(20261211);
  const std::string alphabet = std::string("\"\",,,ab x\xE9", 10) + std::string(1, '\0');
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i) {
    std::uniform_int_distribution<int> length(0, 60);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string line;
    for (int n = length(random); n > 0; --n) line += alphabet[pick(random)];
    lines.push_back(line);
  }

  testing::TempDir dir;
  std::string input;
  for (const std::string& line : lines) input += hex(line) + "\n";
  std::string in = dir.write("lines.hex", input);
  std::string script =
      dir.write("parse.py",
                "import csv, sys\n"
                "for h in open(sys.argv[1]):\n"
                "    line = bytes.fromhex(h.strip()).decode('latin-1')\n"
                "    fields = next(csv.reader([line]), [])\n"
                "    fields = (fields + [''] * 31)[:31]\n"
                "    print(' '.join(f.encode('latin-1').hex() or '-' for f in fields))\n");
  std::string out = dir.file("fields.txt");
  std::string command = std::string(python) + " " + script + " " + in + " > " + out;
  ASSERT_EQ(std::system(command.c_str()), 0);

  std::istringstream expected(testing::readFile(out));
  for (const std::string& original : lines) {
    std::string wanted;
    ASSERT_TRUE(std::getline(expected, wanted));
    std::string line = original;
    fieldtyp row;
    GetFields(line, row);
    std::string got;
    for (int c = 1; c <= 31; ++c) {
      if (c > 1) got += " ";
      if (c == 29) {
        // The flag is not kept; take Python's word for it.
        std::istringstream words(wanted);
        std::string w;
        for (int k = 0; k < 29; ++k) words >> w;
        got += w;
      } else {
        got += row[c].empty() ? "-" : hex(row[c]);
      }
    }
    EXPECT_EQ(got, wanted) << "line: " << original;
  }
}

}  // namespace
}  // namespace cardwharf
