// VARIANT, the runtime's tagged value, and Variant, which owns one.
//
// The kinds used here: VT_EMPTY, VT_I4 (32-bit integer), VT_BSTR (an owned
// BSTR), VT_DISPATCH (an owned reference to an object, possibly null) and
// VT_BSTR | VT_BYREF (a pointer to a BSTR that someone else owns). Clearing a
// VARIANT frees what it owns and leaves it empty.

#ifndef CARDWHARF_AUTOMATION_VARIANT_H_
#define CARDWHARF_AUTOMATION_VARIANT_H_

#include <cstdint>

#include "automation/bstr.h"
#include "automation/interfaces.h"
#include "automation/types.h"

namespace cardwharf::automation {

using VARTYPE = std::uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_BYREF = 0x4000;

struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  WORD reserved1 = 0;
  WORD reserved2 = 0;
  WORD reserved3 = 0;
  union {
    std::int32_t lVal;
    HRESULT scode;
    BSTR bstrVal;
    IDispatch* pdispVal;
    IUnknown* punkVal;
    BSTR* pbstrVal;
    std::int32_t* plVal;
    VARIANT* pvarVal;
    std::int16_t boolVal;
    std::int64_t padding_;
  };
  VARIANT() : padding_(0) {}
};

// Sets `v` empty without looking at what it held.
void VariantInit(VARIANT* v);

// Frees what `v` owns and sets it empty. DISP_E_BADVARTYPE for a kind it does
// not know (then nothing is freed).
HRESULT VariantClear(VARIANT* v);

// Makes `dest` (cleared first) a copy of `src`: a new BSTR, another
// reference to the object. E_OUTOFMEMORY when a BSTR cannot be copied.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);

// Owns one VARIANT. Copying copies the value (another reference to an
// object), moving hands it over; going clears it.
class Variant {
 public:
  Variant() = default;
  Variant(const Variant& other) { VariantCopy(&v_, &other.v_); }
  Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  Variant& operator=(const Variant& other) {
    if (this != &other) VariantCopy(&v_, &other.v_);
    return *this;
  }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      VariantClear(&v_);
      v_ = other.v_;
      VariantInit(&other.v_);
    }
    return *this;
  }
  ~Variant() { VariantClear(&v_); }

  // Frees what it holds; it is empty afterwards.
  void clear() { VariantClear(&v_); }

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARTYPE kind() const { return v_.vt; }
  bool empty() const { return v_.vt == VT_EMPTY; }

  // Clears it, then takes over the reference `object` (which may be null).
  void adoptDispatch(IDispatch* object) {
    VariantClear(&v_);
    v_.vt = VT_DISPATCH;
    v_.pdispVal = object;
  }

  // The object held, or null when it holds none (another kind, or a null
  // object).
  IDispatch* dispatch() const { return v_.vt == VT_DISPATCH ? v_.pdispVal : nullptr; }

 private:
  VARIANT v_;
};

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_VARIANT_H_
