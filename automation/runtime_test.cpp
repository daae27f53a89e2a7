#include "automation/runtime.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "automation/charset.h"
#include "automation/com_ptr.h"
#include "automation/interfaces.h"
#include "automation/registry.h"
#include "automation/variant.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

namespace cardwharf::automation {
namespace {

using cardwharf::testing::ScopedEnv;
using cardwharf::testing::TempDir;

const char* kClsid = "{6A0F1E22-0C6B-4F0E-9A51-3C1D2E4F5A60}";

int tinyLiveObjects() {
  void* handle = ::dlopen(TINY_SERVER, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return 0;
  auto count = reinterpret_cast<int (*)()>(::dlsym(handle, "tinyServerLiveObjects"));
  int n = count != nullptr ? count() : -1;
  ::dlclose(handle);
  return n;
}

class RuntimeTest : public ::testing::Test {
 protected:
  RuntimeTest() {
    env.set("XDG_DATA_HOME", home.path()).set("XDG_DATA_DIRS", home.file("none"));
    std::filesystem::create_directories(home.file("automation/classes"));
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
  }
  ~RuntimeTest() override { CoUninitialize(); }

  void registerClass(const std::string& name, const std::string& library,
                     const char* clsid = kClsid) {
    home.write("automation/classes/" + name + ".class",
               std::string("CLSID=") + clsid + "\nInprocServer=" + library + "\n");
  }

  HRESULT create(const std::string& name, ComPtr<IDispatch>* out,
                 DWORD context = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER) {
    std::u16string wide = toWide(name);
    CLSID clsid;
    if (HRESULT hr = CLSIDFromProgID(wide.c_str(), &clsid); FAILED(hr)) return hr;
    return CoCreateInstance(clsid, nullptr, context, IID_IDispatch, out->putVoid());
  }

  TempDir home;
  ScopedEnv env;
};

TEST_F(RuntimeTest, CreatesAnObjectOfARegisteredClass) {
  registerClass("Tiny", TINY_SERVER);
  ComPtr<IDispatch> object;
  ASSERT_EQ(create("Tiny", &object), S_OK);
  ASSERT_TRUE(object);
  EXPECT_EQ(tinyLiveObjects(), 1);
  object.reset();
  EXPECT_EQ(tinyLiveObjects(), 0);
  // A local server alone is served in-process as well; a remote one is not.
  ASSERT_EQ(create("Tiny", &object, CLSCTX_LOCAL_SERVER), S_OK);
  EXPECT_EQ(create("Tiny", &object, CLSCTX_REMOTE_SERVER), REGDB_E_CLASSNOTREG);
}

TEST_F(RuntimeTest, RefusalsAreStatusesNeverCrashes) {
  registerClass("Relative", "tiny.so", "{00000000-0000-0000-0000-0000000000A1}");
  registerClass("Missing", home.file("missing.so"), "{00000000-0000-0000-0000-0000000000A2}");
  registerClass("NoEntry", NO_ENTRY_LIBRARY, "{00000000-0000-0000-0000-0000000000A3}");
  std::string notElf = home.write("not-elf.so", "this is no library");
  registerClass("NotElf", notElf, "{00000000-0000-0000-0000-0000000000A4}");
  std::string writable = home.file("writable.so");
  std::filesystem::copy_file(TINY_SERVER, writable);
  ::chmod(writable.c_str(), 0777);
  registerClass("Writable", writable, "{00000000-0000-0000-0000-0000000000A5}");

  struct Case {
    const char* name;
    HRESULT status;
  };
  for (const Case& c :
       {Case{"Unregistered", CO_E_CLASSSTRING}, Case{"Relative", REGDB_E_INVALIDVALUE},
        Case{"Missing", CO_E_DLLNOTFOUND}, Case{"NoEntry", CO_E_ERRORINDLL},
        Case{"NotElf", CO_E_DLLNOTFOUND}, Case{"Writable", E_ACCESSDENIED}}) {
    ComPtr<IDispatch> object;
    EXPECT_EQ(create(c.name, &object), c.status) << c.name;
    EXPECT_FALSE(object) << c.name;
  }
}

TEST_F(RuntimeTest, AggregationIsRefused) {
  registerClass("Tiny", TINY_SERVER);
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(u"Tiny", &clsid), S_OK);
  void* out = nullptr;
  class Outer final : public IUnknown {
   public:
    HRESULT QueryInterface(const IID&, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
  } outer;
  EXPECT_EQ(CoCreateInstance(clsid, &outer, CLSCTX_INPROC_SERVER, IID_IDispatch, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
}

TEST(ApartmentTest, InitialisationCountsAndModes) {
  std::thread([] {
    EXPECT_FALSE(isApartmentInitialized());
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    EXPECT_TRUE(isApartmentInitialized());
    CoUninitialize();
    EXPECT_FALSE(isApartmentInitialized());
  }).join();
}

TEST(ApartmentTest, AThreadWithoutTheRuntimeCanNeitherLookUpNorCreateNorCall) {
  TempDir home;
  ScopedEnv env;
  env.set("XDG_DATA_HOME", home.path()).set("XDG_DATA_DIRS", home.file("none"));
  std::filesystem::create_directories(home.file("automation/classes"));
  home.write("automation/classes/Tiny.class",
             std::string("CLSID=") + kClsid + "\nInprocServer=" + TINY_SERVER + "\n");

  ComPtr<IDispatch> made;
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(u"Tiny", &clsid), S_OK);
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, made.putVoid()),
            S_OK);

  std::thread([&] {
    CLSID c;
    EXPECT_EQ(CLSIDFromProgID(u"Tiny", &c), CO_E_NOTINITIALIZED);
    void* out = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &out),
              CO_E_NOTINITIALIZED);
    DISPPARAMS none;
    EXPECT_EQ(made->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              CO_E_NOTINITIALIZED);
  }).join();
  made.reset();
  CoUninitialize();
}

}  // namespace
}  // namespace cardwharf::automation
