// The fixture of the link's tests: the test component registered as
// "CorvantisGroupWareSession" in a fresh XDG data folder, the runtime
// initialised, and the component's control reset. On tear-down it checks
// that no object and no BSTR is left. For tests only.

#ifndef CARDWHARF_ADDRBOOK_TESTING_TEST_COMPONENT_FIXTURE_H_
#define CARDWHARF_ADDRBOOK_TESTING_TEST_COMPONENT_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "addrbook/testing/test_component_control.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

namespace cardwharf::testing {

class TestComponentTest : public ::testing::Test {
 protected:
  TestComponentTest();
  ~TestComponentTest() override;
  void TearDown() override;

  // Called by TearDown before the leak checks: gives up what the test holds.
  virtual void releaseAll() {}

  // The component's log without "destroy" lines.
  std::vector<std::string> calls() const;
  // The log lines that begin with `prefix`.
  std::vector<std::string> linesStartingWith(const std::string& prefix) const;
  // Removes the component's registration.
  void unregister();

  TestComponentControl& control;
  TempDir home;
  ScopedEnv env;
  std::int64_t strings = 0;
};

}  // namespace cardwharf::testing

#endif  // CARDWHARF_ADDRBOOK_TESTING_TEST_COMPONENT_FIXTURE_H_
