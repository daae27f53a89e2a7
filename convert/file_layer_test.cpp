#include "convert/file_layer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "convert/testing/faulty_file_system.h"
#include "testing/temp_dir.h"

namespace cardwharf {
namespace {

using testing::FaultyFileSystem;
using testing::FsOp;
using testing::TempDir;

std::size_t entries(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(PendingErrorTest, ACheckTakesTheLastCodeAndClearsIt) {
  FileLayer layer(posixFileSystem());
  EXPECT_EQ(layer.takeError(), 0);
  layer.fail(ENOENT);
  layer.fail(EIO);  // replaces the code before it
  EXPECT_EQ(layer.takeError(), EIO);
  EXPECT_EQ(layer.takeError(), 0);
}

struct OpenCase {
  const char* name;
  int error;
};

TEST(InputFileTest, OpenFailuresLeaveTheirCode) {
  TempDir dir;
  dir.write("file", "x");
  ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0700), 0);
  for (const auto& [name, error] : {OpenCase{"", ENOENT}, OpenCase{"missing", ENOENT},
                                    OpenCase{"folder", EISDIR}, OpenCase{"file/inner", ENOTDIR}}) {
    FileLayer layer(posixFileSystem());
    InputFile in(layer);
    in.open(std::string(name).empty() ? "" : dir.file(name));
    EXPECT_EQ(layer.takeError(), error) << name;
    EXPECT_FALSE(in.isOpen()) << name;
  }
}

TEST(InputFileTest, AReadOnlyFileOpensAndReads) {
  TempDir dir;
  std::string path = dir.write("export.csv", "abc");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  FileLayer layer(posixFileSystem());
  InputFile in(layer);
  in.open(path);
  ASSERT_EQ(layer.takeError(), 0);
  char buffer[8];
  ASSERT_FALSE(in.atEnd());
  EXPECT_EQ(in.read(buffer, sizeof buffer), 3u);
  EXPECT_TRUE(in.atEnd());
  in.close();
  EXPECT_EQ(layer.takeError(), 0);
}

TEST(InputFileTest, AFifoDoesNotBlockAndEndsTheInput) {
  TempDir dir;
  std::string path = dir.file("fifo");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  FileLayer layer(posixFileSystem());
  InputFile in(layer);
  in.open(path);
  ASSERT_EQ(layer.takeError(), 0);
  EXPECT_TRUE(in.atEnd());  // a FIFO has no position: the end test fails
  EXPECT_EQ(layer.takeError(), ESPIPE);
}

TEST(InputFileTest, FailingEndTestsAndReadsLeaveTheirCode) {
  TempDir dir;
  std::string path = dir.write("f", "abc");
  for (FsOp op : {FsOp::size, FsOp::position, FsOp::read}) {
    FaultyFileSystem fs;
    fs.failOn(op, 1, EIO);
    FileLayer layer(fs);
    InputFile in(layer);
    in.open(path);
    char buffer[8];
    bool end = in.atEnd();
    std::size_t got = end ? 0 : in.read(buffer, sizeof buffer);
    EXPECT_EQ(end, op != FsOp::read);
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(in.failed());
    EXPECT_EQ(layer.takeError(), EIO);
  }
}

TEST(PosixFileSystemTest, AFullDeviceGivesNoSpace) {
  int fd = ::open("/dev/full", O_WRONLY);
  if (fd < 0) GTEST_SKIP() << "no /dev/full";
  std::size_t put = 0;
  EXPECT_EQ(posixFileSystem().write(fd, "abc", 3, &put), ENOSPC);
  EXPECT_EQ(posixFileSystem().close(fd), 0);
}

TEST(OutputFileTest, ANewFileIsPrivateAndAppearsOnlyWhenCommitted) {
  TempDir dir;
  std::string name = dir.file("qmcnvt.cvt");
  FileLayer layer(posixFileSystem());
  OutputFile out(layer);
  out.create(name);
  ASSERT_EQ(layer.takeError(), 0);
  ASSERT_TRUE(out.write("abc", 3));
  EXPECT_FALSE(std::filesystem::exists(name));
  out.close();
  ASSERT_TRUE(out.commit());
  EXPECT_EQ(testing::readFile(name), "abc");
  struct stat st;
  ASSERT_EQ(::stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(OutputFileTest, AnUncommittedFileLeavesNothingBehind) {
  TempDir dir;
  dir.write("qmcnvt.cvt", "old");
  {
    FileLayer layer(posixFileSystem());
    OutputFile out(layer);
    out.create(dir.file("qmcnvt.cvt"));
    out.write("new", 3);
  }
  EXPECT_EQ(testing::readFile(dir.file("qmcnvt.cvt")), "old");
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(OutputFileTest, CreateFailuresLeaveTheirCode) {
  TempDir dir;
  dir.write("file", "x");
  for (const auto& [name, error] :
       {OpenCase{"missing/qmcnvt.cvt", ENOENT}, OpenCase{"file/qmcnvt.cvt", ENOTDIR}}) {
    FileLayer layer(posixFileSystem());
    OutputFile out(layer);
    out.create(dir.file(name));
    EXPECT_EQ(layer.takeError(), error) << name;
  }
}

TEST(OutputFileTest, ReplacingALinkNeverWritesThroughIt) {
  TempDir dir;
  std::string precious = dir.write("precious.txt", "keep me");
  std::string other = dir.write("other.txt", "keep me too");
  ASSERT_EQ(::symlink(precious.c_str(), dir.file("a.cvt").c_str()), 0);
  ASSERT_EQ(::link(other.c_str(), dir.file("b.cvt").c_str()), 0);
  for (const char* name : {"a.cvt", "b.cvt"}) {
    FileLayer layer(posixFileSystem());
    OutputFile out(layer);
    out.create(dir.file(name));
    ASSERT_TRUE(out.write("new", 3));
    out.close();
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(testing::readFile(dir.file(name)), "new");
  }
  EXPECT_EQ(testing::readFile(precious), "keep me");
  EXPECT_EQ(testing::readFile(other), "keep me too");
  EXPECT_FALSE(std::filesystem::is_symlink(dir.file("a.cvt")));
}

TEST(OutputFileTest, AFailedWriteStopsTheFile) {
  TempDir dir;
  FaultyFileSystem fs;
  fs.failOn(FsOp::write, 2, ENOSPC);
  FileLayer layer(fs);
  OutputFile out(layer);
  out.create(dir.file("qmcnvt.cvt"));
  EXPECT_TRUE(out.write("a", 1));
  EXPECT_FALSE(out.write("b", 1));
  EXPECT_FALSE(out.write("c", 1));  // nothing more after a failure
  EXPECT_EQ(fs.calls(FsOp::write), 2);
  EXPECT_TRUE(out.failed());
  EXPECT_EQ(layer.takeError(), ENOSPC);
}

TEST(OutputFileTest, AFailedRenameRemovesTheNewFile) {
  TempDir dir;
  FaultyFileSystem fs;
  fs.failOn(FsOp::rename, 1, EXDEV);
  FileLayer layer(fs);
  OutputFile out(layer);
  out.create(dir.file("qmcnvt.cvt"));
  out.write("a", 1);
  out.close();
  EXPECT_FALSE(out.commit());
  EXPECT_EQ(layer.takeError(), EXDEV);
  EXPECT_EQ(entries(dir.path()), 0u);
}

}  // namespace
}  // namespace cardwharf
