#include "quillmere/export_formats.h"

#include <gtest/gtest.h>

#include <sstream>

namespace cardwharf::quillmere {
namespace {

TEST(JsonTest, StringsAreEscapedAndNothingIsDropped) {
  struct Case {
    std::string in, out;
  };
  for (const Case& c : std::vector<Case>{
           {"plain", "\"plain\""},
           {"q\"b\\s/", "\"q\\\"b\\\\s/\""},
           {"\n\r\t", "\"\\n\\r\\t\""},
           {std::string("\0\x1A\x7F", 3), "\"\\u0000\\u001A\\u007F\""},
           {"M\xC3\xBCller \xF0\x9F\x98\x80", "\"M\xC3\xBCller \xF0\x9F\x98\x80\""},
           {"\xFC", "\"\\u00FC\""},            // not UTF-8
           {"a\xED\xA0\x80", "\"a\\uD800\""},  // an encoded lone surrogate
       }) {
    EXPECT_EQ(jsonString(c.in), c.out) << c.in;
  }
}

TEST(JsonTest, AnEntryIsOneObject) {
  StoredEntry e{1, "Ann", {{"Title", 1, "Dr."}, {"City", 1, "Oslo"}}};
  EXPECT_EQ(entryJson(e),
            "{\"name\": \"Ann\", \"fields\": [{\"name\": \"Title\", \"kind\": 1, \"value\": "
            "\"Dr.\"}, {\"name\": \"City\", \"kind\": 1, \"value\": \"Oslo\"}]}");
}

TEST(VcardTest, TextValuesAreEscaped) {
  EXPECT_EQ(vcardText("a,b;c\\d"), "a\\,b\\;c\\\\d");
  EXPECT_EQ(vcardText("one\r\ntwo\nthree\rfour"), "one\\ntwo\\nthree\\nfour");
}

TEST(VcardTest, LongLinesAreFoldedAtOctetsNeverInsideACharacter) {
  std::string line = "NOTE:";
  for (int i = 0; i < 80; ++i)
    line +=
        "\xC3\xBC"
        "a";  // two-octet and one-octet characters
  std::string folded = foldLine(line);
  ASSERT_EQ(folded.substr(folded.size() - 2), "\r\n");
  std::string unfolded;
  std::istringstream lines(folded);
  std::string physical;
  bool first = true;
  std::size_t start = 0;
  while (start < folded.size()) {
    std::size_t end = folded.find("\r\n", start);
    physical = folded.substr(start, end - start);
    EXPECT_LE(physical.size(), 75u);
    if (!first) {
      ASSERT_EQ(physical[0], ' ');
      physical.erase(0, 1);
    }
    // No line starts inside a UTF-8 sequence.
    ASSERT_FALSE(!physical.empty() && (static_cast<unsigned char>(physical[0]) & 0xC0) == 0x80);
    unfolded += physical;
    first = false;
    start = end + 2;
  }
  EXPECT_EQ(unfolded, line);
  EXPECT_EQ(foldLine("FN:Ann"), "FN:Ann\r\n");
}

TEST(VcardTest, AnEntryBecomesACard) {
  StoredEntry e{1,
                "Ann Smith",
                {{"Title", 1, "Sales, North"},
                 {"First Name", 1, "Ann"},
                 {"Last Name", 1, "Smith"},
                 {"Organization", 1, "Acme; Ltd"},
                 {"Department", 1, "Sales"},
                 {"Address", 1, "1 Main St"},
                 {"City", 1, "Oslo"},
                 {"State", 1, ""},
                 {"ZIP Code", 1, "0150"},
                 {"Country", 1, "Norway"},
                 {"Office Phone Number", 1, "+47 1"},
                 {"Phone Number", 1, "+47 1"},
                 {"Fax Number", 1, "+47 2"},
                 {"Cellular Phone Number", 1, ""},
                 {"Home Phone Number", 1, "+47 3"},
                 {"Mail Stop", 1, "MS-7"},
                 {"Comments", 1, "Call\nlater"}}};
  EXPECT_EQ(entryVcard(e),
            "BEGIN:VCARD\r\n"
            "VERSION:4.0\r\n"
            "FN:Ann Smith\r\n"
            "N:Smith;Ann;;;\r\n"
            "ORG:Acme\\; Ltd;Sales\r\n"
            "TITLE:Sales\\, North\r\n"
            "ADR;TYPE=work:;MS-7;1 Main St;Oslo;;0150;Norway\r\n"
            "TEL;VALUE=text;TYPE=work,voice:+47 1\r\n"
            "TEL;VALUE=text;TYPE=work,fax:+47 2\r\n"
            "TEL;VALUE=text;TYPE=home,voice:+47 3\r\n"
            "NOTE:Call\\nlater\r\n"
            "END:VCARD\r\n");
  StoredEntry bare{2, " ", {}};
  EXPECT_EQ(entryVcard(bare), "BEGIN:VCARD\r\nVERSION:4.0\r\nFN: \r\nN:;;;;\r\nEND:VCARD\r\n");
}

}  // namespace
}  // namespace cardwharf::quillmere
