// The basic types of the automation runtime: status codes, wide characters,
// class and interface identifiers, and the call constants of late-bound
// calls. The numeric values are the customary ones of automation, so that a
// status means the same on every side of a call.

#ifndef CARDWHARF_AUTOMATION_TYPES_H_
#define CARDWHARF_AUTOMATION_TYPES_H_

#include <cstdint>

namespace cardwharf::automation {

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using UINT = std::uint32_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LCID = std::uint32_t;
using DISPID = std::int32_t;
using OLECHAR = char16_t;

constexpr HRESULT status(std::uint32_t code) {
  return static_cast<HRESULT>(code);
}
constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = status(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = status(0x80004002);
inline constexpr HRESULT E_POINTER = status(0x80004003);
inline constexpr HRESULT E_FAIL = status(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = status(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = status(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = status(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = status(0x80070057);
inline constexpr HRESULT RPC_E_CHANGED_MODE = status(0x80010106);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = status(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = status(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = status(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = status(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = status(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = status(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = status(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = status(0x80020009);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = status(0x8002000E);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = status(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = status(0x80040111);
inline constexpr HRESULT REGDB_E_INVALIDVALUE = status(0x80040153);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = status(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = status(0x800401F0);
inline constexpr HRESULT CO_E_CLASSSTRING = status(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = status(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = status(0x800401F9);

struct GUID {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
  friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;

inline constexpr IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Server contexts of a creation.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;

// Apartment models of CoInitializeEx.
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// Kinds of a late-bound call.
inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

inline constexpr DISPID DISPID_UNKNOWN = -1;

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_TYPES_H_
