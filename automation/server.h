// Building blocks for the runtime's in-process servers: a base class for
// late-bound objects, and helpers that read call arguments and report
// failures the way automation callers expect.
//
// Objects made on DispatchObject start with one reference, held by their
// creator (take it with ComPtr::adopt). They belong to the thread that made
// them; counting is not atomic.

#ifndef CARDWHARF_AUTOMATION_SERVER_H_
#define CARDWHARF_AUTOMATION_SERVER_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "automation/com_ptr.h"
#include "automation/interfaces.h"
#include "automation/variant.h"

namespace cardwharf::automation {

// True when `a` and `b` are the same but for the case of ASCII letters.
bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);

class DispatchObject : public IDispatch {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  HRESULT QueryInterface(const IID& iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // Looks the first name up with memberId(). Further names (named
  // arguments) are not supported and answer DISP_E_UNKNOWNNAME.
  HRESULT GetIDsOfNames(const IID& riid, OLECHAR** names, UINT count, LCID lcid,
                        DISPID* ids) override;

 protected:
  DispatchObject() = default;
  virtual ~DispatchObject() = default;

  // The object's member names; the order gives the DISPIDs.
  virtual std::span<const std::u16string_view> memberNames() const { return {}; }

  // The DISPID of the member `name`, or DISPID_UNKNOWN. By default its index
  // among memberNames() plus one, matched without regard to letter case.
  virtual DISPID memberId(std::u16string_view name) const;

  // The current number of references.
  ULONG references() const { return refs_; }

 private:
  ULONG refs_ = 1;
};

// A server's class factory that lives as long as its library (a static
// object: counting its references does nothing). It refuses aggregation and
// calls from a thread without the runtime, and makes each object with
// make().
class StaticClassFactory : public IClassFactory {
 public:
  HRESULT QueryInterface(const IID& iid, void** out) override;
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override;
  HRESULT LockServer(bool) override { return S_OK; }

  // Gives the factory as `iid` (IUnknown or IClassFactory), for the
  // library's entry point.
  HRESULT get(const IID& iid, void** out) { return QueryInterface(iid, out); }

 protected:
  StaticClassFactory() = default;
  ~StaticClassFactory() = default;

  // A new object, with its one reference; a failure status to refuse.
  virtual HRESULT make(ComPtr<IDispatch>* object) = 0;
};

// Checks the arguments of a call for a member that takes `count` positional
// arguments: DISP_E_BADPARAMCOUNT for another count, DISP_E_NONAMEDARGS for
// named ones, E_POINTER for a missing list.
HRESULT checkArgumentCount(const DISPPARAMS* params, UINT count);

// Reads positional argument `index` (0 for the first) as a string: a BSTR by
// value or by reference. DISP_E_TYPEMISMATCH for another kind, E_POINTER for
// a reference to nothing.
HRESULT stringArgument(const DISPPARAMS* params, UINT index, std::u16string* out);

// The VARIANT of positional argument `index`, or null when there is none.
VARIANT* argument(const DISPPARAMS* params, UINT index);

// Reads positional argument `index` as a 32-bit integer (VT_I4, by value or
// by reference). DISP_E_TYPEMISMATCH for another kind.
HRESULT integerArgument(const DISPPARAMS* params, UINT index, std::int32_t* out);

// Describes a failed call in `info` (when the caller gave one) and gives
// DISP_E_EXCEPTION; without `info` gives `code` itself.
HRESULT raiseException(EXCEPINFO* info, std::u16string_view source, std::u16string_view description,
                       HRESULT code);

// Gives `object` as the call's result, when one was asked for.
void returnObject(VARIANT* result, ComPtr<IDispatch> object);

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_SERVER_H_
