// The narrow seam between the conversion engine and the operating system's
// files.
//
// Every call the engine makes on a file goes through a FileSystem, so that a
// test can put a FileSystem in its place that fails any single call. Each
// operation returns 0 on success and an errno value on failure; the POSIX
// implementation is the only place where errno is read. Nothing here throws.
//
// A FileSystem holds no state of its own about the files; descriptors belong
// to the caller, who closes them. The engine uses it from one thread only.

#ifndef CARDWHARF_CONVERT_FILE_SYSTEM_H_
#define CARDWHARF_CONVERT_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace cardwharf {

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // Opens an existing file for reading only. A folder is refused (EISDIR);
  // opening never blocks, not even on a FIFO. On success stores the
  // descriptor in *fd.
  virtual int openForReading(const std::string& path, int* fd) = 0;

  // Creates a new file named `prefix` followed by a unique suffix, readable
  // and writable by its owner only, for writing. It never follows or reuses
  // anything already at that name. On success stores the full name in *path
  // and the descriptor in *fd.
  virtual int createUnique(const std::string& prefix, std::string* path, int* fd) = 0;

  // Reads at most `size` bytes at the current position; *got is 0 at the end.
  virtual int read(int fd, char* buffer, std::size_t size, std::size_t* got) = 0;

  // Reads at most `size` bytes at `offset` without moving the position.
  virtual int readAt(int fd, std::uint64_t offset, char* buffer, std::size_t size,
                     std::size_t* got) = 0;

  // Writes at most `size` bytes; *put says how many were written.
  virtual int write(int fd, const char* buffer, std::size_t size, std::size_t* put) = 0;

  // The file's current size in bytes.
  virtual int size(int fd, std::uint64_t* bytes) = 0;

  // The current read or write position.
  virtual int position(int fd, std::uint64_t* offset) = 0;

  // Closes the descriptor; it is gone afterwards whatever the result.
  virtual int close(int fd) = 0;

  // Gives the file `from` the name `to`, replacing whatever entry `to` was
  // (a file, a symbolic link or a hard link) without writing through it.
  virtual int rename(const std::string& from, const std::string& to) = 0;

  // Removes the name `path`.
  virtual int remove(const std::string& path) = 0;

  // The full path of the running program's executable.
  virtual int executablePath(std::string* path) = 0;
};

// The FileSystem of the real operating system. It lives as long as the
// program and may be shared.
FileSystem& posixFileSystem();

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_FILE_SYSTEM_H_
