// The runtime's message table: a sentence for each status code that the
// runtime and its servers use.

#ifndef CARDWHARF_AUTOMATION_STATUS_TEXT_H_
#define CARDWHARF_AUTOMATION_STATUS_TEXT_H_

#include <optional>
#include <string>

#include "automation/types.h"

namespace cardwharf::automation {

// The table's text for `code`, or nothing when the table has none.
std::optional<std::string> statusMessage(HRESULT code);

// The table's text for `code`, or "OLE error XXXXXXXX" (the code as eight
// upper-case hexadecimal digits) when it has none.
std::string statusText(HRESULT code);

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_STATUS_TEXT_H_
