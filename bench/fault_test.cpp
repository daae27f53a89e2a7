// The whole program under faults: a full disk, a full store, a kill at a
// random moment, a store held by another program, and exports that are not
// exports. Each runs a real conversion (the benchmark program, or the engine
// in this process) on the real runtime and component, and checks that no
// data is lost.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "addrbook/quillmere_target.h"
#include "automation/charset.h"
#include "automation/runtime.h"
#include "bench/export_generator.h"
#include "bench/headless_display.h"
#include "convert/conversion.h"
#include "convert/row_reader.h"
#include "convert/testing/reference_cleaner.h"
#include "quillmere/registration.h"
#include "quillmere/store.h"
#include "quillmere/testing/store_check.h"
#include "testing/run_process.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

namespace cardwharf {
namespace {

using testing::TempDir;

const std::vector<std::string> kRunMessages = {
    "Unable to open import file.",    "Unable to create OLE link to Quillmere!",
    "Unable to access Quillmere!",    "Unable to access or create address book!",
    "Unable to create output file!",  "Unable to open file qmcnvt.cvt.",
    "Unable to read file qmcnvt.cvt."};

struct BenchRun {
  int exitCode = -1;  // -1: it did not exit by itself
  int signal = 0;
  long contacts = -1;
  std::vector<std::string> messages;
  std::string out, err;
};

// Reads the figures that the tests look at from the benchmark's JSON line.
void parse(BenchRun& run) {
  std::smatch m;
  if (std::regex_search(run.out, m, std::regex("\"contacts\": (\\d+)"))) {
    run.contacts = std::stol(m[1]);
  }
  // The messages are printed on standard error, one a line, as they come.
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line);) run.messages.push_back(line);
}

