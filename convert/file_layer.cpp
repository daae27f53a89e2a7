#include "convert/file_layer.h"

#include <cerrno>

namespace cardwharf {

void InputFile::fail(int code) {
  failed_ = true;
  layer_.fail(code);
}

void InputFile::open(const std::string& name) {
  release();
  failed_ = false;
  remaining_ = 0;
  if (name.empty()) {
    fail(ENOENT);
    return;
  }
  int fd = -1;
  if (int code = layer_.fs().openForReading(name, &fd); code != 0) {
    fail(code);
    return;
  }
  fd_ = fd;
}

bool InputFile::atEnd() {
  if (fd_ < 0) {
    fail(EBADF);
    return true;
  }
  std::uint64_t size = 0;
  std::uint64_t position = 0;
  if (int code = layer_.fs().size(fd_, &size); code != 0) {
    fail(code);
    return true;
  }
  if (int code = layer_.fs().position(fd_, &position); code != 0) {
    fail(code);
    return true;
  }
  remaining_ = position < size ? size - position : 0;
  return remaining_ == 0;
}

std::size_t InputFile::read(char* buffer, std::size_t size) {
  if (fd_ < 0) {
    fail(EBADF);
    return 0;
  }
  if (remaining_ < size) size = static_cast<std::size_t>(remaining_);
  if (size == 0) return 0;
  std::size_t got = 0;
  if (int code = layer_.fs().read(fd_, buffer, size, &got); code != 0) {
    fail(code);
    return 0;
  }
  remaining_ -= got;
  return got;
}

void InputFile::close() {
  if (fd_ < 0) return;
  int code = layer_.fs().close(fd_);
  fd_ = -1;
  if (code != 0) fail(code);
}

void InputFile::release() {
  if (fd_ < 0) return;
  layer_.fs().close(fd_);
  fd_ = -1;
}

void OutputFile::fail(int code) {
  failed_ = true;
  layer_.fail(code);
}

void OutputFile::create(const std::string& name) {
  discard();
  failed_ = false;
  name_ = name;
  int fd = -1;
  if (int code = layer_.fs().createUnique(name, &temporary_, &fd); code != 0) {
    temporary_.clear();
    fail(code);
    return;
  }
  fd_ = fd;
}

bool OutputFile::write(const char* data, std::size_t size) {
  if (failed_) return false;
  if (fd_ < 0) {
    fail(EBADF);
    return false;
  }
  while (size > 0) {
    std::size_t put = 0;
    if (int code = layer_.fs().write(fd_, data, size, &put); code != 0) {
      fail(code);
      return false;
    }
    if (put == 0) {  // a regular file that takes nothing is full
      fail(ENOSPC);
      return false;
    }
    data += put;
    size -= put;
  }
  return true;
}

void OutputFile::close() {
  if (fd_ < 0) return;
  int code = layer_.fs().close(fd_);
  fd_ = -1;
  if (code != 0) fail(code);
}

bool OutputFile::commit() {
  if (fd_ >= 0 || temporary_.empty()) {
    fail(EBADF);
    discard();
    return false;
  }
  if (int code = layer_.fs().rename(temporary_, name_); code != 0) {
    fail(code);
    discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void OutputFile::discard() {
  if (fd_ >= 0) {
    layer_.fs().close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    layer_.fs().remove(temporary_);
    temporary_.clear();
  }
}

}  // namespace cardwharf
