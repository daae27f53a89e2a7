#include "convert/conversion.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "convert/automation_failure.h"
#include "convert/testing/export_builder.h"
#include "convert/testing/faulty_file_system.h"
#include "convert/testing/recording_display.h"
#include "convert/testing/reference_cleaner.h"
#include "convert/testing/scripted_book_target.h"
#include "testing/temp_dir.h"

namespace cardwharf {
namespace {

using testing::contactLine;
using testing::exportHeading;
using testing::FaultyFileSystem;
using testing::FsOp;
using testing::readFile;
using testing::RecordingDisplay;
using testing::referenceClean;
using testing::ScriptedBookTarget;
using testing::TempDir;
using Log = std::vector<std::string>;

const std::string kCrLf = "\r\n";

int openDescriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// The export of two contacts, the second with a two-line address.
std::string twoContacts() {
  return exportHeading() + kCrLf + contactLine({{16, "Ann"}, {24, "Smith"}, {5, "Oslo"}}) + kCrLf +
         contactLine({{16, "Bob"}, {24, "Jones"}, {11, "1 Main St\r\nFlat 2"}}) + kCrLf;
}

class ConversionTest : public ::testing::Test {
 public:
  ConversionTest() { fs.setExecutablePath("/opt/cardwharf/bin/cardwharf"); }

  // Runs one conversion of the file box's text `name`.
  void run(const std::string& name) {
    display.name = name;
    conversion.Button1Click();
  }

  std::vector<std::string> postedNames() const {
    std::vector<std::string> names;
    for (const fieldtyp& row : target.rows) names.push_back(row[16] + " " + row[24]);
    return names;
  }

