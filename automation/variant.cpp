#include "automation/variant.h"

namespace cardwharf::automation {

void VariantInit(VARIANT* v) {
  v->vt = VT_EMPTY;
  v->padding_ = 0;
}

HRESULT VariantClear(VARIANT* v) {
  if (v == nullptr) return E_INVALIDARG;
  if ((v->vt & VT_BYREF) == 0) {
    switch (v->vt) {
      case VT_EMPTY:
      case VT_NULL:
      case VT_I4:
      case VT_ERROR:
      case VT_BOOL:
        break;
      case VT_BSTR:
        SysFreeString(v->bstrVal);
        break;
      case VT_DISPATCH:
        if (v->pdispVal != nullptr) v->pdispVal->Release();
        break;
      case VT_UNKNOWN:
        if (v->punkVal != nullptr) v->punkVal->Release();
        break;
      default:
        return DISP_E_BADVARTYPE;
    }
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (dest == src) return S_OK;
  if (HRESULT hr = VariantClear(dest); FAILED(hr)) return hr;
  VARIANT copy = *src;
  if (src->vt == VT_BSTR && src->bstrVal != nullptr) {
    copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
    if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
  } else if (src->vt == VT_DISPATCH && src->pdispVal != nullptr) {
    src->pdispVal->AddRef();
  } else if (src->vt == VT_UNKNOWN && src->punkVal != nullptr) {
    src->punkVal->AddRef();
  }
  *dest = copy;
  return S_OK;
}

}  // namespace cardwharf::automation
