#include "quillmere/registration.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "automation/registry.h"
#include "quillmere/identity.h"

namespace cardwharf::quillmere {
namespace {

bool isFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string folderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

void makeFolders(const std::string& folder) {
  struct stat st;
  if (folder.empty() || ::stat(folder.c_str(), &st) == 0) return;
  makeFolders(folderOf(folder));
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    throw std::runtime_error("cannot create " + folder + ": " + std::strerror(errno));
  }
}

}  // namespace

std::string registrationFile() {
  return automation::userClassFolder() + "/" + kSessionClass + ".class";
}

std::string registrationText(const std::string& library) {
  return std::string("# The Quillmere address book component, registered by quillmere.\n") +
         "CLSID=" + kSessionClsid + "\nInprocServer=" + library + "\n";
}

std::optional<std::string> componentLibraryFor(const std::string& executable) {
  std::string folder = folderOf(executable);
  for (const std::string& candidate :
       {folder + "/" + kComponentLibrary,
        folder + "/" + QUILLMERE_LIBDIR_FROM_BINDIR + "/" + kComponentLibrary}) {
    if (isFile(candidate)) {
      std::vector<char> resolved(PATH_MAX + 1);
      if (::realpath(candidate.c_str(), resolved.data()) != nullptr) return resolved.data();
      return candidate;
    }
  }
  return std::nullopt;
}

void registerComponent(const std::string& library) {
  if (library.empty() || library.front() != '/') {
    throw std::runtime_error("the component library must be named by an absolute path: " + library);
  }
  struct stat st;
  if (::stat(library.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    throw std::runtime_error("there is no component library at " + library);
  }
  if (!automation::isSafeToTrust(st.st_uid, st.st_gid, st.st_mode)) {
    throw std::runtime_error("the component library " + library +
                             " may be changed by other users, so it is not registered; "
                             "allow only its owner to write it (chmod go-w)");
  }
  std::string file = registrationFile();
  makeFolders(folderOf(file));
  std::string text = registrationText(library);
  std::string temporary = file + ".new";
  ::unlink(temporary.c_str());
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot write " + temporary + ": " + std::strerror(errno));
  bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ok = ::fchmod(fd, 0644) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temporary.c_str(), file.c_str()) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    throw std::runtime_error("cannot write " + file + ": " + std::strerror(error));
  }
}

bool unregisterComponent() {
  std::string file = registrationFile();
  if (::unlink(file.c_str()) == 0) return true;
  if (errno == ENOENT) return false;
  throw std::runtime_error("cannot remove " + file + ": " + std::strerror(errno));
}

}  // namespace cardwharf::quillmere
