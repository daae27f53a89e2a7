// LineReader reads the intermediate file back as text lines.
//
// A line ends at a carriage return, a line feed, or a carriage return with a
// line feed; the line end is not part of the line. The last line counts
// whether or not a line end follows it, and a line end at the very end gives
// no further, empty line. A Ctrl-Z (26) is the end-of-file mark of old text
// files only where nothing but Ctrl-Z, carriage returns and line feeds
// follows it; there the file ends. Anywhere else it is an ordinary byte.
//
// Lines have no length limit. The reader keeps one block of the file and the
// current line, so memory grows with the longest line, never with the file.
// Failures follow the file layer: the code is pending on the FileLayer.
// One thread.

#ifndef CARDWHARF_CONVERT_LINE_READER_H_
#define CARDWHARF_CONVERT_LINE_READER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "convert/file_layer.h"

namespace cardwharf {

class LineReader {
 public:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  explicit LineReader(FileLayer& layer);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  ~LineReader() { release(); }

  // Opens `name` for reading and finds where its text ends. Failure: the code
  // is pending and the reader stays closed.
  void open(const std::string& name);

  bool isOpen() const { return fd_ >= 0; }

  // True when no further line is to be read. False after a failed read (the
  // next readLine then fails too) and while the file is not open.
  bool atEnd();

  // Reads the next line into `line`. False on failure (code pending); `line`
  // then holds what was read of it. At the end `line` is empty.
  bool readLine(std::string& line);

  // Closes the file; a failure stores its code.
  void close();

  // Closes the file without reporting anything.
  void release();

 private:
  void fail(int code);
  void findTextEnd(std::uint64_t size);
  bool refill();
  bool skipLineFeedAfterReturn();

  FileLayer& layer_;
  std::unique_ptr<char[]> block_;
  int fd_ = -1;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  std::uint64_t offset_ = 0;  // of the byte after the block
  std::uint64_t limit_ = 0;   // where the text ends
  bool afterReturn_ = false;  // the last line ended with a carriage return
  bool failed_ = false;
};

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_LINE_READER_H_
