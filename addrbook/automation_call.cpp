#include "addrbook/automation_call.h"

#include <vector>

#include "automation/bstr.h"
#include "automation/charset.h"
#include "automation/com_ptr.h"
#include "automation/interfaces.h"
#include "automation/runtime.h"
#include "automation/status_text.h"
#include "convert/automation_failure.h"

namespace cardwharf {

using namespace automation;

namespace {

Bstr newString(std::string_view bytes) {
  std::u16string wide = toWide(bytes);
  Bstr s(wide);
  if (s.get() == nullptr) throw AutomationFailure(statusRuleMessage(E_OUTOFMEMORY));
  return s;
}

// The message of a call answered with DISP_E_EXCEPTION: its description, or
// the status rule for its code when the description is empty.
std::string exceptionMessage(BSTR description, HRESULT code) {
  std::string text = trimMessage(toBytes(view(description)));
  return text.empty() ? statusRuleMessage(code) : text;
}

}  // namespace

std::string trimMessage(std::string message) {
  while (!message.empty() &&
         (static_cast<unsigned char>(message.back()) <= 32 || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

std::string statusRuleMessage(HRESULT status) {
  return trimMessage(statusText(status));
}

Variant createObject(const std::string& className) {
  std::u16string name = toWide(className);
  CLSID clsid;
  if (HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid); FAILED(hr)) {
    throw AutomationFailure(statusRuleMessage(hr));
  }
  ComPtr<IDispatch> object;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, object.putVoid());
  if (FAILED(hr)) throw AutomationFailure(statusRuleMessage(hr));
  Variant v;
  v.adoptDispatch(object.detach());
  return v;
}

void callMember(Variant& target, std::string_view member, std::initializer_list<Argument> args,
                Variant* result) {
  // Held for the call, so that clearing a result slot that shares the object
  // cannot destroy it under the call.
  ComPtr<IDispatch> object(target.dispatch());
  if (!object) throw AutomationFailure("Variant does not reference an automation object");

  std::u16string name = toWide(member);
  OLECHAR* names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, GetThreadLocale(), &id);
  if (hr == DISP_E_UNKNOWNNAME) {
    throw AutomationFailure("Method '" + std::string(member) +
                            "' not supported by automation object");
  }
  if (FAILED(hr)) throw AutomationFailure(statusRuleMessage(hr));

  if (result != nullptr) result->clear();

  // The strings live in `strings`, which frees them on every way out; the
  // argument list only points at them.
  std::vector<Bstr> strings;
  strings.reserve(args.size());
  std::vector<VARIANT> list(args.size());
  std::size_t slot = args.size();
  for (const Argument& a : args) {
    VARIANT& v = list[--slot];  // the last argument comes first
    switch (a.kind()) {
      case Argument::Kind::string:
        strings.push_back(newString(a.text()));
        v.vt = VT_BSTR;
        v.bstrVal = strings.back().get();
        break;
      case Argument::Kind::stringByReference:
        strings.push_back(newString(a.text()));
        v.vt = VT_BSTR | VT_BYREF;
        v.pbstrVal = strings.back().slot();
        break;
      case Argument::Kind::integer:
        v.vt = VT_I4;
        v.lVal = a.number();
        break;
    }
  }

  DISPPARAMS params;
  params.rgvarg = list.empty() ? nullptr : list.data();
  params.cArgs = static_cast<UINT>(list.size());
  WORD kind = args.size() == 0 && result != nullptr ? DISPATCH_METHOD | DISPATCH_PROPERTYGET
                                                    : DISPATCH_METHOD;
  EXCEPINFO info;
  hr = object->Invoke(id, IID_NULL, 0, kind, &params, result != nullptr ? result->get() : nullptr,
                      &info, nullptr);
  // Whatever the object described is freed with this call.
  if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
  Bstr source, description, helpFile;
  source.reset(info.bstrSource);
  description.reset(info.bstrDescription);
  helpFile.reset(info.bstrHelpFile);

  if (hr != S_OK) {
    if (result != nullptr) result->clear();
    if (hr == DISP_E_EXCEPTION) {
      throw AutomationFailure(exceptionMessage(description.get(), info.scode));
    }
    throw AutomationFailure(statusRuleMessage(hr));
  }

  std::size_t held = 0;
  for (const Argument& a : args) {
    if (a.kind() == Argument::Kind::integer) continue;
    if (a.kind() == Argument::Kind::stringByReference) {
      *a.reference() = toBytes(strings[held].units());
    }
    ++held;
  }
}

}  // namespace cardwharf
