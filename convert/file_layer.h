// The file layer of the conversion engine: the pending file error and the
// byte files that the run and the cleaner work on.
//
// File operations never throw. A failing open, create, read, write, end test
// or close stores its error code (an errno value) as the pending file error,
// replacing any code already pending; later operations go on regardless. A
// check takes the pending code and clears it; zero means that nothing has
// failed since the last check.
//
// A FileLayer and the files made on it belong to one thread. The FileSystem it
// is given must outlive it.

#ifndef CARDWHARF_CONVERT_FILE_LAYER_H_
#define CARDWHARF_CONVERT_FILE_LAYER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/file_system.h"

namespace cardwharf {

class FileLayer {
 public:
  explicit FileLayer(FileSystem& fs) : fs_(fs) {}
  FileLayer(const FileLayer&) = delete;
  FileLayer& operator=(const FileLayer&) = delete;

  FileSystem& fs() { return fs_; }

  // Stores `code` as the pending file error (zero stores nothing).
  void fail(int code) {
    if (code != 0) pending_ = code;
  }

  // Gives the pending file error and clears it; zero when nothing is pending.
  int takeError() {
    int code = pending_;
    pending_ = 0;
    return code;
  }

 private:
  FileSystem& fs_;
  int pending_ = 0;
};

// An existing file opened for reading only, read in blocks (the export).
class InputFile {
 public:
  explicit InputFile(FileLayer& layer) : layer_(layer) {}
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() { release(); }

  // Opens `name` for reading. An empty name is refused with ENOENT. A file
  // that is still open from before is released first. Failure: the code is
  // pending and the file stays closed.
  void open(const std::string& name);

  bool isOpen() const { return fd_ >= 0; }

  // The end test: true when the read position has reached the file's current
  // size. A failing test stores its code and counts as the end; so does a
  // file that is not open.
  bool atEnd();

  // Reads at most `size` bytes, but never past the size that the last end
  // test found. Gives the number of bytes read; 0 on failure (code pending)
  // or when nothing is left.
  std::size_t read(char* buffer, std::size_t size);

  // Closes the file; a failure stores its code.
  void close();

  // Closes the file without reporting anything; for leaving a run early.
  void release();

  // True when any operation on this file failed since it was opened.
  bool failed() const { return failed_; }

 private:
  void fail(int code);

  FileLayer& layer_;
  int fd_ = -1;
  std::uint64_t remaining_ = 0;
  bool failed_ = false;
};

// A new file that takes the place of `name` only once it is complete.
//
// The bytes go to a fresh file beside `name`, created with mode 0600 under a
// unique name, so that nothing already at `name` (a file, a symbolic or hard
// link placed there, or the very file being read) is opened, emptied or
// written through. commit() then renames the new file over `name`. A file
// that is never committed is removed again.
class OutputFile {
 public:
  explicit OutputFile(FileLayer& layer) : layer_(layer) {}
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() { discard(); }

  // Starts a new file that is to become `name`. Failure: the code is pending.
  void create(const std::string& name);

  // Writes all `size` bytes. False on failure (code pending); after a failure
  // nothing more is written.
  bool write(const char* data, std::size_t size);

  // Closes the new file; a failure stores its code.
  void close();

  // Renames the closed new file over `name`. False on failure (code pending);
  // the new file is then removed.
  bool commit();

  // Closes and removes the new file unless it was committed; reports nothing.
  void discard();

  // True when any operation on this file failed since it was created.
  bool failed() const { return failed_; }

 private:
  void fail(int code);

  FileLayer& layer_;
  std::string name_;
  std::string temporary_;
  int fd_ = -1;
  bool failed_ = false;
};

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_FILE_LAYER_H_
