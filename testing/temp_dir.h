// TempDir: a fresh folder for one test, removed with everything in it when
// the test is done. For tests only.

#ifndef CARDWHARF_TESTING_TEMP_DIR_H_
#define CARDWHARF_TESTING_TEMP_DIR_H_

#include <string>

namespace cardwharf::testing {

class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  const std::string& path() const { return path_; }

  // The full name of `name` inside the folder.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Writes `content` to `name` inside the folder and gives its full name.
  std::string write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

// The whole content of the file `path`; throws std::runtime_error when it
// cannot be read.
std::string readFile(const std::string& path);

// Writes `content` to `path`, replacing it; throws on failure.
void writeFile(const std::string& path, const std::string& content);

}  // namespace cardwharf::testing

#endif  // CARDWHARF_TESTING_TEMP_DIR_H_
