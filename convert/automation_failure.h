// AutomationFailure: a failure of the address book link, raised as an
// exception that carries the message to show the user (without a final full
// stop; the window adds one where it belongs).

#ifndef CARDWHARF_CONVERT_AUTOMATION_FAILURE_H_
#define CARDWHARF_CONVERT_AUTOMATION_FAILURE_H_

#include <stdexcept>
#include <string>

namespace cardwharf {

class AutomationFailure : public std::runtime_error {
 public:
  explicit AutomationFailure(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_AUTOMATION_FAILURE_H_
