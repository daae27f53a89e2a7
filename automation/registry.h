// The class registry: registration files that tell which server library
// makes the objects of a class.
//
// The file for a class is "<class name>.class" in the first of these folders
// that has one: $XDG_DATA_HOME/automation/classes (by default
// ~/.local/share/automation/classes), then automation/classes below each
// folder of $XDG_DATA_DIRS (by default /usr/local/share:/usr/share). It holds
// key=value lines, blank lines and "#" comments:
//
//   CLSID={xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
//   InprocServer=/absolute/path/of/the/library.so
//
// Loading code on another's word would let that user run code as this one:
// a registration file or library that anybody but its owner may write, or
// whose owner is neither this user nor root, is refused, and so is a library
// path that is not absolute. Functions here read the environment and the
// file system; any thread may call them.

#ifndef CARDWHARF_AUTOMATION_REGISTRY_H_
#define CARDWHARF_AUTOMATION_REGISTRY_H_

#include <string>
#include <string_view>
#include <vector>

#include "automation/types.h"

namespace cardwharf::automation {

struct Registration {
  CLSID clsid{};
  std::string inprocServer;
};

// Reads "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (hexadecimal digits in
// either case). False when `text` is not of that form.
bool parseGuid(std::string_view text, GUID* out);

// The form that parseGuid reads, in upper case.
std::string formatGuid(const GUID& guid);

// Reads the text of a registration file. REGDB_E_INVALIDVALUE when a line is
// not key=value, a key is repeated, CLSID or InprocServer is missing, the
// CLSID is malformed, or the library path is not absolute.
HRESULT parseRegistration(std::string_view text, Registration* out);

// The folders searched for registration files, in order.
std::vector<std::string> classFolders();

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else
// ~/.local/share.
std::string xdgDataHome();

// The folder where this user's own registrations go.
std::string userClassFolder();

// True when nobody but the owner of a file with these properties may write
// it, and the owner is this user or root.
bool isSafeToTrust(unsigned uid, unsigned gid, unsigned mode);

// Finds the registration of the class named `className`. CO_E_CLASSSTRING
// when no folder has its file (or the name cannot be a file name),
// E_ACCESSDENIED for a file that is not safe to trust, and the status of
// parseRegistration for a malformed one.
HRESULT findRegistration(std::string_view className, Registration* out);

// Finds the registration with the class identifier `clsid`, searching the
// folders in order. REGDB_E_CLASSNOTREG when there is none.
HRESULT findRegistration(const CLSID& clsid, Registration* out);

// Checks that the library at `path` may be loaded: E_ACCESSDENIED when it is
// not safe to trust, CO_E_DLLNOTFOUND when it is missing or not a file.
HRESULT checkLibrary(const std::string& path);

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_REGISTRY_H_
