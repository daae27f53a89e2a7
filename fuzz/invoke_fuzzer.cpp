// Fuzzes the Quillmere component's argument handling through Invoke: every
// object of a logged-in session, every member number, every call kind, and
// argument lists of arbitrary counts, kinds and strings. A call may succeed
// or fail with a status; it must never crash, never leak a string, and
// never leave an object behind that its caller did not get.

#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "addrbook/automation_call.h"
#include "automation/bstr.h"
#include "automation/interfaces.h"
#include "automation/runtime.h"
#include "automation/variant.h"
#include "quillmere/registration.h"

using namespace cardwharf;
using namespace cardwharf::automation;

namespace {

// One object of each kind, made once through the link's own calls.
std::vector<Variant>& objects() {
  static std::vector<Variant> all = [] {
    const char* shm = "/dev/shm";
    std::string base = std::filesystem::is_directory(shm) ? shm : "/tmp";
    std::string home = base + "/invoke-fuzzer-XXXXXX";
    if (::mkdtemp(home.data()) == nullptr) std::abort();
    static std::string made = home;
    std::atexit([] { std::filesystem::remove_all(made); });
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (home + "/none").c_str(), 1);
    // Enough room to exercise the stores' writes, never the whole disk.
    ::setenv("QUILLMERE_STORE_MAX_PAGES", "4096", 1);
    quillmere::registerComponent(QUILLMERE_COMPONENT);
    CoInitialize(nullptr);
    std::vector<Variant> v(7);
    v[0] = createObject("CorvantisGroupWareSession");
    callMember(v[0], "Login", {}, nullptr);
    callMember(v[0], "RootAccount", {}, &v[1]);
    callMember(v[1], "AddressBooks", {}, &v[2]);
    callMember(v[2], "Add", {Argument::byValue("book")}, &v[3]);
    callMember(v[3], "AddressBookEntries", {}, &v[4]);
    std::string name = "entry";
    callMember(v[4], "Add", {Argument::byReference(name)}, &v[5]);
    callMember(v[5], "Fields", {}, &v[6]);
    return v;
  }();
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<Variant>& all = objects();
  std::int64_t strings = liveStringCount();
  FuzzedDataProvider in(data, size);
  IDispatch* object = all[in.ConsumeIntegralInRange<std::size_t>(0, all.size() - 1)].dispatch();

  // A name lookup with an arbitrary name.
  std::u16string name;
  for (std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 24); n > 0; --n) {
    name += static_cast<char16_t>(in.ConsumeIntegral<std::uint16_t>());
  }
  OLECHAR* names[] = {name.data()};
  DISPID looked = 0;
  object->GetIDsOfNames(IID_NULL, names, 1, GetThreadLocale(), &looked);

  DISPID id = in.ConsumeIntegralInRange<DISPID>(-2, 4);
  WORD flags = in.ConsumeIntegral<WORD>();
  UINT count = in.ConsumeIntegralInRange<UINT>(0, 5);
  std::vector<VARIANT> args(count);
  std::vector<Bstr> held(count);
  std::int32_t number = 0;
  for (UINT i = 0; i < count; ++i) {
    VARIANT& v = args[i];
    std::string text = in.ConsumeRandomLengthString(64);
    switch (in.ConsumeIntegralInRange<int>(0, 8)) {
      case 0:
        v.vt = VT_EMPTY;
        break;
      case 1:
        v.vt = VT_I4;
        v.lVal = in.ConsumeIntegral<std::int32_t>();
        break;
      case 2:
        held[i] = Bstr(std::u16string(text.begin(), text.end()));
        v.vt = VT_BSTR;
        v.bstrVal = held[i].get();
        break;
      case 3:
        held[i] = Bstr(std::u16string(text.begin(), text.end()));
        v.vt = VT_BSTR | VT_BYREF;
        v.pbstrVal = held[i].slot();
        break;
      case 4:
        v.vt = VT_BSTR | VT_BYREF;
        v.pbstrVal = nullptr;
        break;
      case 5:
        v.vt = VT_BSTR;
        v.bstrVal = nullptr;  // a null BSTR stands for an empty string
        break;
      case 6:
        v.vt = VT_DISPATCH;
        v.pdispVal = nullptr;
        break;
      case 7:
        v.vt = VT_I4 | VT_BYREF;
        v.plVal = in.ConsumeBool() ? &number : nullptr;
        break;
      default:
        v.vt = in.ConsumeIntegral<VARTYPE>() & static_cast<VARTYPE>(~VT_BYREF);
        v.lVal = 0;
        break;
    }
  }
  DISPID namedId = 0;
  DISPPARAMS params;
  params.rgvarg = args.empty() ? nullptr : args.data();
  params.cArgs = count;
  if (count > 0 && in.ConsumeBool()) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &namedId;
  }
  bool wantResult = in.ConsumeBool();
  bool wantException = in.ConsumeBool();
  Variant result;
  EXCEPINFO info;
  object->Invoke(id, IID_NULL, 0, flags, in.ConsumeBool() ? &params : nullptr,
                 wantResult ? result.get() : nullptr, wantException ? &info : nullptr, nullptr);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  result.clear();
  held.clear();
  if (liveStringCount() != strings) std::abort();  // the component leaked a string
  return 0;
}
