// The byte filter of the line-break cleaner.
//
// The export may hold quoted values that span several lines. The filter
// passes every byte through unchanged except carriage returns (13) and line
// feeds (10) that stand inside a double-quoted stretch, which it drops. Only
// the double quote (34) switches between outside and inside; a doubled quote
// leaves and re-enters at once. The state carries over from one block to the
// next, so the export can be fed in blocks of any size with the same result
// as one byte at a time. One filter serves one copy, on one thread.

#ifndef CARDWHARF_CONVERT_CLEANER_H_
#define CARDWHARF_CONVERT_CLEANER_H_

#include <cstddef>

namespace cardwharf {

class QuotedBreakFilter {
 public:
  // Filters the `size` bytes at `in` into `out`, which must have room for
  // `size` bytes (it may be the same place as `in`). Gives the number of
  // bytes written to `out`.
  std::size_t filter(const char* in, std::size_t size, char* out);

  // True while the bytes seen so far leave a quoted stretch open.
  bool inside() const { return inside_ != 0; }

 private:
  unsigned inside_ = 0;
};

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_CLEANER_H_