// Runs cardwharf-bench with `args`; `setup` runs in the child before the
// program starts (to set a limit, say).
BenchRun bench(std::vector<std::string> args, const std::function<void()>& setup = nullptr) {
  args.insert(args.begin(), CARDWHARF_BENCH);
  args.push_back("--json");
  if (!setup) {
    testing::ProcessResult r = testing::runProcess(args);
    BenchRun run{r.exitCode, 0, -1, {}, r.out, r.err};
    parse(run);
    return run;
  }
  TempDir capture;
  std::string out = capture.file("out"), err = capture.file("err");
  pid_t pid = ::fork();
  if (pid == 0) {
    int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(o, 1);
    ::dup2(e, 2);
    setup();
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  BenchRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  run.out = testing::readFile(out);
  run.err = testing::readFile(err);
  parse(run);
  return run;
}

std::string login() {
  return ::getpwuid(::geteuid())->pw_name;
}

// Where the component keeps the store of a user whose home is `home`.
std::string storeIn(const std::string& home) {
  return home + "/quillmere/store.sqlite3";
}

std::vector<quillmere::StoredEntry> storedEntries(const std::string& home) {
  std::vector<quillmere::StoredEntry> out;
  std::string path = storeIn(home);
  if (!std::filesystem::exists(path)) return out;
  auto store = quillmere::Store::open(path, quillmere::Store::Mode::readOnly);
  auto account = store->findAccount(login());
  if (!account) return out;
  auto book = store->findBook(*account, "from Schedule+");
  if (!book) return out;
  store->forEachEntry(*book, [&](const quillmere::StoredEntry& e) { out.push_back(e); });
  return out;
}

std::string integrityOf(const std::string& home) {
  return testing::integrityOf(storeIn(home));
}

// The entry names that the export's contacts give, in order, worked out
// from the export by the byte-at-a-time cleaner and the row reader.
std::vector<std::string> expectedNames(const std::string& exportPath) {
  std::string cleaned = testing::referenceClean(testing::readFile(exportPath));
  std::vector<std::string> names;
  std::size_t at = cleaned.find("\r\n");  // past the heading
  while (at != std::string::npos && at + 2 < cleaned.size()) {
    std::size_t end = cleaned.find("\r\n", at + 2);
    std::string line = cleaned.substr(at + 2, end - at - 2);
    if (line.size() > 20) {
      fieldtyp row;
      GetFields(line, row);
      names.push_back(automation::toBytes(automation::toWide(row[16] + " " + row[24])));
    }
    at = end;
  }
  return names;
}

// What every test of the whole program checks afterwards: the store is
// sound, and its entries are the export's first contacts, in order, each
// with its fields in order. Each has all seventeen but possibly the last;
// with `cutFields`, any entry may have lost its last fields, as a field
// that fails ends its entry's filling.
void expectAPrefixOfTheExport(const std::string& home, const std::vector<std::string>& names,
                              bool cutFields = false) {
  static const char* const kNames[] = {"Title",
                                       "First Name",
                                       "Last Name",
                                       "Organization",
                                       "Department",
                                       "Address",
                                       "City",
                                       "State",
                                       "ZIP Code",
                                       "Country",
                                       "Office Phone Number",
                                       "Phone Number",
                                       "Fax Number",
                                       "Cellular Phone Number",
                                       "Home Phone Number",
                                       "Mail Stop",
                                       "Comments"};
  // A run stopped before it made the store leaves none, the empty prefix.
  if (!std::filesystem::exists(storeIn(home))) return;
  ASSERT_EQ(integrityOf(home), "ok");
  std::vector<quillmere::StoredEntry> entries = storedEntries(home);
  ASSERT_LE(entries.size(), names.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    ASSERT_EQ(entries[i].name, names[i]) << "entry " << i;
    if (i + 1 < entries.size() && !cutFields) {
      ASSERT_EQ(entries[i].fields.size(), 17u) << "entry " << i;
    }
    ASSERT_LE(entries[i].fields.size(), 17u);
    for (std::size_t f = 0; f < entries[i].fields.size(); ++f) {
      ASSERT_EQ(entries[i].fields[f].name, kNames[f]) << "entry " << i;
    }
  }
}

TEST(FaultTest, AFullDiskWhileTheIntermediateFileIsWrittenPostsNothing) {
  TempDir home;
  std::string exportPath = home.file("export.csv");
  bench::writeExport(exportPath, 20000, 0);
  std::string before = testing::readFile(exportPath);
  ASSERT_GT(before.size(), 4u << 20);
  BenchRun run = bench({"--export", exportPath, "--home", home.path()}, [] {
    ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
    rlimit limit{1 << 20, 1 << 20};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.messages, (std::vector<std::string>{"Unable to open file qmcnvt.cvt."}));
  EXPECT_EQ(run.contacts, 0);
  EXPECT_TRUE(storedEntries(home.path()).empty());
  EXPECT_EQ(testing::readFile(exportPath), before);
  for (const auto& e : std::filesystem::directory_iterator(home.path())) {
    EXPECT_EQ(e.path().filename().string().rfind("qmcnvt.cvt", 0), std::string::npos)
        << "left behind: " << e.path();
  }
}

TEST(FaultTest, AStoreThatFillsUpKeepsEverythingPostedBeforeIt) {
  TempDir home;
  std::string exportPath = home.file("export.csv");
  bench::writeExport(exportPath, 5000, 0);
  testing::ScopedEnv env;
  env.set("QUILLMERE_STORE_MAX_PAGES", "80");
  BenchRun run = bench({"--export", exportPath, "--home", home.path()});
  EXPECT_EQ(run.exitCode, 1);
  ASSERT_EQ(run.messages.size(), 1u) << run.err;
  EXPECT_EQ(run.messages[0],
            "Could not add the entry: the address book store is full (the disk, or the store's "
            "size limit, has no room left)");
  std::vector<quillmere::StoredEntry> entries = storedEntries(home.path());
  EXPECT_GT(entries.size(), 10u);
  EXPECT_LT(entries.size(), 5000u);
  EXPECT_EQ(run.contacts, static_cast<long>(entries.size()));
  expectAPrefixOfTheExport(home.path(), expectedNames(exportPath), true);
  // Up to the first field that found the store full, every entry is whole.
  EXPECT_EQ(entries.front().fields.size(), 17u);
}

TEST(FaultTest, AKillAtARandomMomentLeavesASoundPrefix) {
  TempDir shared;
  std::string exportPath = shared.file("export.csv");
  bench::writeExport(exportPath, 3000, 0);
  std::vector<std::string> names = expectedNames(exportPath);
  ASSERT_EQ(names.size(), 3000u);
  std::mt19937 random(12);
  for (int round = 0; round < 5; ++round) {
    TempDir home;
    std::vector<std::string> args = {CARDWHARF_BENCH, "--export", exportPath, "--home",
                                     home.path()};
    pid_t pid = ::fork();
    if (pid == 0) {
      int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    std::uniform_int_distribution<int> wait(50, 1500);
    std::this_thread::sleep_for(std::chrono::milliseconds(wait(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    expectAPrefixOfTheExport(home.path(), names);
  }
}

TEST(FaultTest, AStoreHeldByAnotherProgramFailsClearlyAndWritesNothing) {
  TempDir home;
  std::string exportPath = home.file("export.csv");
  bench::writeExport(exportPath, 5, 0);
  BenchRun first = bench({"--export", exportPath, "--home", home.path()});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  ASSERT_EQ(storedEntries(home.path()).size(), 5u);

  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t holder = ::fork();
  if (holder == 0) {
    sqlite3* db = nullptr;
    std::string path = storeIn(home.path());
    sqlite3_open(path.c_str(), &db);
    bool locked = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (::write(ready[1], locked ? "y" : "n", 1) != 1) ::_exit(1);
    ::sleep(60);
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');
  BenchRun run = bench({"--export", exportPath, "--home", home.path()});
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.messages,
            (std::vector<std::string>{"Could not add the entry: the address book store is in use "
                                      "by another program and did not become free within 5 "
                                      "seconds"}));
  EXPECT_EQ(run.contacts, 0);
  EXPECT_EQ(storedEntries(home.path()).size(), 5u);
  EXPECT_EQ(integrityOf(home.path()), "ok");
}

struct OddExport {
  const char* name;
  std::function<std::string(const TempDir&)> make;  // gives the export's name
  int exitCode;
  std::vector<std::string> messages;
  long contacts;  // -1: whatever was there
};

class OddExportTest : public ::testing::TestWithParam<OddExport> {};

TEST_P(OddExportTest, EndsWithTheRunsOwnMessageOrACleanImport) {
  TempDir home;
  std::string exportPath = GetParam().make(home);
  BenchRun run = bench({"--export", exportPath, "--home", home.path()});
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err;
  EXPECT_EQ(run.messages, GetParam().messages);
  if (GetParam().contacts >= 0) {
    EXPECT_EQ(run.contacts, GetParam().contacts);
  }
  for (const std::string& m : run.messages) {
    EXPECT_NE(std::find(kRunMessages.begin(), kRunMessages.end(), m), kRunMessages.end()) << m;
  }
  if (run.exitCode == 0) {
    EXPECT_NE(run.out.find("\"status\": \"&Convert\""), std::string::npos);
  }
  EXPECT_EQ(integrityOf(home.path()),
            std::filesystem::exists(storeIn(home.path())) ? "ok" : "no answer");
}

INSTANTIATE_TEST_SUITE_P(
    Files, OddExportTest,
    ::testing::Values(
        OddExport{"Binary",
                  [](const TempDir& d) {
                    std::mt19937 random(3);
                    std::string bytes(100 * 1024, '\0');
                    for (char& c : bytes) c = static_cast<char>(random());
                    return d.write("binary.csv", bytes);
                  },
                  0,
                  {},
                  -1},
        OddExport{"OneLineOf100MB",
                  [](const TempDir& d) { return d.write("line.csv", std::string(100 << 20, 'x')); },
                  0,
                  {},
                  0},
        OddExport{"OnlyQuotes",
                  [](const TempDir& d) { return d.write("quotes.csv", std::string(1 << 20, '"')); },
                  0,
                  {},
                  0},
        OddExport{"Empty", [](const TempDir& d) { return d.write("empty.csv", ""); }, 0, {}, 0},
        OddExport{"Folder",
                  [](const TempDir& d) {
                    std::filesystem::create_directories(d.file("folder"));
                    return d.file("folder");
                  },
                  1,
                  {"Unable to open import file."},
                  0},
        OddExport{"Missing",
                  [](const TempDir& d) { return d.file("missing.csv"); },
                  1,
                  {"Unable to open import file."},
                  0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultTest, AnExportThatVanishesAfterTheClickIsStillReadWhole) {
  TempDir home;
  testing::ScopedEnv env;
  env.set("XDG_DATA_HOME", home.path()).set("XDG_DATA_DIRS", home.file("none"));
  quillmere::registerComponent(QUILLMERE_COMPONENT);
  std::string exportPath = home.file("export.csv");
  bench::writeExport(exportPath, 50, 0);
  std::vector<std::string> names = expectedNames(exportPath);
  ASSERT_EQ(automation::CoInitialize(nullptr), automation::S_OK);
  {
    bench::HeadlessDisplay display(exportPath, false);
    display.onPendingEvents = [&] { std::filesystem::remove(exportPath); };
    QuillmereTarget target;
    Conversion conversion(display, target);
    conversion.Button1Click();
    EXPECT_TRUE(display.messages().empty());
    EXPECT_EQ(display.status(), "&Convert");
    target.release();
  }
  automation::CoUninitialize();
  EXPECT_FALSE(std::filesystem::exists(exportPath));
  std::vector<quillmere::StoredEntry> entries = storedEntries(home.path());
  ASSERT_EQ(entries.size(), names.size());
  expectAPrefixOfTheExport(home.path(), names);
}

}  // namespace
}  // namespace cardwharf
