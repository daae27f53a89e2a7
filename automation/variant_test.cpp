#include "automation/variant.h"

#include <gtest/gtest.h>

namespace cardwharf::automation {
namespace {

// An object that only counts its references.
class Counted final : public IDispatch {
 public:
  int refs = 1;
  HRESULT QueryInterface(const IID&, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG Release() override { return static_cast<ULONG>(--refs); }
  HRESULT GetIDsOfNames(const IID&, OLECHAR**, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, const IID&, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                 UINT*) override {
    return E_NOTIMPL;
  }
};

TEST(VariantTest, ClearingFreesAStringAndReleasesAnObject) {
  std::int64_t strings = liveStringCount();
  Variant s;
  s.get()->vt = VT_BSTR;
  s.get()->bstrVal = SysAllocString(u"x");
  s.clear();
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(liveStringCount(), strings);

  Counted object;
  {
    Variant v;
    v.adoptDispatch(&object);
    EXPECT_EQ(v.dispatch(), &object);
    Variant copy = v;  // another reference
    EXPECT_EQ(object.refs, 2);
  }
  EXPECT_EQ(object.refs, 0);
}

TEST(VariantTest, AReferenceToAStringOwnsNothing) {
  Bstr held(u"held");
  {
    Variant v;
    v.get()->vt = VT_BSTR | VT_BYREF;
    v.get()->pbstrVal = held.slot();
  }
  EXPECT_EQ(held.units(), u"held");
}

TEST(VariantTest, OnlyANonNullObjectIsADispatch) {
  Variant v;
  EXPECT_EQ(v.dispatch(), nullptr);
  v.adoptDispatch(nullptr);
  EXPECT_EQ(v.kind(), VT_DISPATCH);
  EXPECT_EQ(v.dispatch(), nullptr);
  v.get()->vt = VT_I4;
  v.get()->lVal = 5;
  EXPECT_EQ(v.dispatch(), nullptr);
  VARIANT odd;
  odd.vt = 0x77;
  EXPECT_EQ(VariantClear(&odd), DISP_E_BADVARTYPE);
}

}  // namespace
}  // namespace cardwharf::automation
