#include "automation/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

namespace cardwharf::automation {
namespace {

using cardwharf::testing::ScopedEnv;
using cardwharf::testing::TempDir;

const char* kClsid = "{1B2C3D4E-5F60-7182-93A4-B5C6D7E8F901}";

TEST(GuidTest, ReadsAndWritesTheBracedForm) {
  GUID g;
  ASSERT_TRUE(parseGuid("{00020400-0000-0000-c000-000000000046}", &g));
  EXPECT_EQ(g, IID_IDispatch);
  EXPECT_EQ(formatGuid(g), "{00020400-0000-0000-C000-000000000046}");
  for (const char* bad :
       {"", "00020400-0000-0000-C000-000000000046", "{00020400-0000-0000-C000-00000000004}",
        "{0002040G-0000-0000-C000-000000000046}", "{00020400+0000-0000-C000-000000000046}"}) {
    EXPECT_FALSE(parseGuid(bad, &g)) << bad;
  }
}

struct RegistrationCase {
  const char* name;
  std::string text;
  HRESULT status;
};

class ParseRegistrationTest : public ::testing::TestWithParam<RegistrationCase> {};

TEST_P(ParseRegistrationTest, ReadsOrRefuses) {
  Registration r;
  EXPECT_EQ(parseRegistration(GetParam().text, &r), GetParam().status);
  if (GetParam().status == S_OK) {
    EXPECT_EQ(formatGuid(r.clsid), kClsid);
    EXPECT_EQ(r.inprocServer, "/usr/lib/x.so");
  }
}

const std::string kGood = std::string("CLSID=") + kClsid + "\nInprocServer=/usr/lib/x.so\n";

INSTANTIATE_TEST_SUITE_P(
    Files, ParseRegistrationTest,
    ::testing::Values(
        RegistrationCase{"Good", kGood, S_OK},
        RegistrationCase{"CommentsBlanksAndCrLf",
                         "# made by quillmere register\r\n\r\n CLSID = " + std::string(kClsid) +
                             "\r\nInprocServer=/usr/lib/x.so\r\nVersion=1\r\n",
                         S_OK},
        RegistrationCase{"RelativeLibrary",
                         std::string("CLSID=") + kClsid + "\nInprocServer=lib/x.so\n",
                         REGDB_E_INVALIDVALUE},
        RegistrationCase{"NoLibrary", std::string("CLSID=") + kClsid + "\n", REGDB_E_INVALIDVALUE},
        RegistrationCase{"NoClsid", "InprocServer=/usr/lib/x.so\n", REGDB_E_INVALIDVALUE},
        RegistrationCase{"BadClsid", "CLSID={nope}\nInprocServer=/usr/lib/x.so\n",
                         REGDB_E_INVALIDVALUE},
        RegistrationCase{"RepeatedKey", kGood + "InprocServer=/usr/lib/y.so\n",
                         REGDB_E_INVALIDVALUE},
        RegistrationCase{"NotKeyValue", kGood + "garbage\n", REGDB_E_INVALIDVALUE},
        RegistrationCase{"Empty", "", REGDB_E_INVALIDVALUE},
        RegistrationCase{"Binary", std::string("\0\xFF\x01=", 4), REGDB_E_INVALIDVALUE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegistryTest, FoldersFollowTheXdgVariables) {
  ScopedEnv env;
  env.set("XDG_DATA_HOME", "/home/ann/data").set("XDG_DATA_DIRS", "/opt/share:relative:/usr/share");
  EXPECT_EQ(classFolders(), (std::vector<std::string>{"/home/ann/data/automation/classes",
                                                      "/opt/share/automation/classes",
                                                      "/usr/share/automation/classes"}));
  env.set("XDG_DATA_HOME", nullptr).set("XDG_DATA_DIRS", nullptr).set("HOME", "/home/bob");
  EXPECT_EQ(classFolders(), (std::vector<std::string>{"/home/bob/.local/share/automation/classes",
                                                      "/usr/local/share/automation/classes",
                                                      "/usr/share/automation/classes"}));
}

TEST(RegistryTest, OnlyTheOwnerMayWrite) {
  unsigned me = ::geteuid();
  unsigned stranger = me == 0 ? 12345 : me + 1;
  EXPECT_TRUE(isSafeToTrust(me, 0, 0644));
  EXPECT_TRUE(isSafeToTrust(0, 0, 0755));
  EXPECT_FALSE(isSafeToTrust(me, 0, 0646));
  EXPECT_FALSE(isSafeToTrust(me, 0, 0666));
  EXPECT_FALSE(isSafeToTrust(stranger, 0, 0644));
}

class RegistryFilesTest : public ::testing::Test {
 protected:
  RegistryFilesTest() {
    env.set("XDG_DATA_HOME", home.path()).set("XDG_DATA_DIRS", system.path());
    std::filesystem::create_directories(home.file("automation/classes"));
    std::filesystem::create_directories(system.file("automation/classes"));
  }
  std::string write(const TempDir& where, const std::string& name, const std::string& text,
                    unsigned mode = 0644) {
    std::string path = where.write("automation/classes/" + name + ".class", text);
    ::chmod(path.c_str(), mode);
    return path;
  }

  TempDir home;
  TempDir system;
  ScopedEnv env;
};

TEST_F(RegistryFilesTest, TheUsersRegistrationComesFirst) {
  write(system, "Thing",
        "CLSID={00000000-0000-0000-0000-000000000001}\nInprocServer=/usr/lib/system.so\n");
  Registration r;
  ASSERT_EQ(findRegistration("Thing", &r), S_OK);
  EXPECT_EQ(r.inprocServer, "/usr/lib/system.so");
  write(home, "Thing", kGood);
  ASSERT_EQ(findRegistration("Thing", &r), S_OK);
  EXPECT_EQ(r.inprocServer, "/usr/lib/x.so");
  ASSERT_EQ(findRegistration(r.clsid, &r), S_OK);
  GUID other;
  parseGuid("{00000000-0000-0000-0000-000000000001}", &other);
  ASSERT_EQ(findRegistration(other, &r), S_OK);
  EXPECT_EQ(r.inprocServer, "/usr/lib/system.so");
}

TEST_F(RegistryFilesTest, RefusalsHaveTheirStatus) {
  Registration r;
  EXPECT_EQ(findRegistration("Missing", &r), CO_E_CLASSSTRING);
  for (const char* name : {"", ".", "..", "../classes/x", "a/b"}) {
    EXPECT_EQ(findRegistration(name, &r), CO_E_CLASSSTRING) << name;
  }
  write(home, "Writable", kGood, 0666);
  EXPECT_EQ(findRegistration("Writable", &r), E_ACCESSDENIED);
  write(home, "Broken", "CLSID=\n");
  EXPECT_EQ(findRegistration("Broken", &r), REGDB_E_INVALIDVALUE);
  std::filesystem::create_directories(home.file("automation/classes/Folder.class"));
  EXPECT_EQ(findRegistration("Folder", &r), REGDB_E_INVALIDVALUE);
  write(home, "Huge", kGood + std::string(70000, '#'));
  EXPECT_EQ(findRegistration("Huge", &r), REGDB_E_INVALIDVALUE);
  GUID unknown{};
  EXPECT_EQ(findRegistration(unknown, &r), REGDB_E_CLASSNOTREG);
}

TEST_F(RegistryFilesTest, ALibraryMustBeSafeAndPresent) {
  std::string lib = home.write("lib.so", "x");
  ::chmod(lib.c_str(), 0755);
  EXPECT_EQ(checkLibrary(lib), S_OK);
  ::chmod(lib.c_str(), 0757);
  EXPECT_EQ(checkLibrary(lib), E_ACCESSDENIED);
  EXPECT_EQ(checkLibrary(home.file("none.so")), CO_E_DLLNOTFOUND);
  EXPECT_EQ(checkLibrary(home.path()), CO_E_DLLNOTFOUND);
}

}  // namespace
}  // namespace cardwharf::automation
