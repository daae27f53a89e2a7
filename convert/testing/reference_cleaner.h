// The line-break cleaner as a plain machine of two states, one byte at a
// time: the measure that the buffered cleaner is held to. For tests only.

#ifndef CARDWHARF_CONVERT_TESTING_REFERENCE_CLEANER_H_
#define CARDWHARF_CONVERT_TESTING_REFERENCE_CLEANER_H_

#include <string>

namespace cardwharf::testing {

inline std::string referenceClean(const std::string& in) {
  enum class State { Outside, Inside };
  State state = State::Outside;
  std::string out;
  for (char c : in) {
    if (state == State::Outside) {
      out += c;
      if (c == '"') state = State::Inside;
    } else if (c == '"') {
      out += c;
      state = State::Outside;
    } else if (c != '\r' && c != '\n') {
      out += c;
    }
  }
  return out;
}

}  // namespace cardwharf::testing

#endif  // CARDWHARF_CONVERT_TESTING_REFERENCE_CLEANER_H_
