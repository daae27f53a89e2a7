#include "automation/bstr.h"

#include <gtest/gtest.h>

namespace cardwharf::automation {
namespace {

TEST(BstrTest, HoldsItsLengthAndAnyUnits) {
  std::int64_t before = liveStringCount();
  const char16_t units[] = {u'a', 0, u'b'};
  BSTR s = SysAllocStringLen(units, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(view(s), std::u16string_view(units, 3));
  EXPECT_EQ(s[3], 0);  // terminated after its length
  EXPECT_EQ(liveStringCount(), before + 1);
  SysFreeString(s);
  EXPECT_EQ(liveStringCount(), before);
}

TEST(BstrTest, AnEmptyStringIsNotNull) {
  Bstr empty(u"");
  ASSERT_NE(empty.get(), nullptr);
  EXPECT_EQ(SysStringLen(empty.get()), 0u);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);
}

TEST(BstrTest, TheOwnerFreesWhatItHolds) {
  std::int64_t before = liveStringCount();
  {
    Bstr a(u"one");
    Bstr b = std::move(a);
    EXPECT_EQ(a.get(), nullptr);
    b.reset(SysAllocString(u"two"));  // frees "one"
    EXPECT_EQ(b.units(), u"two");
    EXPECT_EQ(liveStringCount(), before + 1);
  }
  EXPECT_EQ(liveStringCount(), before);
}

}  // namespace
}  // namespace cardwharf::automation
