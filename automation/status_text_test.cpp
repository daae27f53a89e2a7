#include "automation/status_text.h"

#include <gtest/gtest.h>

namespace cardwharf::automation {
namespace {

TEST(StatusTextTest, EveryCodeInUseHasAText) {
  for (HRESULT code :
       {E_FAIL, E_NOINTERFACE, E_POINTER, E_OUTOFMEMORY, E_INVALIDARG, E_ACCESSDENIED,
        DISP_E_UNKNOWNNAME, DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH,
        DISP_E_EXCEPTION, REGDB_E_CLASSNOTREG, CO_E_CLASSSTRING, CO_E_NOTINITIALIZED,
        CO_E_DLLNOTFOUND, CO_E_ERRORINDLL, REGDB_E_INVALIDVALUE}) {
    ASSERT_TRUE(statusMessage(code).has_value()) << std::hex << code;
    EXPECT_EQ(statusText(code), *statusMessage(code));
  }
  EXPECT_EQ(statusText(E_ACCESSDENIED), "Access was denied.");
}

TEST(StatusTextTest, AnUnknownCodeIsShownInHexadecimal) {
  EXPECT_FALSE(statusMessage(status(0x8ABCDEF0)).has_value());
  EXPECT_EQ(statusText(status(0x8ABCDEF0)), "OLE error 8ABCDEF0");
  EXPECT_EQ(statusText(status(0x00000002)), "OLE error 00000002");
  EXPECT_EQ(statusText(status(0x800A01A8)), "OLE error 800A01A8");
}

}  // namespace
}  // namespace cardwharf::automation
