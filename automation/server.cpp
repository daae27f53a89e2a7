#include "automation/server.h"

#include "automation/runtime.h"

namespace cardwharf::automation {

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  auto fold = [](char16_t c) -> char16_t { return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

HRESULT DispatchObject::QueryInterface(const IID& iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    AddRef();
    *out = static_cast<IDispatch*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() {
  return ++refs_;
}

ULONG DispatchObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT DispatchObject::GetIDsOfNames(const IID& riid, OLECHAR** names, UINT count, LCID,
                                      DISPID* ids) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr || count == 0) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (names[0] == nullptr) return E_POINTER;
  DISPID id = memberId(names[0]);
  if (id == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
  ids[0] = id;
  return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

DISPID DispatchObject::memberId(std::u16string_view name) const {
  std::span<const std::u16string_view> members = memberNames();
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (equalsIgnoringCase(name, members[i])) return static_cast<DISPID>(i + 1);
  }
  return DISPID_UNKNOWN;
}

HRESULT StaticClassFactory::QueryInterface(const IID& iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT StaticClassFactory::CreateInstance(IUnknown* outer, const IID& iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (!isApartmentInitialized()) return CO_E_NOTINITIALIZED;
  ComPtr<IDispatch> object;
  if (HRESULT hr = make(&object); FAILED(hr)) return hr;
  if (!object) return E_OUTOFMEMORY;
  return object->QueryInterface(iid, out);
}

HRESULT checkArgumentCount(const DISPPARAMS* params, UINT count) {
  if (params == nullptr) return E_POINTER;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != count) return DISP_E_BADPARAMCOUNT;
  if (count > 0 && params->rgvarg == nullptr) return E_POINTER;
  return S_OK;
}

VARIANT* argument(const DISPPARAMS* params, UINT index) {
  if (params == nullptr || index >= params->cArgs || params->rgvarg == nullptr) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - index];  // the last argument comes first
}

HRESULT stringArgument(const DISPPARAMS* params, UINT index, std::u16string* out) {
  const VARIANT* v = argument(params, index);
  if (v == nullptr) return DISP_E_BADPARAMCOUNT;
  if (v->vt == VT_BSTR) {
    out->assign(view(v->bstrVal));
    return S_OK;
  }
  if (v->vt == (VT_BSTR | VT_BYREF)) {
    if (v->pbstrVal == nullptr) return E_POINTER;
    out->assign(view(*v->pbstrVal));
    return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT integerArgument(const DISPPARAMS* params, UINT index, std::int32_t* out) {
  const VARIANT* v = argument(params, index);
  if (v == nullptr) return DISP_E_BADPARAMCOUNT;
  if (v->vt == VT_I4) {
    *out = v->lVal;
    return S_OK;
  }
  if (v->vt == (VT_I4 | VT_BYREF)) {
    if (v->plVal == nullptr) return E_POINTER;
    *out = *v->plVal;
    return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT raiseException(EXCEPINFO* info, std::u16string_view source, std::u16string_view description,
                       HRESULT code) {
  if (info == nullptr) return code;
  *info = EXCEPINFO{};
  info->bstrSource = SysAllocStringLen(source.data(), static_cast<UINT>(source.size()));
  info->bstrDescription =
      SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
  info->scode = code;
  return DISP_E_EXCEPTION;
}

void returnObject(VARIANT* result, ComPtr<IDispatch> object) {
  if (result == nullptr) return;
  VariantClear(result);
  result->vt = VT_DISPATCH;
  result->pdispVal = object.detach();
}

}  // namespace cardwharf::automation