  TempDir dir;
  RecordingDisplay display;
  ScriptedBookTarget target{&display.log};
  FaultyFileSystem fs;
  Conversion conversion{display, target, fs};
};

const Log kCleanerAndImport = {
    "fileName",
    "setBusy(true)",
    "setStatus(Removing embedded CR/LF pairs, please wait.)",
    "processPendingEvents",
    "setStatus(Closing temp file)",
    "setStatus(Preparing to import, please wait.)",
    "setStatus(Opening temp file.)",
    "setStatus(Converting to Quillmere, please wait.)",
    "setBusy(true)",
};

Log concat(std::initializer_list<Log> parts) {
  Log out;
  for (const Log& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST_F(ConversionTest, AWholeRunPostsEveryContactInOrder) {
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  run(exportPath);

  EXPECT_EQ(display.log,
            concat({{"fileName", "openSession", "openBook"},
                    kCleanerAndImport,
                    {"postRow", "postRow", "setBusy(false)", "setStatus(&Convert)", "runEnded"}}));
  ASSERT_EQ(target.rows.size(), 2u);
  EXPECT_EQ(target.rows[0][5], "Oslo");
  EXPECT_EQ(target.rows[1][11], "1 Main StFlat 2");  // the quoted line break is gone
  EXPECT_EQ(postedNames(), (std::vector<std::string>{"Ann Smith", "Bob Jones"}));
  EXPECT_EQ(display.status, "&Convert");
  EXPECT_FALSE(display.busy);
  EXPECT_TRUE(display.errors.empty());
  EXPECT_FALSE(display.closeRequested);
  EXPECT_EQ(conversion.ProgDir, "/opt/cardwharf/bin");
  // The intermediate file stays, cleaned, beside the export; the export is untouched.
  EXPECT_EQ(readFile(dir.file("qmcnvt.cvt")), referenceClean(twoContacts()));
  EXPECT_EQ(readFile(exportPath), twoContacts());
}

// How each way out of a run leaves the display and the files.
struct WayOut {
  const char* name;
  std::function<void(ConversionTest&, std::string& exportName)> arrange;
  Log tail;  // the log after the calls that every run makes first
  bool sessionOpened;
  std::string status;
  bool busy;
  bool closeRequested;
  bool progDirSet;
  bool intermediateWritten;
};

class WayOutTest : public ConversionTest, public ::testing::WithParamInterface<WayOut> {};

TEST_P(WayOutTest, EndsAsTheRunSays) {
  const WayOut& w = GetParam();
  std::string exportName = dir.write("contacts.csv", twoContacts());
  w.arrange(*this, exportName);
  int descriptors = openDescriptors();
  run(exportName);

  Log expected = {"fileName"};
  if (w.sessionOpened) expected.push_back("openSession");
  expected.insert(expected.end(), w.tail.begin(), w.tail.end());
  expected.push_back("runEnded");
  EXPECT_EQ(display.log, expected);
  EXPECT_EQ(display.status, w.status);
  EXPECT_EQ(display.busy, w.busy);
  EXPECT_EQ(display.closeRequested, w.closeRequested);
  EXPECT_EQ(conversion.ProgDir.empty(), !w.progDirSet);
  EXPECT_EQ(std::filesystem::exists(dir.file("qmcnvt.cvt")), w.intermediateWritten);
  EXPECT_TRUE(target.rows.empty());
  EXPECT_EQ(openDescriptors(), descriptors);  // nothing is left open
  EXPECT_EQ(conversion.files().takeError(), 0);
}

const std::string kInitial = "&Convert File";

// The calls of a run that gets through its copy, and of one that gets as far
// as the import's open.
const Log kThroughTheCopy = {"openBook",
                             "fileName",
                             "setBusy(true)",
                             "setStatus(Removing embedded CR/LF pairs, please wait.)",
                             "processPendingEvents",
                             "setStatus(Closing temp file)"};
const Log kToTheImportsOpen =
    concat({kThroughTheCopy,
            {"setStatus(Preparing to import, please wait.)", "setStatus(Opening temp file.)"}});

INSTANTIATE_TEST_SUITE_P(
    Runs, WayOutTest,
    ::testing::Values(
        WayOut{"MissingExport",
               [](ConversionTest&, std::string& e) { e += ".missing"; },
               {"showError(Unable to open import file.)"},
               false,
               kInitial,
               false,
               false,
               false,
               false},
        WayOut{"EmptyFileBox",
               [](ConversionTest&, std::string& e) { e.clear(); },
               {"showError(Unable to open import file.)"},
               false,
               kInitial,
               false,
               false,
               false,
               false},
        WayOut{"ExportIsAFolder",
               [](ConversionTest& t, std::string& e) {
                 e = t.dir.file("folder");
                 ::mkdir(e.c_str(), 0700);
               },
               {"showError(Unable to open import file.)"},
               false,
               kInitial,
               false,
               false,
               false,
               false},
        WayOut{"SessionNotCreated",
               [](ConversionTest& t, std::string&) {
                 t.target.sessionResult = OpenSessionResult::notCreated;
               },
               {"showError(Unable to create OLE link to Quillmere!)", "closeMainWindow"},
               true,
               kInitial,
               false,
               true,
               false,
               false},
        WayOut{"LoginFailed",
               [](ConversionTest& t, std::string&) {
                 t.target.sessionResult = OpenSessionResult::loginFailed;
               },
               {"showError(Unable to access Quillmere!)", "closeMainWindow"},
               true,
               kInitial,
               false,
               true,
               false,
               false},
        WayOut{
            "NoBook",
            [](ConversionTest& t, std::string&) { t.target.bookResult = false; },
            {"openBook", "showError(Unable to access or create address book!)", "closeMainWindow"},
            true,
            kInitial,
            false,
            true,
            true,
            false},
        WayOut{
            "OutputCannotBeCreated",
            [](ConversionTest& t, std::string&) { t.fs.failOn(FsOp::createUnique, 1, EACCES); },
            {"openBook", "fileName", "showError(Unable to create output file!)", "closeMainWindow"},
            true,
            kInitial,
            false,
            true,
            true,
            false},
        WayOut{"OutputCannotBeRenamed",
               [](ConversionTest& t, std::string&) { t.fs.failOn(FsOp::rename, 1, EACCES); },
               concat({kThroughTheCopy,
                       {"showError(Unable to create output file!)", "closeMainWindow"}}),
               true, "Closing temp file", true, true, true, false},
        WayOut{
            "IntermediateCannotBeOpened",
            [](ConversionTest& t, std::string&) { t.fs.failOn(FsOp::openForReading, 2, EACCES); },
            concat({kToTheImportsOpen, {"showError(Unable to open file qmcnvt.cvt.)"}}), true,
            "Opening temp file.", true, false, true, true},
        WayOut{"HeadingCannotBeRead",
               [](ConversionTest& t, std::string&) {
                 t.fs.failOn(FsOp::read, 2, EIO);  // the cleaner reads once, then the import
               },
               concat({kToTheImportsOpen, {"showError(Unable to read file qmcnvt.cvt.)"}}), true,
               "Opening temp file.", true, false, true, true},
        // A failed read of the export ends the copy; the cut copy replaces
        // nothing and the import's check reports it, posting nothing.
        WayOut{"ExportReadFails",
               [](ConversionTest& t, std::string&) { t.fs.failOn(FsOp::read, 1, EIO); },
               concat({kToTheImportsOpen, {"showError(Unable to open file qmcnvt.cvt.)"}}), true,
               "Opening temp file.", true, false, true, false},
        WayOut{"DiskFullWhileCopying",
               [](ConversionTest& t, std::string&) { t.fs.failOn(FsOp::write, 1, ENOSPC); },
               concat({kToTheImportsOpen, {"showError(Unable to open file qmcnvt.cvt.)"}}), true,
               "Opening temp file.", true, false, true, false},
        WayOut{"OutputCloseFails",
               [](ConversionTest& t, std::string&) { t.fs.failOn(FsOp::close, 1, EIO); },
               concat({kToTheImportsOpen, {"showError(Unable to open file qmcnvt.cvt.)"}}), true,
               "Opening temp file.", true, false, true, false},
        WayOut{"ExportEndTestFails",
               [](ConversionTest& t, std::string&) { t.fs.failOn(FsOp::size, 1, EIO); },
               concat({kToTheImportsOpen, {"showError(Unable to open file qmcnvt.cvt.)"}}), true,
               "Opening temp file.", true, false, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConversionTest, AFailingRootAccountLookupPassesOutUnchanged) {
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  target.openBookFailure = "Method 'RootAccount' not supported by automation object";
  display.name = exportPath;
  try {
    conversion.Button1Click();
    FAIL() << "no failure";
  } catch (const AutomationFailure& f) {
    EXPECT_STREQ(f.what(), "Method 'RootAccount' not supported by automation object");
  }
  EXPECT_EQ(display.log, (Log{"fileName", "openSession", "openBook", "runEnded"}));
  EXPECT_EQ(display.status, "&Convert File");
  EXPECT_FALSE(std::filesystem::exists(dir.file("qmcnvt.cvt")));
  // The program is idle again: a new click runs a new run.
  target.openBookFailure.reset();
  run(exportPath);
  EXPECT_EQ(target.rows.size(), 2u);
  EXPECT_EQ(target.openSessionCalls, 2);
}

TEST_F(ConversionTest, AFailedEntryStopsTheImportAndKeepsWhatWasPosted) {
  std::string content = exportHeading() + kCrLf;
  for (int i = 0; i < 5; ++i) content += contactLine({{16, "P" + std::to_string(i)}}) + kCrLf;
  std::string exportPath = dir.write("contacts.csv", content);
  target.failOnRow = 3;
  target.postFailure = "Address book is full";
  int descriptors = openDescriptors();
  display.name = exportPath;
  EXPECT_THROW(
      {
        try {
          conversion.Button1Click();
        } catch (const AutomationFailure& f) {
          EXPECT_STREQ(f.what(), "Address book is full");
          throw;
        }
      },
      AutomationFailure);
  EXPECT_EQ(postedNames(), (std::vector<std::string>{"P0 ", "P1 "}));
  EXPECT_EQ(display.status, "Converting to Quillmere, please wait.");
  EXPECT_TRUE(display.busy);
  EXPECT_TRUE(display.errors.empty());
  EXPECT_EQ(display.log.back(), "runEnded");
  EXPECT_EQ(openDescriptors(), descriptors);
  EXPECT_TRUE(std::filesystem::exists(dir.file("qmcnvt.cvt")));
}

TEST_F(ConversionTest, AReadFailureInTheLoopIsShownAndNotLeftForTheNextRun) {
  // Enough contacts that the import needs several blocks of the file.
  std::string content = exportHeading() + kCrLf;
  for (int i = 0; i < 3000; ++i) {
    content +=
        contactLine({{16, "Person" + std::to_string(i)}, {26, std::string(40, 'c')}}) + kCrLf;
  }
  std::string exportPath = dir.write("contacts.csv", content);
  // Reads: the cleaner's blocks, then the import's first block; fail its second.
  std::size_t cleanerReads =
      (content.size() + Conversion::kCopyBlockSize - 1) / Conversion::kCopyBlockSize;
  fs.failOn(FsOp::read, static_cast<int>(cleanerReads) + 2, EIO);
  run(exportPath);

  EXPECT_EQ(display.errors, (std::vector<std::string>{"Unable to read file qmcnvt.cvt."}));
  EXPECT_GT(target.rows.size(), 100u);
  EXPECT_LT(target.rows.size(), 3000u);
  EXPECT_EQ(display.status, "Converting to Quillmere, please wait.");
  // Every posted row is whole; none was cut by the failing read.
  for (std::size_t i = 0; i < target.rows.size(); ++i) {
    ASSERT_EQ(target.rows[i][16], "Person" + std::to_string(i));
    ASSERT_EQ(target.rows[i][26], std::string(40, 'c'));
  }

  // The next run opens the same export without a stale failure.
  target.rows.clear();
  display.errors.clear();
  run(exportPath);
  EXPECT_TRUE(display.errors.empty());
  EXPECT_EQ(target.rows.size(), 3000u);
}

TEST_F(ConversionTest, AnUncheckedFailureIsReportedByTheNextCheck) {
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  // Closes: the export, the new intermediate file, then the import's reader.
  fs.failOn(FsOp::close, 3, EIO);
  run(exportPath);
  EXPECT_TRUE(display.errors.empty());
  EXPECT_EQ(target.rows.size(), 2u);
  run(exportPath);
  EXPECT_EQ(display.errors, (std::vector<std::string>{"Unable to open import file."}));
  EXPECT_EQ(target.rows.size(), 2u);
  run(exportPath);  // the check took the code: the third run is clean
  EXPECT_EQ(target.rows.size(), 4u);
}

struct LinesCase {
  const char* name;
  std::string content;
  std::vector<std::string> firstNames;  // column 16 of the posted rows
};

class ImportLinesTest : public ConversionTest, public ::testing::WithParamInterface<LinesCase> {};

TEST_P(ImportLinesTest, PostsTheContactLines) {
  run(dir.write("contacts.csv", GetParam().content));
  EXPECT_TRUE(display.errors.empty());
  std::vector<std::string> names;
  for (const fieldtyp& row : target.rows) names.push_back(row[16]);
  EXPECT_EQ(names, GetParam().firstNames);
  EXPECT_EQ(display.status, "&Convert");
  EXPECT_FALSE(display.busy);
}

// A line of exactly `length` characters whose first column is `name`.
std::string lineOf(std::size_t length, const std::string& name) {
  std::string line = "\"" + name + "\"";
  line += std::string(length - line.size(), ',');
  return line;
}

std::string contact(const std::string& first) {
  return contactLine({{16, first}});
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportLinesTest,
    ::testing::Values(
        LinesCase{"EmptyExport", "", {}}, LinesCase{"OnlyTheHeading", exportHeading() + kCrLf, {}},
        LinesCase{"HeadingIsDroppedEvenWhenAContact",
                  contact("First") + kCrLf + contact("Second") + kCrLf,
                  {"Second"}},
        LinesCase{"BlankLinesSkipped",
                  "h\r\n\r\n" + contact("A") + "\r\n\r\n\r\n" + contact("B"),
                  {"A", "B"}},
        LinesCase{
            "LastLineWithoutLineEnd", "h\r\n" + contact("A") + "\r\n" + contact("B"), {"A", "B"}},
        LinesCase{
            "BareCarriageReturns", "h\r" + contact("A") + "\r" + contact("B") + "\r", {"A", "B"}},
        // Exports with Linux line ends are read line by line too.
        LinesCase{"BareLineFeeds", "h\n" + contact("A") + "\n" + contact("B") + "\n", {"A", "B"}},
        LinesCase{"CtrlZMarksTheEnd", "h\r\n" + contact("A") + "\r\n\x1A\r\n", {"A"}},
        LinesCase{"CtrlZInsideTheFileLosesNothing",
                  "h\r\n" + contactLine({{16, "A"}, {26, "x\x1Ay"}}) + "\r\n" + contact("B"),
                  {"A", "B"}},
        LinesCase{"DoubledQuoteShiftsNothing",
                  "h\r\n" + contactLine({{1, "say \"\"hi\"\""}, {16, "A"}}) + "\r\n",
                  {"A"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConversionTest, TwentyAndTwentyOneCharacterLines) {
  run(dir.write("c.csv", "h\r\n" + lineOf(20, "x") + "\r\n" + lineOf(21, "y") + "\r\n"));
  ASSERT_EQ(target.rows.size(), 1u);
  EXPECT_EQ(target.rows[0][1], "y");
}

// Root may write any file, so the run goes on as the unprivileged user: the
// export is then one that this user can read but not write.
void asUnprivilegedUser() {
  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
}

TEST_F(ConversionTest, AReadOnlyExportConverts) {
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  ASSERT_EQ(::chmod(exportPath.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);  // the intermediate file goes here
  EXPECT_EXIT(
      {
        asUnprivilegedUser();
        run(exportPath);
        ::_exit(display.errors.empty() && target.rows.size() == 2 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ConversionTest, AnExportWithoutAFolderKeepsTheIntermediateFileBesideIt) {
  dir.write("contacts.csv", twoContacts());
  std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  run("contacts.csv");
  std::filesystem::current_path(before);
  EXPECT_EQ(target.rows.size(), 2u);
  EXPECT_EQ(readFile(dir.file("qmcnvt.cvt")), referenceClean(twoContacts()));
}

TEST_F(ConversionTest, TheIntermediateFileIsPrivate) {
  run(dir.write("contacts.csv", twoContacts()));
  struct stat st;
  ASSERT_EQ(::lstat(dir.file("qmcnvt.cvt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ConversionTest, LinksAtTheIntermediateNameAreNeverWrittenThrough) {
  std::string precious = dir.write("precious.txt", "precious");
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  ASSERT_EQ(::symlink(precious.c_str(), dir.file("qmcnvt.cvt").c_str()), 0);
  run(exportPath);
  EXPECT_EQ(readFile(precious), "precious");
  EXPECT_EQ(readFile(dir.file("qmcnvt.cvt")), referenceClean(twoContacts()));

  std::filesystem::remove(dir.file("qmcnvt.cvt"));
  ASSERT_EQ(::link(precious.c_str(), dir.file("qmcnvt.cvt").c_str()), 0);
  run(exportPath);
  EXPECT_EQ(readFile(precious), "precious");
  EXPECT_EQ(target.rows.size(), 4u);
}

TEST_F(ConversionTest, ConvertingTheIntermediateFileAgainGivesTheSameEntries) {
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  run(exportPath);
  ASSERT_EQ(target.rows.size(), 2u);
  std::vector<fieldtyp> first = target.rows;
  std::string cleaned = readFile(dir.file("qmcnvt.cvt"));
  ASSERT_EQ(::symlink(dir.file("qmcnvt.cvt").c_str(), dir.file("link.csv").c_str()), 0);

  for (const std::string& name : {dir.file("qmcnvt.cvt"), dir.path() + "/./qmcnvt.cvt",
                                  dir.path() + "//qmcnvt.cvt", dir.file("link.csv")}) {
    target.rows.clear();
    run(name);
    EXPECT_TRUE(display.errors.empty()) << name;
    EXPECT_EQ(target.rows, first) << name;
    EXPECT_EQ(readFile(dir.file("qmcnvt.cvt")), cleaned) << name;
  }
}

TEST_F(ConversionTest, ACutCopyLeavesTheEarlierIntermediateFileAndTheExportAlone) {
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  std::string earlier = dir.write("qmcnvt.cvt", "earlier run\r\n");
  fs.failOn(FsOp::write, 1, ENOSPC);
  run(exportPath);
  EXPECT_EQ(display.errors, (std::vector<std::string>{"Unable to open file qmcnvt.cvt."}));
  EXPECT_TRUE(target.rows.empty());
  EXPECT_EQ(readFile(earlier), "earlier run\r\n");
  EXPECT_EQ(readFile(exportPath), twoContacts());
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 2u);  // no stray partial file
}

TEST_F(ConversionTest, AClickDuringTheRunIsIgnored) {
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  int nested = 0;
  display.onPendingEvents = [&] {
    ++nested;
    conversion.Button1Click();
  };
  run(exportPath);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(target.openSessionCalls, 1);
  EXPECT_EQ(target.runEndedCalls, 1);
  EXPECT_EQ(target.rows.size(), 2u);
  display.onPendingEvents = nullptr;
  run(exportPath);  // and once the run is over, the next click runs
  EXPECT_EQ(target.rows.size(), 4u);
}

TEST_F(ConversionTest, TheImportReadsTheFileThatTheCleanerWrote) {
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  ASSERT_EQ(::mkdir(dir.file("other").c_str(), 0700), 0);
  dir.write("other/qmcnvt.cvt", "h\r\n" + contact("Stranger") + "\r\n");
  // The user types another name while the window handles its events.
  display.onPendingEvents = [&] { display.name = dir.file("other/contacts.csv"); };
  run(exportPath);
  EXPECT_EQ(postedNames(), (std::vector<std::string>{"Ann Smith", "Bob Jones"}));
}

TEST_F(ConversionTest, ProgDirIsSetOnlyAfterTheLogin) {
  std::string exportPath = dir.write("contacts.csv", twoContacts());
  target.sessionResult = OpenSessionResult::loginFailed;
  run(exportPath);
  EXPECT_EQ(conversion.ProgDir, "");
  target.sessionResult = OpenSessionResult::opened;
  target.bookResult = false;
  run(exportPath);
  EXPECT_EQ(conversion.ProgDir, "/opt/cardwharf/bin");
  fs.setExecutablePath("/usr/bin/cardwharf");
  target.sessionResult = OpenSessionResult::notCreated;
  run(exportPath);
  EXPECT_EQ(conversion.ProgDir, "/opt/cardwharf/bin");  // left as it was
}

TEST_F(ConversionTest, TheRealExecutableGivesProgDir) {
  Conversion real(display, target);
  display.name = dir.write("contacts.csv", twoContacts());
  real.Button1Click();
  std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(real.ProgDir, exe.substr(0, exe.rfind('/')));
}

TEST_F(ConversionTest, LongPathsAreUsedWhole) {
  std::string folder = dir.path();
  while (folder.size() < 600) {
    folder += "/" + std::string(60, 'd');
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  }
  std::string exportPath = folder + "/contacts.csv";
  testing::writeFile(exportPath, twoContacts());
  run(exportPath);
  EXPECT_TRUE(display.errors.empty());
  EXPECT_EQ(target.rows.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(folder + "/qmcnvt.cvt"));
}

TEST_F(ConversionTest, AColumnChangedByTheAddressBookDoesNotLeakIntoTheNextRow) {
  std::string content =
      "h\r\n" + contactLine({{7, "555"}, {16, "A"}}) + "\r\n" + contactLine({{16, "B"}}) + "\r\n";
  target.onPost = [](fieldtyp& row) { row[7] += " changed"; };
  run(dir.write("c.csv", content));
  ASSERT_EQ(target.rows.size(), 2u);
  EXPECT_EQ(target.rows[0][7], "555 changed");
  EXPECT_EQ(target.rows[1][7], " changed");  // emptied before the row, then changed
  EXPECT_EQ(conversion.Row[16], "B");        // the last posted row stays
}

// The intermediate file holds exactly the bytes of the byte-at-a-time
// machine, for random exports of every size, blocks of the copy included.
TEST_F(ConversionTest, TheIntermediateFileMatchesTheByteMachine) {
  std::mt19937 random(42);
  const std::string alphabet("\"\"\"\r\n\r\n\x1A\0a,b", 12);
  for (std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{1000}, Conversion::kCopyBlockSize - 1,
        Conversion::kCopyBlockSize, Conversion::kCopyBlockSize * 3 + 7}) {
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string content(size, ' ');
    for (char& c : content) c = alphabet[pick(random)];
    run(dir.write("random.csv", content));
    ASSERT_EQ(readFile(dir.file("qmcnvt.cvt")), referenceClean(content)) << size;
  }
}

TEST_F(ConversionTest, AFolderWithoutWritePermissionGivesTheCreateMessage) {
  std::string folder = dir.file("locked");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  std::string exportPath = folder + "/contacts.csv";
  testing::writeFile(exportPath, twoContacts());
  ASSERT_EQ(::chmod(exportPath.c_str(), 0644), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  EXPECT_EXIT(
      {
        asUnprivilegedUser();
        run(exportPath);
        bool ok = display.errors == std::vector<std::string>{"Unable to create output file!"} &&
                  display.closeRequested && !std::filesystem::exists(folder + "/qmcnvt.cvt");
        ::_exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace cardwharf
