#include "convert/path_rules.h"

#include <gtest/gtest.h>

namespace cardwharf {
namespace {

struct PathCase {
  const char* path;
  const char* folder;
  const char* intermediate;
};

class PathRulesTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathRulesTest, FolderPartAndIntermediateFile) {
  const PathCase& c = GetParam();
  EXPECT_EQ(folderPart(c.path), c.folder);
  EXPECT_EQ(intermediatePath(c.path), c.intermediate);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathRulesTest,
    ::testing::Values(PathCase{"/data/contacts.csv", "/data", "/data/qmcnvt.cvt"},
                      PathCase{"/contacts.csv", "/", "//qmcnvt.cvt"},
                      // A name without a folder keeps the intermediate file beside it, in
                      // the current folder.
                      PathCase{"contacts.csv", "", "qmcnvt.cvt"}, PathCase{"", "", "qmcnvt.cvt"},
                      PathCase{"sub/contacts.csv", "sub", "sub/qmcnvt.cvt"},
                      PathCase{"./contacts.csv", ".", "./qmcnvt.cvt"},
                      // A separator that follows another one is kept, as at a root.
                      PathCase{"//contacts.csv", "//", "///qmcnvt.cvt"},
                      PathCase{"/data//contacts.csv", "/data//", "/data///qmcnvt.cvt"},
                      PathCase{"/home/ann/My Files/é.csv", "/home/ann/My Files",
                               "/home/ann/My Files/qmcnvt.cvt"},
                      PathCase{"/data/", "/data", "/data/qmcnvt.cvt"},
                      PathCase{"/", "/", "//qmcnvt.cvt"}));

}  // namespace
}  // namespace cardwharf
