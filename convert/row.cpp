#include "convert/row.h"

#include <stdexcept>

namespace cardwharf {

void fieldtyp::clear() {
  for (std::string& column : columns_) column.clear();
}

std::size_t fieldtyp::slot(int column) {
  if (!hasColumn(column)) {
    throw std::out_of_range("fieldtyp has no column " + std::to_string(column));
  }
  return static_cast<std::size_t>(column < kFlagColumn ? column - 1 : column - 2);
}

}  // namespace cardwharf
