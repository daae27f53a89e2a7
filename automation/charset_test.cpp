#include "automation/charset.h"

#include <gtest/gtest.h>

namespace cardwharf::automation {
namespace {

struct CharsetCase {
  const char* name;
  std::string bytes;
  std::u16string wide;
  std::string back;  // toBytes(wide)
};

class CharsetTest : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetTest, ConvertsByTheRule) {
  const CharsetCase& c = GetParam();
  EXPECT_EQ(toWide(c.bytes), c.wide);
  EXPECT_EQ(toBytes(c.wide), c.back);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, CharsetTest,
    ::testing::Values(
        CharsetCase{"Ascii", "Main St", u"Main St", "Main St"}, CharsetCase{"Empty", "", u"", ""},
        CharsetCase{"Utf8", "M\xC3\xBCller", u"M\u00FCller", "M\xC3\xBCller"},
        CharsetCase{"Windows1252", "M\xFCller", u"M\u00FCller", "M\xC3\xBCller"},
        CharsetCase{"Cp1252Specials", "\x80\x8A\x9F", u"\u20AC\u0160\u0178",
                    "\xE2\x82\xAC\xC5\xA0\xC5\xB8"},
        CharsetCase{"UndefinedCp1252Bytes", "\x81\x8D\x8F\x90\x9D",
                    u"\u0081\u008D\u008F\u0090\u009D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        CharsetCase{"Nul", std::string("a\0b", 3), std::u16string(u"a\0b", 3),
                    std::string("a\0b", 3)},
        CharsetCase{"Astral", "\xF0\x9F\x98\x80", u"\U0001F600", "\xF0\x9F\x98\x80"},
        // One invalid byte makes the whole string Windows-1252.
        CharsetCase{"MixedIsCp1252", "\xC3\xBC\xFC", u"\u00C3\u00BC\u00FC",
                    "\xC3\x83\xC2\xBC\xC3\xBC"},
        CharsetCase{"OverlongIsCp1252", "\xC0\xAF", u"\u00C0\u00AF", "\xC3\x80\xC2\xAF"},
        CharsetCase{"EncodedSurrogateIsCp1252", "\xED\xA0\x80", u"\u00ED\u00A0\u20AC",
                    "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        CharsetCase{"TruncatedIsCp1252", "a\xE2\x82", u"a\u00E2\u201A", "a\xC3\xA2\xE2\x80\x9A"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CharsetTest, ALoneSurrogateIsKept) {
  std::u16string lone = u"a";
  lone += static_cast<char16_t>(0xD800);
  EXPECT_EQ(toBytes(lone), "a\xED\xA0\x80");
}

TEST(CharsetTest, EveryByteSurvivesTheRoundTrip) {
  // Any byte string reaches the wide side without loss: the wide string
  // comes back as UTF-8 that reads as the same wide string.
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    std::u16string wide = toWide(one);
    ASSERT_EQ(wide.size(), 1u) << b;
    if (b != '?') {
      EXPECT_NE(wide[0], u'?') << b;
    }
    EXPECT_EQ(toWide(toBytes(wide)), wide) << b;
  }
}

}  // namespace
}  // namespace cardwharf::automation
