// store-bench: contacts stored through the Quillmere component (one entry
// and seventeen fields, 36 member calls, as the address book link posts a
// row) against the store's floor, the same commits straight through SQLite,
// in the same run and on the same disk. The two take turns in blocks of 500
// contacts, so that both see the same state of the disk.
//
//   store-bench [--contacts N] [--dir FOLDER]

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "addrbook/quillmere_target.h"
#include "automation/runtime.h"
#include "bench/store_floor.h"
#include "quillmere/registration.h"

int main(int argc, char** argv) {
  long contacts = 20000;
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string opt = argv[i];
    if (opt == "--contacts") {
      contacts = std::strtol(argv[i + 1], nullptr, 10);
    } else if (opt == "--dir") {
      base = argv[i + 1];
    } else {
      std::fprintf(stderr, "usage: store-bench [--contacts N] [--dir FOLDER]\n");
      return 2;
    }
  }
  std::string home = base + "/store-bench-" + std::to_string(::getpid());
  std::filesystem::create_directories(home);
  ::setenv("XDG_DATA_HOME", home.c_str(), 1);
  ::setenv("XDG_DATA_DIRS", (home + "/none").c_str(), 1);
  cardwharf::quillmere::registerComponent(QUILLMERE_COMPONENT);
  cardwharf::automation::CoInitialize(nullptr);

  double component = 0;
  double floor = 0;
  {
    cardwharf::QuillmereTarget target;
    if (target.openSession() != cardwharf::OpenSessionResult::opened || !target.openBook()) {
      std::fprintf(stderr, "store-bench: the component did not open\n");
      return 1;
    }
    cardwharf::bench::StoreFloor direct(home + "/floor.sqlite3");
    cardwharf::fieldtyp row;
    for (int c : {5, 6, 7, 9, 10, 11, 12, 14, 15, 19, 25, 26, 27, 31}) row[c] = "+47 22 12 34 56";
    const long kBlock = 500;
    for (long done = 0; done < contacts; done += kBlock) {
      long block = std::min(kBlock, contacts - done);
      auto start = std::chrono::steady_clock::now();
      for (long n = done; n < done + block; ++n) {
        row[16] = "Person";
        row[24] = std::to_string(n);
        target.postRow(row);
      }
      component += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      floor += direct.store(block);
    }
    target.release();
  }
  cardwharf::automation::CoUninitialize();
  std::filesystem::remove_all(home);

  double componentRate = contacts / component;
  double floorRate = contacts / floor;
  std::printf("contacts:          %ld (18 commits each)\n", contacts);
  std::printf("through component: %.0f contacts/s (%.2f s)\n", componentRate, component);
  std::printf("store floor:       %.0f contacts/s (%.2f s)\n", floorRate, floor);
  std::printf("component/floor:   %.2f\n", componentRate / floorRate);
  std::printf("peak memory:       %ld kB\n", cardwharf::bench::peakRssKb());
  return 0;
}
