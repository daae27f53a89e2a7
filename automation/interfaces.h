// The object interfaces of the runtime, shaped as automation's: IUnknown
// (reference counting and interface queries), IDispatch (late-bound calls by
// member name) and IClassFactory (how a server makes its objects).
//
// An object counts its references: AddRef adds one, Release gives one up and
// destroys the object with the last. Program code holds objects only through
// ComPtr or Variant, never by counting at the call site. Objects of the
// runtime's servers belong to the thread that created them.

#ifndef CARDWHARF_AUTOMATION_INTERFACES_H_
#define CARDWHARF_AUTOMATION_INTERFACES_H_

#include "automation/bstr.h"
#include "automation/types.h"

namespace cardwharf::automation {

struct VARIANT;
using VARIANTARG = VARIANT;

// The arguments of a call, the last argument first.
struct DISPPARAMS {
  VARIANTARG* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  UINT cArgs = 0;
  UINT cNamedArgs = 0;
};

// What a server tells about a call that it answers with DISP_E_EXCEPTION. The
// caller owns the BSTRs that the server leaves here and frees them.
struct EXCEPINFO {
  WORD wCode = 0;
  WORD wReserved = 0;
  BSTR bstrSource = nullptr;
  BSTR bstrDescription = nullptr;
  BSTR bstrHelpFile = nullptr;
  DWORD dwHelpContext = 0;
  void* pvReserved = nullptr;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*) = nullptr;
  HRESULT scode = 0;
};

class IUnknown {
 public:
  // On success stores the object, with a reference added, as the interface
  // `iid` in *out; E_NOINTERFACE when it has no such interface.
  virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

class IDispatch : public IUnknown {
 public:
  // Looks up `count` names (the first a member, any others its arguments)
  // into `ids`. DISP_E_UNKNOWNNAME for a name it does not know.
  virtual HRESULT GetIDsOfNames(const IID& riid, OLECHAR** names, UINT count, LCID lcid,
                                DISPID* ids) = 0;

  // Calls member `id` with `params` as a call of kind `flags`. The result,
  // when `result` is not null, goes there (the caller owns it). On
  // DISP_E_EXCEPTION the server describes the failure in *excepInfo.
  virtual HRESULT Invoke(DISPID id, const IID& riid, LCID lcid, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) = 0;

 protected:
  ~IDispatch() = default;
};

class IClassFactory : public IUnknown {
 public:
  // Makes a new object and gives it as the interface `iid`. A non-null
  // `outer` (aggregation) is refused with CLASS_E_NOAGGREGATION.
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) = 0;
  virtual HRESULT LockServer(bool lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// The entry point that every in-process server library exports, by this name
// and with C linkage: gives the class factory of `clsid` as interface `iid`.
using GetClassObjectFunction = HRESULT (*)(const CLSID* clsid, const IID* iid, void** out);
inline constexpr const char* kGetClassObjectSymbol = "AutomationGetClassObject";

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_INTERFACES_H_
