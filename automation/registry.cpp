#include "automation/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace cardwharf::automation {
namespace {

constexpr std::size_t kMaxFileSize = 64 * 1024;
constexpr std::string_view kSuffix = ".class";

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool readHex(std::string_view text, std::size_t at, std::size_t digits, std::uint64_t* out) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    int d = hexDigit(text[at + i]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  *out = v;
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_dir != nullptr) {
    return pw->pw_dir;
  }
  return "/";
}

// A group is as good as the owner alone when it is the owner's private group:
// named after the owner and with no other members.
bool isPrivateGroup(unsigned gid, unsigned uid) {
  const group* gr = ::getgrgid(gid);
  const passwd* pw = ::getpwuid(uid);
  if (gr == nullptr || pw == nullptr || pw->pw_gid != gid) return false;
  if (std::strcmp(gr->gr_name, pw->pw_name) != 0) return false;
  for (char** member = gr->gr_mem; member != nullptr && *member != nullptr; ++member) {
    if (std::strcmp(*member, pw->pw_name) != 0) return false;
  }
  return true;
}

// Reads a registration file, refusing one that is not safe to trust. The
// checks are made on the open file, so that it cannot be swapped meanwhile.
HRESULT readRegistrationFile(const std::string& path, Registration* out, bool* exists) {
  *exists = false;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? CO_E_CLASSSTRING : E_ACCESSDENIED;
  *exists = true;
  struct stat st;
  HRESULT hr = S_OK;
  std::string text;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    hr = REGDB_E_INVALIDVALUE;
  } else if (!isSafeToTrust(st.st_uid, st.st_gid, st.st_mode)) {
    hr = E_ACCESSDENIED;
  } else if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) {
    hr = REGDB_E_INVALIDVALUE;
  } else {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() <= kMaxFileSize) {
      text.append(buffer, static_cast<std::size_t>(n));
    }
    if (n < 0 || text.size() > kMaxFileSize) hr = REGDB_E_INVALIDVALUE;
  }
  ::close(fd);
  if (FAILED(hr)) return hr;
  return parseRegistration(text, out);
}

}  // namespace

bool parseGuid(std::string_view text, GUID* out) {
  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-') {
    return false;
  }
  std::uint64_t a, b, c, d, e;
  if (!readHex(text, 1, 8, &a) || !readHex(text, 10, 4, &b) || !readHex(text, 15, 4, &c) ||
      !readHex(text, 20, 4, &d) || !readHex(text, 25, 12, &e)) {
    return false;
  }
  out->data1 = static_cast<std::uint32_t>(a);
  out->data2 = static_cast<std::uint16_t>(b);
  out->data3 = static_cast<std::uint16_t>(c);
  out->data4[0] = static_cast<std::uint8_t>(d >> 8);
  out->data4[1] = static_cast<std::uint8_t>(d);
  for (int i = 0; i < 6; ++i) out->data4[2 + i] = static_cast<std::uint8_t>(e >> (40 - 8 * i));
  return true;
}

std::string formatGuid(const GUID& g) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                g.data1, g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return buffer;
}

HRESULT parseRegistration(std::string_view text, Registration* out) {
  bool haveClsid = false;
  bool haveServer = false;
  Registration r;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return REGDB_E_INVALIDVALUE;
    std::string_view key = trim(line.substr(0, eq));
    std::string_view value = trim(line.substr(eq + 1));
    if (key == "CLSID") {
      if (haveClsid || !parseGuid(value, &r.clsid)) return REGDB_E_INVALIDVALUE;
      haveClsid = true;
    } else if (key == "InprocServer") {
      if (haveServer || value.empty() || value.front() != '/' ||
          value.find('\0') != std::string_view::npos) {
        return REGDB_E_INVALIDVALUE;
      }
      r.inprocServer = std::string(value);
      haveServer = true;
    } else if (key.empty()) {
      return REGDB_E_INVALIDVALUE;
    }
    // Other keys are left for other tools.
  }
  if (!haveClsid || !haveServer) return REGDB_E_INVALIDVALUE;
  *out = std::move(r);
  return S_OK;
}

std::string xdgDataHome() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  return dataHome != nullptr && dataHome[0] == '/' ? std::string(dataHome)
                                                   : homeFolder() + "/.local/share";
}

std::string userClassFolder() {
  return xdgDataHome() + "/automation/classes";
}

std::vector<std::string> classFolders() {
  std::vector<std::string> folders{userClassFolder()};
  const char* dataDirs = std::getenv("XDG_DATA_DIRS");
  std::string_view dirs = dataDirs != nullptr && dataDirs[0] != '\0'
                              ? std::string_view(dataDirs)
                              : std::string_view("/usr/local/share:/usr/share");
  while (!dirs.empty()) {
    std::size_t colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    if (!dir.empty() && dir.front() == '/') {  // relative entries are ignored
      folders.push_back(std::string(dir) + "/automation/classes");
    }
  }
  return folders;
}

bool isSafeToTrust(unsigned uid, unsigned gid, unsigned mode) {
  if (uid != ::geteuid() && uid != 0) return false;
  if ((mode & S_IWOTH) != 0) return false;
  if ((mode & S_IWGRP) != 0 && !isPrivateGroup(gid, uid)) return false;
  return true;
}

HRESULT findRegistration(std::string_view className, Registration* out) {
  if (className.empty() || className == "." || className == ".." ||
      className.find('/') != std::string_view::npos ||
      className.find('\0') != std::string_view::npos) {
    return CO_E_CLASSSTRING;
  }
  for (const std::string& folder : classFolders()) {
    std::string path = folder + "/" + std::string(className) + std::string(kSuffix);
    bool exists = false;
    HRESULT hr = readRegistrationFile(path, out, &exists);
    if (exists) return hr;  // the first folder that has the class decides
  }
  return CO_E_CLASSSTRING;
}

HRESULT findRegistration(const CLSID& clsid, Registration* out) {
  for (const std::string& folder : classFolders()) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) continue;
    while (const dirent* e = ::readdir(dir.get())) {
      std::string_view name = e->d_name;
      if (name.size() <= kSuffix.size() || !name.ends_with(kSuffix)) continue;
      Registration r;
      bool exists = false;
      if (SUCCEEDED(readRegistrationFile(folder + "/" + std::string(name), &r, &exists)) &&
          r.clsid == clsid) {
        *out = std::move(r);
        return S_OK;
      }
    }
  }
  return REGDB_E_CLASSNOTREG;
}

HRESULT checkLibrary(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return CO_E_DLLNOTFOUND;
  if (!isSafeToTrust(st.st_uid, st.st_gid, st.st_mode)) return E_ACCESSDENIED;
  return S_OK;
}

}  // namespace cardwharf::automation
