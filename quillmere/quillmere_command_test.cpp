// The quillmere command, run as a user runs it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "automation/registry.h"
#include "automation/runtime.h"
#include "quillmere/identity.h"
#include "quillmere/registration.h"
#include "quillmere/testing/quillmere_home.h"
#include "testing/run_process.h"

namespace cardwharf {
namespace {

using testing::ProcessResult;
using testing::runProcess;

class QuillmereCommandTest : public testing::QuillmereHome {
 protected:
  ProcessResult quillmere(std::vector<std::string> args) {
    args.insert(args.begin(), QUILLMERE_COMMAND);
    return runProcess(args);
  }

  // A store with the book "from Schedule+" holding `entries`.
  void fill(const std::vector<quillmere::StoredEntry>& entries) {
    auto store = quillmere::Store::open(storePath(), quillmere::Store::Mode::readWrite);
    std::int64_t account = store->ensureAccount(testing::currentLogin());
    std::int64_t book = store->addBook(account, "from Schedule+");
    store->addBook(account, "Other");
    for (const auto& e : entries) {
      std::int64_t id = store->addEntry(book, e.name);
      for (const auto& f : e.fields) store->addField(id, f.name, f.kind, f.value);
    }
  }
};

quillmere::StoredEntry contact(const std::string& first, const std::string& last) {
  return {0,
          first + " " + last,
          {{"Title", 1, "Head of Sales, North"},
           {"First Name", 1, first},
           {"Last Name", 1, last},
           {"Organization", 1, "Acme; \"Ltd\""},
           {"Department", 1, "Sales"},
           {"Address", 1, "1 Main St, Flat 2"},
           {"City", 1, "M\xC3\xBCnchen"},
           {"State", 1, "BY"},
           {"ZIP Code", 1, "80331"},
           {"Country", 1, "Germany"},
           {"Office Phone Number", 1, "+49 89 1"},
           {"Phone Number", 1, "+49 89 1"},
           {"Fax Number", 1, "+49 89 2"},
           {"Cellular Phone Number", 1, "+49 170 3"},
           {"Home Phone Number", 1, "+49 89 4"},
           {"Mail Stop", 1, "MS-7\\B"},
           {"Comments", 1,
            "Met at the \"fair\"; " + std::string(120, 'x') + " \xE4\xBD\xA0\xE5\xA5\xBD"}}};
}

TEST_F(QuillmereCommandTest, HelpSaysWhatItDoes) {
  ProcessResult r = quillmere({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  for (const char* word :
       {"register", "unregister", "books", "entries BOOK --json", "vcard BOOK", "store.sqlite3"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
}

TEST_F(QuillmereCommandTest, ProblemsGoToStandardErrorWithAStatus) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  std::vector<Case> cases = {
      {{}, 2, "quillmere: no command given\nTry 'quillmere --help'.\n"},
      {{"frobnicate"}, 2, "quillmere: unknown command 'frobnicate'\nTry 'quillmere --help'.\n"},
      {{"entries"}, 2, "quillmere: wrong arguments for 'entries'\nTry 'quillmere --help'.\n"},
      {{"books"},
       1,
       "quillmere: The address book store " + storePath() +
           " does not exist (nothing has been converted into it yet)\n"},
  };
  for (const Case& c : cases) {
    ProcessResult r = quillmere(c.args);
    EXPECT_EQ(r.exitCode, c.status);
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.out, "");
  }
  fill({});
  ProcessResult r = quillmere({"entries", "Nope"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quillmere: there is no address book named \"Nope\"\n");

  std::filesystem::remove(storePath() + "-wal");
  std::filesystem::remove(storePath() + "-shm");
  testing::writeFile(storePath(), std::string(8192, 'x'));
  r = quillmere({"books"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quillmere: The address book store " + storePath() +
                       " is not a Quillmere address book store\n");
}

TEST_F(QuillmereCommandTest, BooksAndEntries) {
  fill({contact("Ann", "Smith"), {0, "Bob Jones", {{"City", 1, "Oslo"}}}});
  ProcessResult r = quillmere({"books"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "from Schedule+\nOther\n");

  r = quillmere({"entries", "from Schedule+"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Ann Smith\n  Title                  Head of Sales, North\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\nBob Jones\n  City  Oslo\n"), std::string::npos) << r.out;

  r = quillmere({"entries", "from Schedule+", "--json"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.substr(0, 36), "[\n  {\"name\": \"Ann Smith\", \"fields\": ");
  EXPECT_NE(r.out.find("{\"name\": \"Bob Jones\", \"fields\": [{\"name\": \"City\", \"kind\": 1, "
                       "\"value\": \"Oslo\"}]}\n]\n"),
            std::string::npos);
  r = quillmere({"entries", "Other", "--json"});
  EXPECT_EQ(r.out, "[]\n");
}

TEST_F(QuillmereCommandTest, ARealParserReadsTheCardsBack) {
  const char* python = "/usr/bin/python3";
  if (runProcess({python, "-c", "import vobject"}).exitCode != 0) {
    GTEST_SKIP() << "python3-vobject is not installed";
  }
  fill({contact("Ann", "Smith"),
        contact("J\xC3\xBCrgen", "M\xC3\xBCller"),
        {0, "Only Name", {{"First Name", 1, "Only"}, {"Last Name", 1, "Name"}}},
        {0, " ", {}}});
  ProcessResult json = quillmere({"entries", "from Schedule+", "--json"});
  ProcessResult cards = quillmere({"vcard", "from Schedule+"});
  ASSERT_EQ(json.exitCode, 0);
  ASSERT_EQ(cards.exitCode, 0);
  EXPECT_EQ(cards.out.substr(0, 26), "BEGIN:VCARD\r\nVERSION:4.0\r\n");
  std::string jsonFile = home.write("entries.json", json.out);
  std::string vcardFile = home.write("cards.vcf", cards.out);
  ProcessResult check = runProcess(
      {python, std::string(QUILLMERE_SOURCE_DIR) + "/testing/check_vcard.py", jsonFile, vcardFile});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  EXPECT_EQ(check.out, "ok\n");
}

TEST_F(QuillmereCommandTest, RegisterAndUnregister) {
  quillmere::unregisterComponent();
  ProcessResult r = quillmere({"register"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string file = home.file("automation/classes/CorvantisGroupWareSession.class");
  std::string text = testing::readFile(file);
  std::string library = std::filesystem::canonical(QUILLMERE_COMPONENT).string();
  EXPECT_EQ(text, quillmere::registrationText(library));
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  automation::CLSID clsid;
  EXPECT_EQ(automation::CLSIDFromProgID(u"CorvantisGroupWareSession", &clsid), automation::S_OK);
  EXPECT_EQ(automation::formatGuid(clsid), quillmere::kSessionClsid);

  r = quillmere({"unregister"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(automation::CLSIDFromProgID(u"CorvantisGroupWareSession", &clsid),
            automation::CO_E_CLASSSTRING);
  r = quillmere({"unregister"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "There was no registration at " + file + "\n");
}

TEST_F(QuillmereCommandTest, ALibraryOthersMayWriteIsNotRegistered) {
  std::string copy = home.file("libquillmere-component.so");
  std::filesystem::copy_file(QUILLMERE_COMPONENT, copy);
  ::chmod(copy.c_str(), 0777);
  try {
    quillmere::registerComponent(copy);
    FAIL() << "registered";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("may be changed by other users"), std::string::npos);
  }
  EXPECT_THROW(quillmere::registerComponent("relative/lib.so"), std::runtime_error);
}

}  // namespace
}  // namespace cardwharf
