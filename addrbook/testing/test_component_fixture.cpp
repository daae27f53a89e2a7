#include "addrbook/testing/test_component_fixture.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "automation/bstr.h"
#include "automation/runtime.h"

namespace cardwharf::testing {
namespace {

TestComponentControl& loadControl() {
  void* handle = ::dlopen(TEST_COMPONENT, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) throw std::runtime_error(::dlerror());
  auto get = reinterpret_cast<TestComponentControl* (*)()>(::dlsym(handle, "testComponentControl"));
  if (get == nullptr) throw std::runtime_error("no testComponentControl");
  return *get();  // the library stays loaded, as the runtime keeps it
}

}  // namespace

TestComponentTest::TestComponentTest() : control(loadControl()) {
  control.reset();
  env.set("XDG_DATA_HOME", home.path()).set("XDG_DATA_DIRS", home.file("none"));
  std::filesystem::create_directories(home.file("automation/classes"));
  home.write("automation/classes/CorvantisGroupWareSession.class",
             "CLSID={C0F1A7E5-2B3D-4C5E-8F90-A1B2C3D4E5F6}\nInprocServer=" +
                 std::string(TEST_COMPONENT) + "\n");
  automation::CoInitialize(nullptr);
  strings = automation::liveStringCount();
}

TestComponentTest::~TestComponentTest() {
  automation::CoUninitialize();
}

void TestComponentTest::TearDown() {
  releaseAll();
  EXPECT_TRUE(control.live.empty()) << "objects left: " << control.live.size() << ", first "
                                    << (control.live.empty() ? "" : control.live.begin()->first);
  EXPECT_EQ(automation::liveStringCount(), strings) << "BSTRs left";
}

std::vector<std::string> TestComponentTest::calls() const {
  std::vector<std::string> out;
  for (const std::string& line : control.log) {
    if (line.rfind("destroy ", 0) != 0) out.push_back(line);
  }
  return out;
}

std::vector<std::string> TestComponentTest::linesStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& line : control.log) {
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  }
  return out;
}

void TestComponentTest::unregister() {
  std::filesystem::remove(home.file("automation/classes/CorvantisGroupWareSession.class"));
}

}  // namespace cardwharf::testing
