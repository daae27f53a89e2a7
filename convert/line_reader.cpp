#include "convert/line_reader.h"

#include <cerrno>
#include <cstring>

namespace cardwharf {
namespace {

constexpr char kReturn = 13;
constexpr char kLineFeed = 10;
constexpr char kCtrlZ = 26;

bool isTrailer(char c) {
  return c == kCtrlZ || c == kReturn || c == kLineFeed;
}

}  // namespace

LineReader::LineReader(FileLayer& layer)
    : layer_(layer), block_(std::make_unique<char[]>(kBlockSize)) {}

void LineReader::fail(int code) {
  failed_ = true;
  layer_.fail(code);
}

void LineReader::open(const std::string& name) {
  release();
  pos_ = len_ = 0;
  offset_ = limit_ = 0;
  afterReturn_ = false;
  failed_ = false;
  int fd = -1;
  if (int code = layer_.fs().openForReading(name, &fd); code != 0) {
    fail(code);
    return;
  }
  fd_ = fd;
  std::uint64_t size = 0;
  if (int code = layer_.fs().size(fd_, &size); code != 0) {
    fail(code);
    return;
  }
  findTextEnd(size);
}

// Walks back from the end of the file over its trailing run of Ctrl-Z,
// carriage return and line feed bytes; the text ends at the first Ctrl-Z of
// that run, or at the end of the file when the run holds none.
void LineReader::findTextEnd(std::uint64_t size) {
  limit_ = size;
  std::uint64_t at = size;
  while (at > 0) {
    std::size_t want = at < kBlockSize ? static_cast<std::size_t>(at) : kBlockSize;
    std::uint64_t from = at - want;
    std::size_t got = 0;
    if (int code = layer_.fs().readAt(fd_, from, block_.get(), want, &got); code != 0) {
      fail(code);
      return;
    }
    if (got != want) {  // the file shrank meanwhile: its text ends where it could be read
      limit_ = from + got;
      return;
    }
    for (std::size_t i = want; i-- > 0;) {
      if (!isTrailer(block_[i])) return;
      if (block_[i] == kCtrlZ) limit_ = from + i;
    }
    at = from;
  }
}

bool LineReader::refill() {
  pos_ = len_ = 0;
  if (offset_ >= limit_) return true;
  std::uint64_t left = limit_ - offset_;
  std::size_t want = left < kBlockSize ? static_cast<std::size_t>(left) : kBlockSize;
  std::size_t got = 0;
  if (int code = layer_.fs().read(fd_, block_.get(), want, &got); code != 0) {
    fail(code);
    return false;
  }
  if (got == 0) limit_ = offset_;  // the file shrank meanwhile
  len_ = got;
  offset_ += got;
  return true;
}

bool LineReader::skipLineFeedAfterReturn() {
  if (!afterReturn_) return true;
  if (pos_ == len_ && !refill()) return false;
  afterReturn_ = false;
  if (pos_ < len_ && block_[pos_] == kLineFeed) ++pos_;
  return true;
}

bool LineReader::atEnd() {
  if (fd_ < 0 || failed_) return false;
  if (!skipLineFeedAfterReturn()) return false;
  return pos_ == len_ && offset_ >= limit_;
}

bool LineReader::readLine(std::string& line) {
  line.clear();
  if (fd_ < 0) {
    fail(EBADF);
    return false;
  }
  if (failed_ || !skipLineFeedAfterReturn()) return false;
  for (;;) {
    if (pos_ == len_) {
      if (!refill()) return false;
      if (len_ == 0) return true;  // the last line, without a line end
    }
    const char* start = block_.get() + pos_;
    const char* end = block_.get() + len_;
    const char* stop = start;
    while (stop != end && *stop != kReturn && *stop != kLineFeed) ++stop;
    line.append(start, stop);
    if (stop == end) {
      pos_ = len_;
      continue;
    }
    afterReturn_ = *stop == kReturn;
    pos_ = static_cast<std::size_t>(stop - block_.get()) + 1;
    return true;
  }
}

void LineReader::close() {
  if (fd_ < 0) return;
  int code = layer_.fs().close(fd_);
  fd_ = -1;
  if (code != 0) fail(code);
}

void LineReader::release() {
  if (fd_ < 0) return;
  layer_.fs().close(fd_);
  fd_ = -1;
}

}  // namespace cardwharf
