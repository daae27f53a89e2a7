#include "convert/line_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "convert/testing/faulty_file_system.h"
#include "testing/temp_dir.h"

namespace cardwharf {
namespace {

using Lines = std::vector<std::string>;
using testing::FaultyFileSystem;
using testing::FsOp;

// Reads the whole file as the import does: test for the end before every line.
Lines readAll(FileSystem& fs, const std::string& path, int* error = nullptr) {
  FileLayer layer(fs);
  LineReader reader(layer);
  reader.open(path);
  Lines lines;
  std::string line;
  while (reader.atEnd() == false && reader.isOpen()) {
    if (!reader.readLine(line)) break;
    lines.push_back(line);
  }
  if (error != nullptr) *error = layer.takeError();
  return lines;
}

struct LineCase {
  const char* name;
  std::string content;
  Lines lines;
};

class LineReaderTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineReaderTest, SplitsTheFileIntoLines) {
  testing::TempDir dir;
  std::string path = dir.write("qmcnvt.cvt", GetParam().content);
  int error = -1;
  EXPECT_EQ(readAll(posixFileSystem(), path, &error), GetParam().lines);
  EXPECT_EQ(error, 0);
}

const std::string Z = "\x1A";

INSTANTIATE_TEST_SUITE_P(
    Files, LineReaderTest,
    ::testing::Values(
        LineCase{"Empty", "", {}}, LineCase{"LastLineWithoutEnd", "a\r\nb", {"a", "b"}},
        LineCase{"FinalLineEndGivesNoEmptyLine", "a\r\n", {"a"}},
        LineCase{"LoneCarriageReturns", "a\rb\r", {"a", "b"}},
        LineCase{"LoneLineFeeds", "head\nrow one\nrow two\n", {"head", "row one", "row two"}},
        LineCase{"BlankLines", "\r\n\r\n", {"", ""}},
        LineCase{"CrLfThenLf", "a\r\n\nb", {"a", "", "b"}},
        LineCase{"LfThenCr", "a\n\rb", {"a", "", "b"}},
        LineCase{"CtrlZAtTheEnd", "a\r\nb" + Z, {"a", "b"}},
        LineCase{
            "CtrlZFollowedOnlyByBreaksAndCtrlZ", "a\r\nb" + Z + "\r\n" + Z + Z + "\n", {"a", "b"}},
        LineCase{"CtrlZAloneOnTheLastLine", "a\r\n" + Z + "\r\n", {"a"}},
        LineCase{"OnlyCtrlZ", Z, {}},
        // A Ctrl-Z with text after it is an ordinary byte: nothing is lost.
        LineCase{"CtrlZInsideALine", "a" + Z + "b\r\nc", {"a" + Z + "b", "c"}},
        LineCase{"CtrlZOnALineOfItsOwn", "a\r\n" + Z + "\r\nc\r\n", {"a", Z, "c"}},
        LineCase{"TwoCtrlZBeforeText", "a" + Z + Z + "b\r\n" + Z, {"a" + Z + Z + "b"}},
        LineCase{"NulIsOrdinary", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineReaderTest, LinesLongerThanABlockAreReadWhole) {
  testing::TempDir dir;
  std::string longLine(LineReader::kBlockSize * 3 + 123, 'x');
  // A carriage return as the last byte of a block, its line feed the first
  // byte of the next, is still one line end.
  std::string edge(LineReader::kBlockSize - 1, 'y');
  std::string path = dir.write("f", edge + "\r\n" + longLine + "\r\nz");
  EXPECT_EQ(readAll(posixFileSystem(), path), (Lines{edge, longLine, "z"}));
}

TEST(LineReaderTest, AFailingReadIsReportedAndEndsTheLines) {
  testing::TempDir dir;
  std::string block(LineReader::kBlockSize, 'a');
  std::string path = dir.write("f", "head\r\n" + block + "\r\nlast\r\n");
  FaultyFileSystem fs;
  fs.failOn(FsOp::read, 2, EIO);
  FileLayer layer(fs);
  LineReader reader(layer);
  reader.open(path);
  std::string line;
  ASSERT_FALSE(reader.atEnd());
  ASSERT_TRUE(reader.readLine(line));
  EXPECT_EQ(line, "head");
  EXPECT_FALSE(reader.readLine(line));  // the second block could not be read
  EXPECT_EQ(layer.takeError(), EIO);
  EXPECT_FALSE(reader.atEnd());  // not the end: a failure, and it stays one
  EXPECT_FALSE(reader.readLine(line));
}

TEST(LineReaderTest, AFailureToFindTheEndIsTheOpensFailure) {
  testing::TempDir dir;
  std::string path = dir.write("f", "a\r\n");
  FaultyFileSystem fs;
  fs.failOn(FsOp::readAt, 1, EIO);
  FileLayer layer(fs);
  LineReader reader(layer);
  reader.open(path);
  EXPECT_EQ(layer.takeError(), EIO);
}

TEST(LineReaderTest, AMissingFileIsReported) {
  testing::TempDir dir;
  FileLayer layer(posixFileSystem());
  LineReader reader(layer);
  reader.open(dir.file("none"));
  EXPECT_EQ(layer.takeError(), ENOENT);
  EXPECT_FALSE(reader.isOpen());
}

TEST(LineReaderTest, AFailingCloseIsReported) {
  testing::TempDir dir;
  std::string path = dir.write("f", "a");
  FaultyFileSystem fs;
  fs.failOn(FsOp::close, 1, EIO);
  FileLayer layer(fs);
  LineReader reader(layer);
  reader.open(path);
  reader.close();
  EXPECT_EQ(layer.takeError(), EIO);
}

}  // namespace
}  // namespace cardwharf
