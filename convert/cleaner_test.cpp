#include "convert/cleaner.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "convert/testing/reference_cleaner.h"

namespace cardwharf {
namespace {

std::string filterWhole(const std::string& in) {
  QuotedBreakFilter filter;
  std::string out(in.size(), '\0');
  out.resize(filter.filter(in.data(), in.size(), out.data()));
  return out;
}

struct CleanerCase {
  const char* name;
  std::string in;
  std::string out;
};

class CleanerTest : public ::testing::TestWithParam<CleanerCase> {};

TEST_P(CleanerTest, RemovesLineBreaksInsideQuotesOnly) {
  const CleanerCase& c = GetParam();
  EXPECT_EQ(filterWhole(c.in), c.out);
  EXPECT_EQ(testing::referenceClean(c.in), c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CleanerTest,
    ::testing::Values(
        CleanerCase{"Empty", "", ""},
        CleanerCase{"CrLfInsideJoinsWithNothingBetween", "\"a\r\nb\"\r\n", "\"ab\"\r\n"},
        CleanerCase{"LoneCrInside", "\"a\rb\"", "\"ab\""},
        CleanerCase{"LoneLfInside", "\"a\nb\"", "\"ab\""},
        CleanerCase{"BreaksOutsideKept", "a\r\nb\rc\n", "a\r\nb\rc\n"},
        CleanerCase{"DoubledQuoteStaysInside", "\"a\"\"\r\nb\"\r\n", "\"a\"\"b\"\r\n"},
        CleanerCase{"EndsInsideOpenQuote", "x,\"open\r\nrest\r\n", "x,\"openrest"},
        CleanerCase{"StrayQuoteJoinsLines", "ab\"c\r\nd\r\ne\"f\r\n", "ab\"cde\"f\r\n"},
        CleanerCase{"ApostropheIsOrdinary", "'a\r\nb'\r\n", "'a\r\nb'\r\n"},
        CleanerCase{"CtrlZAndNulAreCopied", std::string("\x1A\0\"\x1A\r\n\0\"", 8),
                    std::string("\x1A\0\"\x1A\0\"", 6)},
        CleanerCase{"QuotesAlwaysWritten", "\"\"\"\"", "\"\"\"\""}),
    [](const auto& info) { return std::string(info.param.name); });

// The filter, fed in blocks of random sizes, must write exactly the bytes of
// the byte-at-a-time machine for every input.
TEST(CleanerTest, BlocksGiveTheSameBytesAsOneByteAtATime) {
  std::mt19937 random(1211);
  const std::string alphabet("\"\"\r\n\r\nab,\x1A\0\xFF", 12);
  for (int round = 0; round < 2000; ++round) {
    std::uniform_int_distribution<int> length(0, 300);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string in;
    for (int n = length(random); n > 0; --n) in += alphabet[pick(random)];
    if (round % 10 == 0) {  // some inputs of arbitrary bytes
      std::uniform_int_distribution<int> byte(0, 255);
      for (char& c : in) c = static_cast<char>(byte(random));
    }

    QuotedBreakFilter filter;
    std::string out;
    std::size_t at = 0;
    while (at < in.size()) {
      std::uniform_int_distribution<std::size_t> block(1, 70);
      std::size_t n = std::min(block(random), in.size() - at);
      std::string piece = in.substr(at, n);
      piece.resize(filter.filter(piece.data(), n, piece.data()));  // in place
      out += piece;
      at += n;
    }
    ASSERT_EQ(out, testing::referenceClean(in)) << "round " << round;
    ASSERT_EQ(filterWhole(in), out) << "round " << round;
  }
}

TEST(CleanerTest, StateCarriesAcrossBlocks) {
  QuotedBreakFilter filter;
  char a[] = "x\"a";
  EXPECT_EQ(filter.filter(a, 3, a), 3u);
  EXPECT_TRUE(filter.inside());
  char b[] = "\r\n\"\r\n";
  EXPECT_EQ(filter.filter(b, 5, b), 3u);
  EXPECT_EQ(std::string(b, 3), "\"\r\n");
  EXPECT_FALSE(filter.inside());
}

}  // namespace
}  // namespace cardwharf
