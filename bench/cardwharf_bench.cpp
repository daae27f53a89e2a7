// cardwharf-bench: one conversion exactly as the Convert button runs it (the
// same Button1Click, the real automation runtime and the real Quillmere
// component, a store in a temporary XDG home), with a display that shows
// nothing but keeps a record. Every message the run shows is printed on
// standard error as it comes; the exit status is 1 when the run showed any.
//
//   cardwharf-bench [--contacts N | --export FILE] [--home DIR] [--cleaner-only] [--json]
//
// --contacts N    generates a realistic export of N contacts (default 10000)
// --export FILE   converts FILE instead (qmcnvt.cvt is written beside it)
// --home DIR      keeps the store in DIR instead of a temporary folder
// --cleaner-only  no address book: the rows are read back but not stored,
//                 for exports too large to import in a benchmark
// --json          prints one JSON object instead of lines for a person
//
// Figures, from one run on the same disk: the cleaner against a plain copy of
// the export, and the import against the store's floor (the same commits
// straight through SQLite, half measured before the run and half after).

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "addrbook/quillmere_target.h"
#include "automation/runtime.h"
#include "bench/export_generator.h"
#include "bench/headless_display.h"
#include "bench/store_floor.h"
#include "convert/conversion.h"
#include "quillmere/export_formats.h"
#include "quillmere/registration.h"

namespace {

using Clock = std::chrono::steady_clock;
using cardwharf::BookTarget;
using cardwharf::fieldtyp;
using cardwharf::OpenSessionResult;

double seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Counts the rows that reached the address book; with no book behind it,
// stores nothing.
class CountingTarget final : public BookTarget {
 public:
  explicit CountingTarget(BookTarget* inner) : inner_(inner) {}
  OpenSessionResult openSession() override {
    return inner_ ? inner_->openSession() : OpenSessionResult::opened;
  }
  bool openBook() override { return inner_ ? inner_->openBook() : true; }
  void postRow(fieldtyp& row) override {
    if (inner_) inner_->postRow(row);
    ++posted;
  }
  void runEnded() noexcept override {
    if (inner_) inner_->runEnded();
  }
  long posted = 0;

 private:
  BookTarget* inner_;
};

// A plain copy of `from` beside it, in blocks of the cleaner's size; gives
// the seconds it took, or a negative number when it failed.
double plainCopy(const std::string& from) {
  std::string to = from + ".plain-copy";
  auto start = Clock::now();
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  bool ok = in >= 0 && out >= 0;
  std::vector<char> block(cardwharf::Conversion::kCopyBlockSize);
  while (ok) {
    ssize_t n = ::read(in, block.data(), block.size());
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    ok = ::write(out, block.data(), static_cast<std::size_t>(n)) == n;
  }
  if (in >= 0) ::close(in);
  if (out >= 0) ok = ::close(out) == 0 && ok;
  double took = seconds(Clock::now() - start);
  ::unlink(to.c_str());
  return ok ? took : -1;
}

int usage() {
  std::fprintf(stderr,
               "usage: cardwharf-bench [--contacts N | --export FILE] [--home DIR] "
               "[--cleaner-only] [--json]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long contacts = 10000;
  std::string exportFile, homeDir;
  bool cleanerOnly = false, json = false;
  for (int i = 1; i < argc; ++i) {
    std::string opt = argv[i];
    if (opt == "--contacts" && i + 1 < argc) {
      contacts = std::strtol(argv[++i], nullptr, 10);
    } else if (opt == "--export" && i + 1 < argc) {
      exportFile = argv[++i];
    } else if (opt == "--home" && i + 1 < argc) {
      homeDir = argv[++i];
    } else if (opt == "--cleaner-only") {
      cleanerOnly = true;
    } else if (opt == "--json") {
      json = true;
    } else {
      return usage();
    }
  }

  bool temporaryHome = homeDir.empty();
  if (temporaryHome) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/cardwharf-bench-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
      std::perror("cardwharf-bench: mkdtemp");
      return 2;
    }
    homeDir = name.data();
  }
  std::filesystem::create_directories(homeDir);
  homeDir = std::filesystem::absolute(homeDir).string();
  ::setenv("XDG_DATA_HOME", homeDir.c_str(), 1);
  ::setenv("XDG_DATA_DIRS", (homeDir + "/none").c_str(), 1);

