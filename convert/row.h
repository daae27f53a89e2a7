// fieldtyp, the contact row: the text columns of one contact line of the
// export, addressed by their column number.
//
// Columns 1 to 28, 30 and 31 are stored, each a byte string, empty by
// default. Column 29 is a one-character flag that the row reader consumes and
// nobody keeps, so it has no place here. A plain value type; not shared
// between threads.

#ifndef CARDWHARF_CONVERT_ROW_H_
#define CARDWHARF_CONVERT_ROW_H_

#include <array>
#include <string>

namespace cardwharf {

class fieldtyp {
 public:
  static constexpr int kFirstColumn = 1;
  static constexpr int kLastColumn = 31;
  static constexpr int kFlagColumn = 29;

  // True for the column numbers that the row stores.
  static constexpr bool hasColumn(int column) {
    return column >= kFirstColumn && column <= kLastColumn && column != kFlagColumn;
  }

  // The column with the given number. Throws std::out_of_range for a number
  // that the row does not store (below 1, above 31, or 29).
  std::string& operator[](int column) { return columns_[slot(column)]; }
  const std::string& operator[](int column) const { return columns_[slot(column)]; }

  // Empties every column.
  void clear();

  bool operator==(const fieldtyp&) const = default;

 private:
  static std::size_t slot(int column);

  std::array<std::string, 30> columns_;
};

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_ROW_H_
