// FaultyFileSystem: the real file system, except for the calls a test tells
// it to fail. For tests only; one thread.

#ifndef CARDWHARF_CONVERT_TESTING_FAULTY_FILE_SYSTEM_H_
#define CARDWHARF_CONVERT_TESTING_FAULTY_FILE_SYSTEM_H_

#include <array>
#include <optional>
#include <string>

#include "convert/file_system.h"

namespace cardwharf::testing {

enum class FsOp {
  openForReading,
  createUnique,
  read,
  readAt,
  write,
  size,
  position,
  close,
  rename,
  remove,
  executablePath,
  count
};

class FaultyFileSystem final : public FileSystem {
 public:
  // Makes call number `nth` (1 for the next one) of `op` fail with `code`;
  // with `lasting`, that call and every later one fail.
  void failOn(FsOp op, int nth, int code, bool lasting = false);

  // How many calls of `op` were made.
  int calls(FsOp op) const { return calls_[static_cast<std::size_t>(op)]; }

  // Makes executablePath give `path`.
  void setExecutablePath(std::string path) { exe_ = std::move(path); }

  int openForReading(const std::string& path, int* fd) override;
  int createUnique(const std::string& prefix, std::string* path, int* fd) override;
  int read(int fd, char* buffer, std::size_t size, std::size_t* got) override;
  int readAt(int fd, std::uint64_t offset, char* buffer, std::size_t size,
             std::size_t* got) override;
  int write(int fd, const char* buffer, std::size_t size, std::size_t* put) override;
  int size(int fd, std::uint64_t* bytes) override;
  int position(int fd, std::uint64_t* offset) override;
  int close(int fd) override;
  int rename(const std::string& from, const std::string& to) override;
  int remove(const std::string& path) override;
  int executablePath(std::string* path) override;

 private:
  struct Fault {
    int at = 0;  // 0: none
    int code = 0;
    bool lasting = false;
  };
  // Counts the call and gives the code it is to fail with, or 0.
  int injected(FsOp op);

  std::array<int, static_cast<std::size_t>(FsOp::count)> calls_{};
  std::array<Fault, static_cast<std::size_t>(FsOp::count)> faults_{};
  std::optional<std::string> exe_;
};

}  // namespace cardwharf::testing

#endif  // CARDWHARF_CONVERT_TESTING_FAULTY_FILE_SYSTEM_H_