  try {
    cardwharf::quillmere::registerComponent(QUILLMERE_COMPONENT);
    bool generated = exportFile.empty();
    if (generated) {
      exportFile = homeDir + "/export.csv";
      cardwharf::bench::writeExport(exportFile, static_cast<std::uint64_t>(contacts), 0);
    }
    // An export that is not a file is the run's to report, not the benchmark's.
    std::error_code ec;
    std::uint64_t exportBytes = std::filesystem::is_regular_file(exportFile, ec)
                                    ? std::filesystem::file_size(exportFile, ec)
                                    : 0;
    double copy = plainCopy(exportFile);

    std::unique_ptr<cardwharf::bench::StoreFloor> floor;
    double floorSeconds = 0;
    long floorContacts = 0;
    if (!cleanerOnly) {
      floor = std::make_unique<cardwharf::bench::StoreFloor>(homeDir + "/floor.sqlite3");
      if (generated) {
        floorContacts = contacts / 2;
        floorSeconds += floor->store(floorContacts);
      }
    }

    bool runtime = cardwharf::automation::SUCCEEDED(cardwharf::automation::CoInitialize(nullptr));
    cardwharf::bench::HeadlessDisplay display(exportFile, true);
    Clock::time_point end;
    long posted = 0;
    {
      cardwharf::QuillmereTarget quillmere;
      CountingTarget target(cleanerOnly ? nullptr : &quillmere);
      cardwharf::Conversion conversion(display, target);
      try {
        conversion.Button1Click();
      } catch (const std::exception& e) {
        display.recordFailure(e.what());
      }
      end = Clock::now();
      posted = target.posted;
      quillmere.release();
    }
    if (runtime) cardwharf::automation::CoUninitialize();

    if (floor) {
      long rest = std::max(0L, posted - floorContacts);
      floorSeconds += floor->store(rest);
      floorContacts += rest;
      floor.reset();
    }

    double cleaner = display.cleanerSeconds();
    double import = display.importSeconds(end);
    double mb = static_cast<double>(exportBytes) / 1e6;
    double cleanerRate = cleaner > 0 ? mb / cleaner : 0;
    double copyRate = copy > 0 ? mb / copy : 0;
    double importRate = import > 0 ? posted / import : 0;
    double floorRate = floorSeconds > 0 ? floorContacts / floorSeconds : 0;
    long rss = cardwharf::bench::peakRssKb();

    if (json) {
      using cardwharf::quillmere::jsonString;
      std::string messages = "[";
      for (std::size_t i = 0; i < display.messages().size(); ++i) {
        messages += (i > 0 ? ", " : "") + jsonString(display.messages()[i]);
      }
      messages += "]";
      std::printf(
          "{\"contacts\": %ld, \"export_bytes\": %llu, \"cleaner_seconds\": %.4f, "
          "\"cleaner_mb_per_s\": %.1f, \"copy_mb_per_s\": %.1f, \"cleaner_to_copy\": %.3f, "
          "\"import_seconds\": %.4f, \"contacts_per_s\": %.1f, \"floor_contacts_per_s\": %.1f, "
          "\"import_to_floor\": %.3f, \"peak_rss_kb\": %ld, \"messages\": %s, \"status\": %s}\n",
          posted, static_cast<unsigned long long>(exportBytes), cleaner, cleanerRate, copyRate,
          copyRate > 0 ? cleanerRate / copyRate : 0, import, importRate, floorRate,
          floorRate > 0 ? importRate / floorRate : 0, rss, messages.c_str(),
          jsonString(display.status()).c_str());
    } else {
      std::printf("contacts posted:   %ld\n", posted);
      std::printf("export:            %.1f MB\n", mb);
      std::printf("cleaner:           %.3f s, %.0f MB/s\n", cleaner, cleanerRate);
      std::printf("plain copy:        %.0f MB/s (cleaner/copy %.2f)\n", copyRate,
                  copyRate > 0 ? cleanerRate / copyRate : 0);
      if (!cleanerOnly) {
        std::printf("import:            %.3f s, %.0f contacts/s\n", import, importRate);
        std::printf("store floor:       %.0f contacts/s (import/floor %.2f)\n", floorRate,
                    floorRate > 0 ? importRate / floorRate : 0);
      }
      std::printf("peak memory:       %ld kB\n", rss);
      std::printf("status line:       %s\n", display.status().c_str());
    }
    std::fflush(stdout);
    if (temporaryHome) std::filesystem::remove_all(homeDir);
    return display.messages().empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cardwharf-bench: %s\n", e.what());
    if (temporaryHome) std::filesystem::remove_all(homeDir);
    return 2;
  }
}
