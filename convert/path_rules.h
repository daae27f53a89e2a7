// The two path rules of a conversion: the folder part of a path, and the
// name of the intermediate file that the cleaner writes beside the export.
// Pure functions on byte strings; any thread may call them.

#ifndef CARDWHARF_CONVERT_PATH_RULES_H_
#define CARDWHARF_CONVERT_PATH_RULES_H_

#include <string>
#include <string_view>

namespace cardwharf {

// The name of the intermediate file, without any folder.
inline constexpr std::string_view kIntermediateName = "qmcnvt.cvt";

// The folder part of `path`: everything up to its last "/", without that "/"
// unless it is the first character or follows another "/" (a root). Empty
// when `path` holds no "/". "/data/x.csv" gives "/data", "/x.csv" gives "/".
std::string folderPart(std::string_view path);

// The intermediate file for the export `exportName`: its folder part followed
// by "/qmcnvt.cvt", or plain "qmcnvt.cvt" (the current folder, where such an
// export is) when the export's name has no folder.
std::string intermediatePath(std::string_view exportName);

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_PATH_RULES_H_
