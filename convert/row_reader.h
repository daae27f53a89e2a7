// GetFields, the reader of one contact line.
//
// A contact line holds 31 comma-separated columns. Each column is read as a
// CSV field in the common form: a field that begins with a double quote runs
// to its closing quote, a doubled quote inside it stands for one quote, and
// any text after the closing quote up to the next comma still belongs to the
// field; a field that does not begin with a quote runs to the next comma; a
// field whose closing quote is missing takes the rest of the line. Column 29
// (the flag) is read the same way and not kept. Whatever follows column 31 is
// left unread. The reader never fails and reports nothing: a line that does
// not fit the layout simply yields empty columns.

#ifndef CARDWHARF_CONVERT_ROW_READER_H_
#define CARDWHARF_CONVERT_ROW_READER_H_

#include <string>

#include "convert/row.h"

namespace cardwharf {

// Reads the columns of `line` into `row`. A column that reads as empty is not
// written and keeps what `row` held. `line` is consumed from the front: when
// the reader returns it holds what was left after column 31.
void GetFields(std::string& line, fieldtyp& row);

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_ROW_READER_H_
