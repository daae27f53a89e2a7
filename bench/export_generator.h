// Writes realistic Schedule+ contact exports for the benchmarks: a heading
// line and contacts in the 31-column layout, every text column quoted, a bare
// flag in column 29, CRLF line ends, some multi-line addresses and comments
// (with commas and doubled quotes), and names in Windows-1252 and in UTF-8.

#ifndef CARDWHARF_BENCH_EXPORT_GENERATOR_H_
#define CARDWHARF_BENCH_EXPORT_GENERATOR_H_

#include <cstdint>
#include <string>

namespace cardwharf::bench {

// Appends contact number `n` (one line, or several when it holds embedded
// line breaks) with its CRLF to `out`.
void appendContact(std::uint64_t n, std::string& out);

// The heading line with its CRLF.
std::string heading();

// Writes an export to `path`: with `contacts` > 0 exactly that many, else as
// many as it takes to reach at least `bytes`. Gives the number of contacts
// written; throws std::runtime_error when the file cannot be written.
std::uint64_t writeExport(const std::string& path, std::uint64_t contacts, std::uint64_t bytes);

}  // namespace cardwharf::bench

#endif  // CARDWHARF_BENCH_EXPORT_GENERATOR_H_
