#include "convert/path_rules.h"

namespace cardwharf {

std::string folderPart(std::string_view path) {
  std::size_t last = path.rfind('/');
  if (last == std::string_view::npos) return {};
  std::string_view folder = path.substr(0, last + 1);
  if (last > 0 && path[last - 1] != '/') folder.remove_suffix(1);
  return std::string(folder);
}

std::string intermediatePath(std::string_view exportName) {
  std::string folder = folderPart(exportName);
  if (folder.empty()) return std::string(kIntermediateName);
  return folder + "/" + std::string(kIntermediateName);
}

}  // namespace cardwharf
