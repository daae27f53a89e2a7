#include "convert/testing/faulty_file_system.h"

#include <unistd.h>

namespace cardwharf::testing {

void FaultyFileSystem::failOn(FsOp op, int nth, int code, bool lasting) {
  auto i = static_cast<std::size_t>(op);
  faults_[i] = Fault{calls_[i] + nth, code, lasting};
}

int FaultyFileSystem::injected(FsOp op) {
  auto i = static_cast<std::size_t>(op);
  int n = ++calls_[i];
  const Fault& f = faults_[i];
  if (f.at == 0) return 0;
  if (n == f.at || (f.lasting && n > f.at)) return f.code;
  return 0;
}

int FaultyFileSystem::openForReading(const std::string& path, int* fd) {
  if (int e = injected(FsOp::openForReading)) return e;
  return posixFileSystem().openForReading(path, fd);
}

int FaultyFileSystem::createUnique(const std::string& prefix, std::string* path, int* fd) {
  if (int e = injected(FsOp::createUnique)) return e;
  return posixFileSystem().createUnique(prefix, path, fd);
}

int FaultyFileSystem::read(int fd, char* buffer, std::size_t size, std::size_t* got) {
  if (int e = injected(FsOp::read)) return e;
  return posixFileSystem().read(fd, buffer, size, got);
}

int FaultyFileSystem::readAt(int fd, std::uint64_t offset, char* buffer, std::size_t size,
                             std::size_t* got) {
  if (int e = injected(FsOp::readAt)) return e;
  return posixFileSystem().readAt(fd, offset, buffer, size, got);
}

int FaultyFileSystem::write(int fd, const char* buffer, std::size_t size, std::size_t* put) {
  if (int e = injected(FsOp::write)) return e;
  return posixFileSystem().write(fd, buffer, size, put);
}

int FaultyFileSystem::size(int fd, std::uint64_t* bytes) {
  if (int e = injected(FsOp::size)) return e;
  return posixFileSystem().size(fd, bytes);
}

int FaultyFileSystem::position(int fd, std::uint64_t* offset) {
  if (int e = injected(FsOp::position)) return e;
  return posixFileSystem().position(fd, offset);
}

int FaultyFileSystem::close(int fd) {
  // The descriptor is closed even when the call is made to fail, as Linux
  // does, so that no test leaks one.
  int e = injected(FsOp::close);
  int real = posixFileSystem().close(fd);
  return e != 0 ? e : real;
}

int FaultyFileSystem::rename(const std::string& from, const std::string& to) {
  if (int e = injected(FsOp::rename)) return e;
  return posixFileSystem().rename(from, to);
}

int FaultyFileSystem::remove(const std::string& path) {
  if (int e = injected(FsOp::remove)) return e;
  return posixFileSystem().remove(path);
}

int FaultyFileSystem::executablePath(std::string* path) {
  if (int e = injected(FsOp::executablePath)) return e;
  if (exe_) {
    *path = *exe_;
    return 0;
  }
  return posixFileSystem().executablePath(path);
}

}  // namespace cardwharf::testing
