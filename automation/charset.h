// The character-set rule between the program's byte strings and the
// runtime's wide strings.
//
// A byte string that is valid UTF-8 is read as UTF-8; any other is read as
// Windows-1252, byte for byte (its five undefined bytes become U+0081,
// U+008D, U+008F, U+0090 and U+009D). Wide strings become UTF-8; a lone
// surrogate, which UTF-8 cannot hold, is written as its three-byte form so
// that nothing is dropped or replaced. Pure functions; any thread.

#ifndef CARDWHARF_AUTOMATION_CHARSET_H_
#define CARDWHARF_AUTOMATION_CHARSET_H_

#include <string>
#include <string_view>

namespace cardwharf::automation {

// True when `bytes` is valid UTF-8 (no overlong forms, no surrogates, nothing
// beyond U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// The wide string for the byte string `bytes`, by the rule above.
std::u16string toWide(std::string_view bytes);

// The UTF-8 byte string for the wide string `units`.
std::string toBytes(std::u16string_view units);

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_CHARSET_H_
