// The cost of one late-bound member call of the address book link, on a
// trivial server: a call with no arguments that wants a result, and a call
// shaped like a field's "add" (a string by value, the integer 1, a string by
// reference) that wants none. Google Benchmark prints the figures.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "addrbook/automation_call.h"
#include "automation/runtime.h"

namespace {

using cardwharf::Argument;
using cardwharf::automation::Variant;

// Registers the trivial server in a fresh data folder and makes one object.
class TinyServer {
 public:
  TinyServer() {
    char pattern[] = "/tmp/call-member-bench-XXXXXX";
    folder_ = ::mkdtemp(pattern);
    std::filesystem::create_directories(folder_ + "/automation/classes");
    std::ofstream(folder_ + "/automation/classes/Tiny.class")
        << "CLSID={6A0F1E22-0C6B-4F0E-9A51-3C1D2E4F5A60}\nInprocServer=" << TINY_SERVER << "\n";
    ::setenv("XDG_DATA_HOME", folder_.c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (folder_ + "/none").c_str(), 1);
    cardwharf::automation::CoInitialize(nullptr);
    object = cardwharf::createObject("Tiny");
  }
  ~TinyServer() {
    object.clear();
    cardwharf::automation::CoUninitialize();
    std::filesystem::remove_all(folder_);
  }
  Variant object;

 private:
  std::string folder_;
};

TinyServer& server() {
  static TinyServer s;
  return s;
}

void BM_CallWithResult(benchmark::State& state) {
  Variant result;
  for (auto _ : state) {
    cardwharf::callMember(server().object, "Ping", {}, &result);
    benchmark::DoNotOptimize(result.dispatch());
  }
}
BENCHMARK(BM_CallWithResult);

void BM_FieldAddCall(benchmark::State& state) {
  std::string value = "+47 22 12 34 56";
  for (auto _ : state) {
    cardwharf::callMember(server().object, "Take",
                          {Argument::byValue("Office Phone Number"), Argument::integer(1),
                           Argument::byReference(value)},
                          nullptr);
  }
}
BENCHMARK(BM_FieldAddCall);

}  // namespace

BENCHMARK_MAIN();
