// What SQLite's own check says of a store file, for tests: "ok" when it is
// sound. For tests only.

#ifndef CARDWHARF_QUILLMERE_TESTING_STORE_CHECK_H_
#define CARDWHARF_QUILLMERE_TESTING_STORE_CHECK_H_

#include <string>

namespace cardwharf::testing {

// The first line of PRAGMA integrity_check on the store at `path`, opened
// read-only; "no answer" when it cannot be opened, "no answer: " and
// SQLite's reason when it opens and cannot be asked.
std::string integrityOf(const std::string& path);

}  // namespace cardwharf::testing

#endif  // CARDWHARF_QUILLMERE_TESTING_STORE_CHECK_H_
