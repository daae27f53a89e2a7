// The fixture of the component's tests: a fresh XDG data folder with the
// Quillmere component registered in it, and the runtime initialised. For
// tests only.

#ifndef CARDWHARF_QUILLMERE_TESTING_QUILLMERE_HOME_H_
#define CARDWHARF_QUILLMERE_TESTING_QUILLMERE_HOME_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quillmere/store.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

namespace cardwharf::testing {

class QuillmereHome : public ::testing::Test {
 protected:
  QuillmereHome();
  ~QuillmereHome() override;

  std::string storePath() const { return home.file("quillmere/store.sqlite3"); }

  // The entries of the user's book `book`, read straight from the store.
  std::vector<quillmere::StoredEntry> entriesOf(const std::string& book) const;

  TempDir home;
  ScopedEnv env;
};

// The login name of the user the tests run as.
std::string currentLogin();

}  // namespace cardwharf::testing

#endif  // CARDWHARF_QUILLMERE_TESTING_QUILLMERE_HOME_H_
