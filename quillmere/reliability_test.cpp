// The store under a real load: a reader while a conversion writes, and a
// writer killed at random moments.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "addrbook/automation_call.h"
#include "addrbook/quillmere_target.h"
#include "automation/runtime.h"
#include "quillmere/testing/quillmere_home.h"
#include "quillmere/testing/store_check.h"
#include "testing/run_process.h"

namespace cardwharf {
namespace {

using automation::Variant;

fieldtyp rowFor(int n) {
  fieldtyp row;
  row[16] = "Person";
  row[24] = std::to_string(n);
  row[26] = std::string(200, 'c');
  return row;
}

class ReliabilityTest : public testing::QuillmereHome {};

TEST_F(ReliabilityTest, AReaderDuringALongRunOfWritesIsNeverBlocked) {
  const int kRows = 1500;
  pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    QuillmereTarget target;
    if (target.openSession() != OpenSessionResult::opened || !target.openBook()) ::_exit(3);
    for (int i = 0; i < kRows; ++i) {
      fieldtyp row = rowFor(i);
      target.postRow(row);
    }
    target.release();
    ::_exit(0);
  }
  int reads = 0;
  std::size_t seen = 0;
  int status = 0;
  while (::waitpid(writer, &status, WNOHANG) == 0 || reads < 2) {
    testing::ProcessResult r =
        testing::runProcess({QUILLMERE_COMMAND, "entries", "from Schedule+", "--json"});
    if (r.exitCode == 1 && r.err.find("does not exist") != std::string::npos) continue;
    if (r.exitCode == 1 && r.err.find("no address book") != std::string::npos) continue;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_GE(r.out.size(), 3u);
    ASSERT_EQ(r.out.substr(r.out.size() - 2), "]\n");
    std::size_t entries = 0;
    for (std::size_t at = r.out.find("\n  {\"name\": "); at != std::string::npos;
         at = r.out.find("\n  {\"name\": ", at + 1)) {
      ++entries;
    }
    EXPECT_GE(entries, seen);  // a later read never sees less
    seen = entries;
    ++reads;
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_GE(reads, 2);
  EXPECT_EQ(entriesOf("from Schedule+").size(), static_cast<std::size_t>(kRows));
}

// Writes entries of `round` through the component, telling `progress` after
// each call that returned: "e N" for entry N, "f N K" for its field K.
[[noreturn]] void writeUntilKilled(int round, int progress) {
  Variant session = createObject("CorvantisGroupWareSession");
  callMember(session, "Login", {}, nullptr);
  Variant account, books, book, entries, entry, fields;
  callMember(session, "RootAccount", {}, &account);
  callMember(account, "AddressBooks", {}, &books);
  try {
    callMember(books, "Add", {Argument::byValue("b")}, &book);
  } catch (const std::exception&) {
    callMember(books, "item", {Argument::byValue("b")}, &book);
  }
  callMember(book, "AddressBookEntries", {}, &entries);
  for (int n = 0;; ++n) {
    std::string name = std::to_string(round) + "-" + std::to_string(n);
    callMember(entries, "Add", {Argument::byReference(name)}, &entry);
    std::string line = "e " + name + "\n";
    if (::write(progress, line.data(), line.size()) < 0) ::_exit(4);
    for (int k = 0; k < 17; ++k) {
      callMember(entry, "Fields", {}, &fields);
      std::string value = std::string(50, 'v') + std::to_string(k);
      callMember(fields, "add",
                 {Argument::byValue("F" + std::to_string(k)), Argument::integer(1),
                  Argument::byReference(value)},
                 nullptr);
      line = "f " + name + " " + std::to_string(k) + "\n";
      if (::write(progress, line.data(), line.size()) < 0) ::_exit(4);
    }
  }
}

// The size of the file at `path`, 0 when there is none.
off_t sizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// Waits until the log at `path` grows beyond `size` or `writer` has ended;
// true when it grew.
bool waitForProgress(const std::string& path, off_t size, pid_t writer) {
  for (int i = 0; i < 30000; ++i) {
    if (sizeOf(path) > size) return true;
    if (::waitpid(writer, nullptr, WNOHANG) != 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST_F(ReliabilityTest, AWriterKilledAtRandomLosesNothingThatWasStored) {
  std::mt19937 random(7);
  std::string log = home.file("progress.log");
  for (int round = 0; round < 6; ++round) {
    off_t logged = sizeOf(log);
    int progress = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    ASSERT_GE(progress, 0);
    pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) writeUntilKilled(round, progress);
    ::close(progress);
    // The first round may be killed at any moment, even before the store
    // exists; the others once writing has begun, so that a slow machine
    // still kills them in the middle of their writes.
    if (round > 0) {
      ASSERT_TRUE(waitForProgress(log, logged, writer)) << "round " << round;
    }
    std::uniform_int_distribution<int> wait(30, 400);
    std::this_thread::sleep_for(std::chrono::milliseconds(wait(random)));
    ::kill(writer, SIGKILL);
    int status = 0;
    ::waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself";

    if (::access(storePath().c_str(), F_OK) != 0) {
      // Killed before the store was made: then nothing can have been reported.
      ASSERT_EQ(round, 0);
      ASSERT_EQ(sizeOf(log), 0) << "entries were reported stored and there is no store";
      continue;
    }
    ASSERT_EQ(testing::integrityOf(storePath()), "ok") << "round " << round;
    std::map<std::string, std::set<std::string>> stored;
    std::vector<std::string> order;
    for (const auto& e : entriesOf("b")) {
      order.push_back(e.name);
      for (const auto& f : e.fields) stored[e.name].insert(f.name);
    }
    std::ifstream lines(log);
    std::string kind, name, field;
    std::size_t reported = 0;
    while (lines >> kind >> name) {
      if (kind == "e") {
        ++reported;
        ASSERT_TRUE(stored.count(name) == 1 ||
                    std::find(order.begin(), order.end(), name) != order.end())
            << "entry " << name << " was reported stored and is gone";
      } else {
        lines >> field;
        ASSERT_EQ(stored[name].count("F" + field), 1u)
            << "field " << field << " of " << name << " was reported stored and is gone";
      }
    }
    // Nothing beyond what was reported, but for the one call under way when
    // each writer so far was killed.
    EXPECT_LE(order.size(), reported + static_cast<std::size_t>(round) + 1);
  }
}

}  // namespace
}  // namespace cardwharf
