// BSTR, the runtime's wide string: UTF-16 code units behind a 32-bit length
// prefix (in bytes), followed by a terminating zero unit. A BSTR may hold
// zero units inside; an empty BSTR is not a null pointer. Every BSTR made by
// the Sys* functions must be freed with SysFreeString, by whoever owns it.
// The allocator may be used from any thread; it counts the BSTRs alive so
// that tests can find a leak.

#ifndef CARDWHARF_AUTOMATION_BSTR_H_
#define CARDWHARF_AUTOMATION_BSTR_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "automation/types.h"

namespace cardwharf::automation {

using BSTR = OLECHAR*;

// A new BSTR of `length` units copied from `chars` (zero-filled when `chars`
// is null). Null when memory runs out.
BSTR SysAllocStringLen(const OLECHAR* chars, UINT length);

// A new BSTR holding the zero-terminated `chars`; null for null `chars`.
BSTR SysAllocString(const OLECHAR* chars);

// Frees `s`; a null `s` is fine.
void SysFreeString(BSTR s);

// The number of units in `s`; 0 for null.
UINT SysStringLen(BSTR s);

// The number of BSTRs allocated and not yet freed, in the whole process.
std::int64_t liveStringCount();

// The units of `s` as a view (empty for null).
inline std::u16string_view view(BSTR s) {
  return {s, SysStringLen(s)};
}

// Owns one BSTR and frees it when it goes. Move-only.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view units)
      : s_(SysAllocStringLen(units.data(), static_cast<UINT>(units.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : s_(other.release()) {}
  Bstr& operator=(Bstr&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~Bstr() { SysFreeString(s_); }

  BSTR get() const { return s_; }
  // The place of the BSTR, for a callee that replaces it.
  BSTR* slot() { return &s_; }
  BSTR release() {
    BSTR s = s_;
    s_ = nullptr;
    return s;
  }
  void reset(BSTR s = nullptr) {
    if (s != s_) SysFreeString(s_);
    s_ = s;
  }
  std::u16string_view units() const { return view(s_); }

 private:
  BSTR s_ = nullptr;
};

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_BSTR_H_
