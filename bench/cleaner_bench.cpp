// cleaner-bench: the line-break cleaner's throughput against a plain copy of
// the same export on the same disk, and the peak memory of the run.
//
//   cleaner-bench [--mb N] [--dir FOLDER]
//
// It writes an export of about N MB (default 200) into a new folder below
// FOLDER (default $TMPDIR or /tmp), then, three times each, copies it plainly
// in blocks of the cleaner's size and runs a conversion with an address book
// that keeps nothing, timing the cleaner's pass. The best of each is printed.

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/export_generator.h"
#include "convert/conversion.h"

namespace {

using Clock = std::chrono::steady_clock;
using cardwharf::Conversion;

double seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The plain copy: read and write in blocks, nothing else.
double plainCopy(const std::string& from, const std::string& to) {
  auto start = Clock::now();
  int in = ::open(from.c_str(), O_RDONLY);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (in < 0 || out < 0) std::exit(2);
  auto block = std::make_unique<char[]>(Conversion::kCopyBlockSize);
  for (;;) {
    ssize_t n = ::read(in, block.get(), Conversion::kCopyBlockSize);
    if (n <= 0) break;
    if (::write(out, block.get(), static_cast<std::size_t>(n)) != n) std::exit(2);
  }
  ::close(in);
  ::close(out);
  return seconds(Clock::now() - start);
}

// Times the cleaner's pass from the display's calls: from the status that
// starts the copy to the status that follows the closes.
class TimingDisplay final : public cardwharf::RunDisplay {
 public:
  std::string name;
  Clock::time_point copyStart, copyEnd;
  int errors = 0;

  std::string fileName() override { return name; }
  void setStatus(const std::string& text) override {
    if (text == "Removing embedded CR/LF pairs, please wait.") copyStart = Clock::now();
    if (text == "Preparing to import, please wait.") copyEnd = Clock::now();
  }
  void setBusy(bool) override {}
  void processPendingEvents() override {}
  void showError(const std::string& message) override {
    std::fprintf(stderr, "%s\n", message.c_str());
    ++errors;
  }
  void closeMainWindow() override {}
};

class NullTarget final : public cardwharf::BookTarget {
 public:
  long rows = 0;
  cardwharf::OpenSessionResult openSession() override {
    return cardwharf::OpenSessionResult::opened;
  }
  bool openBook() override { return true; }
  void postRow(cardwharf::fieldtyp&) override { ++rows; }
  void runEnded() noexcept override {}
};

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t mb = 200;
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string opt = argv[i];
    if (opt == "--mb") {
      mb = std::strtoull(argv[i + 1], nullptr, 10);
    } else if (opt == "--dir") {
      base = argv[i + 1];
    } else {
      std::fprintf(stderr, "usage: cleaner-bench [--mb N] [--dir FOLDER]\n");
      return 2;
    }
  }
  std::string dir = base + "/cleaner-bench-" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  std::string exportPath = dir + "/export.csv";
  std::uint64_t contacts = cardwharf::bench::writeExport(exportPath, 0, mb << 20);
  double bytes = static_cast<double>(std::filesystem::file_size(exportPath));

  double bestCopy = 1e9, bestClean = 1e9;
  long rows = 0;
  for (int round = 0; round < 3; ++round) {
    bestCopy = std::min(bestCopy, plainCopy(exportPath, dir + "/copy.bin"));
    TimingDisplay display;
    NullTarget target;
    display.name = exportPath;
    Conversion conversion(display, target);
    conversion.Button1Click();
    if (display.errors != 0) return 1;
    bestClean = std::min(bestClean, seconds(display.copyEnd - display.copyStart));
    rows = target.rows;
  }
  std::filesystem::remove_all(dir);

  struct rusage usage;
  ::getrusage(RUSAGE_SELF, &usage);
  double copyRate = bytes / bestCopy / 1e6;
  double cleanRate = bytes / bestClean / 1e6;
  std::printf("export:        %.1f MB, %llu contacts (%ld rows read back)\n", bytes / 1e6,
              static_cast<unsigned long long>(contacts), rows);
  std::printf("cleaner:       %.3f s, %.0f MB/s\n", bestClean, cleanRate);
  std::printf("plain copy:    %.3f s, %.0f MB/s\n", bestCopy, copyRate);
  std::printf("cleaner/copy:  %.2f\n", cleanRate / copyRate);
  std::printf("peak memory:   %ld kB\n", usage.ru_maxrss);
  return 0;
}
