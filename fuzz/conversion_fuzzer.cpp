// Fuzzes the conversion engine: the cleaner, the line reader and the row
// reader, on every input. The block filter must write exactly the bytes of
// the byte-at-a-time machine, however the input is cut into blocks; and a
// whole run over a real file must write that same intermediate file and
// post exactly the rows that a plain reference import gives.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "convert/cleaner.h"
#include "convert/conversion.h"
#include "convert/row_reader.h"
#include "convert/testing/recording_display.h"
#include "convert/testing/reference_cleaner.h"
#include "convert/testing/scripted_book_target.h"
#include "fuzz/reference_import.h"
#include "testing/temp_dir.h"

namespace {

using namespace cardwharf;

[[noreturn]] void finding(const char* what) {
  std::fprintf(stderr, "conversion_fuzzer: %s\n", what);
  std::abort();
}

std::string& folder() {
  static std::string path = [] {
    const char* shm = "/dev/shm";
    std::string base = std::filesystem::is_directory(shm) ? shm : "/tmp";
    std::string pattern = base + "/conversion-fuzzer-XXXXXX";
    std::string made(pattern);
    if (::mkdtemp(made.data()) == nullptr) std::abort();
    return made;
  }();
  static const bool cleanUp = [] {
    std::atexit([] { std::filesystem::remove_all(folder()); });
    return true;
  }();
  (void)cleanUp;
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string cleaned = testing::referenceClean(input);

  // The filter, in blocks whose sizes come from the input itself.
  QuotedBreakFilter filter;
  std::string out;
  std::uint32_t seed = 2166136261u;
  for (unsigned char c : input) seed = (seed ^ c) * 16777619u;
  for (std::size_t at = 0; at < input.size();) {
    seed = seed * 1103515245u + 12345u;
    std::size_t n = std::min<std::size_t>(input.size() - at, 1 + (seed >> 16) % 97);
    std::string piece = input.substr(at, n);
    piece.resize(filter.filter(piece.data(), n, piece.data()));
    out += piece;
    at += n;
  }
  if (out != cleaned) finding("the block filter differs from the byte machine");

  // A whole run over a real file.
  std::string exportPath = folder() + "/export.csv";
  testing::writeFile(exportPath, input);
  testing::RecordingDisplay display;
  display.name = exportPath;
  testing::ScriptedBookTarget target;
  Conversion conversion(display, target);
  conversion.Button1Click();
  if (!display.errors.empty()) finding("a readable export gave a message");
  if (testing::readFile(folder() + "/qmcnvt.cvt") != cleaned) {
    finding("the intermediate file differs from the byte machine");
  }
  std::vector<std::string> lines = fuzz::referenceLines(cleaned);
  std::size_t posted = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].size() <= 20) continue;
    std::vector<std::string> fields = fuzz::referenceFields(lines[i]);
    if (posted >= target.rows.size()) finding("a contact line was not posted");
    const fieldtyp& row = target.rows[posted++];
    for (int c = 1; c <= 31; ++c) {
      if (c == 29) continue;
      std::string wanted = static_cast<std::size_t>(c) <= fields.size() ? fields[c - 1] : "";
      if (row[c] != wanted) finding("a column differs from the reference reader");
    }
  }
  if (posted != target.rows.size()) finding("more rows were posted than the file holds");
  if (display.status != "&Convert" || display.busy) finding("the run did not end as it should");
  return 0;
}
