// Runs a program for a test and collects what it wrote and how it ended.
// For tests only.

#ifndef CARDWHARF_TESTING_RUN_PROCESS_H_
#define CARDWHARF_TESTING_RUN_PROCESS_H_

#include <string>
#include <vector>

namespace cardwharf::testing {

struct ProcessResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs `argv[0]` with `argv`, standard input empty, in the current
// environment; waits for it to end.
ProcessResult runProcess(const std::vector<std::string>& argv);

}  // namespace cardwharf::testing

#endif  // CARDWHARF_TESTING_RUN_PROCESS_H_
