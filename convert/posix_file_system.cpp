// FileSystem on POSIX calls. This is the one place where errno becomes the
// error value of the file layer.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "convert/file_system.h"

namespace cardwharf {
namespace {

int lastError() {
  return errno != 0 ? errno : EIO;
}

class PosixFileSystem final : public FileSystem {
 public:
  int openForReading(const std::string& path, int* fd) override {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is cleared again at
    // once, since reads of a regular file never block anyway.
    int d;
    do {
      d = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (d < 0 && errno == EINTR);
    if (d < 0) return lastError();
    struct stat st;
    if (::fstat(d, &st) != 0) {
      int e = lastError();
      ::close(d);
      return e;
    }
    if (S_ISDIR(st.st_mode)) {
      ::close(d);
      return EISDIR;
    }
    int flags = ::fcntl(d, F_GETFL);
    if (flags < 0 || ::fcntl(d, F_SETFL, flags & ~O_NONBLOCK) != 0) {
      int e = lastError();
      ::close(d);
      return e;
    }
    *fd = d;
    return 0;
  }

  int createUnique(const std::string& prefix, std::string* path, int* fd) override {
    std::vector<char> name(prefix.begin(), prefix.end());
    const char suffix[] = ".XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);  // with its NUL
    // mkostemp creates with O_EXCL and mode 0600: it never follows a link.
    int d = ::mkostemp(name.data(), O_CLOEXEC);
    if (d < 0) return lastError();
    path->assign(name.data());
    *fd = d;
    return 0;
  }

  int read(int fd, char* buffer, std::size_t size, std::size_t* got) override {
    ssize_t n;
    do {
      n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return lastError();
    *got = static_cast<std::size_t>(n);
    return 0;
  }

  int readAt(int fd, std::uint64_t offset, char* buffer, std::size_t size,
             std::size_t* got) override {
    ssize_t n;
    do {
      n = ::pread(fd, buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return lastError();
    *got = static_cast<std::size_t>(n);
    return 0;
  }

  int write(int fd, const char* buffer, std::size_t size, std::size_t* put) override {
    ssize_t n;
    do {
      n = ::write(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return lastError();
    *put = static_cast<std::size_t>(n);
    return 0;
  }

  int size(int fd, std::uint64_t* bytes) override {
    struct stat st;
    if (::fstat(fd, &st) != 0) return lastError();
    *bytes = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    return 0;
  }

  int position(int fd, std::uint64_t* offset) override {
    off_t at = ::lseek(fd, 0, SEEK_CUR);
    if (at < 0) return lastError();
    *offset = static_cast<std::uint64_t>(at);
    return 0;
  }

  int close(int fd) override {
    // Linux releases the descriptor even when close reports an error, so it
    // is never retried.
    return ::close(fd) != 0 ? lastError() : 0;
  }

  int rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) != 0 ? lastError() : 0;
  }

  int remove(const std::string& path) override {
    return ::unlink(path.c_str()) != 0 ? lastError() : 0;
  }

  int executablePath(std::string* path) override {
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n < 0) return lastError();
    path->assign(buffer.data(), static_cast<std::size_t>(n));
    return 0;
  }
};

}  // namespace

FileSystem& posixFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace cardwharf
