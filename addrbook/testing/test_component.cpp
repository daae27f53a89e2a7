// The scriptable test component: an in-process server that stands in for
// Quillmere in the address book link's tests. See test_component_control.h.

#include <array>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "addrbook/testing/test_component_control.h"
#include "automation/charset.h"
#include "automation/runtime.h"
#include "automation/server.h"

using namespace cardwharf::automation;
using cardwharf::testing::Fault;
using cardwharf::testing::TestComponentControl;

extern "C" __attribute__((visibility("default"))) TestComponentControl* testComponentControl() {
  static TestComponentControl control;
  return &control;
}

namespace {

TestComponentControl& control() {
  return *testComponentControl();
}

constexpr std::array<std::u16string_view, 9> kMembers{
    u"Login",  u"RootAccount", u"AddressBooks", u"Add", u"item", u"AddressBookEntries",
    u"Fields", u"add",         u"Nothing"};

// The members of each kind of object, as indexes into kMembers.
std::vector<int> membersOf(const std::string& kind) {
  if (kind == "session") return {0, 1};
  if (kind == "account") return {2};
  if (kind == "books") return {3, 4};
  if (kind == "book") return {5};
  if (kind == "entries") return {3};
  if (kind == "entry") return {6};
  if (kind == "fields") return {7};
  return {};
}

std::string quote(const std::u16string& s) {
  return "\"" + toBytes(s) + "\"";
}

std::string describe(const VARIANT& v) {
  switch (v.vt) {
    case VT_I4:
      return "I4 " + std::to_string(v.lVal);
    case VT_BSTR:
      return "BSTR " + quote(std::u16string(view(v.bstrVal)));
    case VT_BSTR | VT_BYREF:
      return "BYREF BSTR " + (v.pbstrVal ? quote(std::u16string(view(*v.pbstrVal))) : "null");
    default:
      return "VT " + std::to_string(v.vt);
  }
}

class TestObject final : public DispatchObject {
 public:
  TestObject(std::string kind, std::string book = {}, int entry = -1)
      : kind_(std::move(kind)), book_(std::move(book)), entry_(entry) {
    static int serial = 0;
    id_ = kind_ + "#" + std::to_string(++serial);
    control().live[id_] = 1;
  }

  ULONG AddRef() override {
    ULONG n = DispatchObject::AddRef();
    control().live[id_] = static_cast<int>(n);
    return n;
  }
  ULONG Release() override {
    std::string id = id_;
    ULONG n = DispatchObject::Release();
    if (n == 0) {
      control().live.erase(id);
      control().log.push_back("destroy " + id);
    } else {
      control().live[id] = static_cast<int>(n);
    }
    return n;
  }

  HRESULT GetIDsOfNames(const IID& riid, OLECHAR** names, UINT count, LCID lcid,
                        DISPID* ids) override {
    if (!isApartmentInitialized()) return CO_E_NOTINITIALIZED;
    std::u16string sent = names != nullptr && names[0] != nullptr ? names[0] : u"";
    control().log.push_back("lookup " + kind_ + "." + toBytes(sent));
    HRESULT hr = DispatchObject::GetIDsOfNames(riid, names, count, lcid, ids);
    if (FAILED(hr)) return hr;
    std::string member = toBytes(kMembers[static_cast<std::size_t>(ids[0] - 1)]);
    for (const Fault& f : control().faults) {
      if (f.kind != kind_ || f.member != member) continue;
      if (f.action == Fault::Action::unknownName) return DISP_E_UNKNOWNNAME;
      if (f.action == Fault::Action::lookupStatus) return f.status;
    }
    return S_OK;
  }

  HRESULT Invoke(DISPID id, const IID&, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* info, UINT*) override {
    if (!isApartmentInitialized()) return CO_E_NOTINITIALIZED;
    if (id < 1 || id > static_cast<DISPID>(kMembers.size())) return DISP_E_MEMBERNOTFOUND;
    std::string member = toBytes(kMembers[static_cast<std::size_t>(id - 1)]);
    std::string line = "invoke " + kind_ + "." + member + " " + std::to_string(flags) + " [";
    for (UINT i = 0; params != nullptr && i < params->cArgs; ++i) {
      line += (i > 0 ? ", " : "") + describe(params->rgvarg[i]);
    }
    control().log.push_back(line + "]");

    int call = ++control().calls[kind_ + "." + member];
    const Fault* fault = nullptr;
    for (const Fault& f : control().faults) {
      if (f.kind == kind_ && f.member == member && (f.nth == 0 || f.nth == call)) fault = &f;
    }
    if (fault != nullptr) {
      switch (fault->action) {
        case Fault::Action::status:
          return fault->status;
        case Fault::Action::exception:
          return raiseException(info, u"Test component", toWide(fault->description), fault->code);
        case Fault::Action::noObject:
          if (result != nullptr) {
            VariantClear(result);
            result->vt = VT_DISPATCH;
            result->pdispVal = nullptr;
          }
          return S_OK;
        case Fault::Action::changeString:
          for (UINT i = 0; params != nullptr && i < params->cArgs; ++i) {
            VARIANT& v = params->rgvarg[i];
            if (v.vt == (VT_BSTR | VT_BYREF) && v.pbstrVal != nullptr) {
              std::u16string text = toWide(fault->text);
              SysFreeString(*v.pbstrVal);
              *v.pbstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            }
          }
          break;
        default:
          break;
      }
    }
    HRESULT hr = perform(member, params, result, info);
    if (SUCCEEDED(hr) && fault != nullptr && fault->action == Fault::Action::successStatus) {
      return fault->status;
    }
    return hr;
  }

 private:
  ~TestObject() override = default;

  std::span<const std::u16string_view> memberNames() const override {
    // Only this kind's members are known; the others stay unknown names.
    static thread_local std::vector<std::u16string_view> names;
    names.assign(kMembers.size(), u"\x1F");
    for (int i : membersOf(kind_))
      names[static_cast<std::size_t>(i)] = kMembers[static_cast<std::size_t>(i)];
    return names;
  }

  HRESULT perform(const std::string& member, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) {
    std::u16string text;
    auto give = [&](TestObject* object) { returnObject(result, ComPtr<IDispatch>::adopt(object)); };
    if (member == "Login") return S_OK;
    if (member == "RootAccount") return give(new TestObject("account")), S_OK;
    if (member == "AddressBooks") return give(new TestObject("books")), S_OK;
    if (member == "AddressBookEntries") return give(new TestObject("entries", book_)), S_OK;
    if (member == "Add" && kind_ == "books") {
      if (HRESULT hr = stringArgument(params, 0, &text); FAILED(hr)) return hr;
      std::string name = toBytes(text);
      for (const std::string& b : control().books) {
        if (b == name) return raiseException(info, u"Test component", u"Book exists", E_FAIL);
      }
      control().books.push_back(name);
      return give(new TestObject("book", name)), S_OK;
    }
    if (member == "item") {
      if (HRESULT hr = stringArgument(params, 0, &text); FAILED(hr)) return hr;
      std::string name = toBytes(text);
      for (const std::string& b : control().books) {
        if (b == name) return give(new TestObject("book", name)), S_OK;
      }
      return raiseException(info, u"Test component", u"No such book", E_FAIL);
    }
    if (member == "Add" && kind_ == "entries") {
      if (HRESULT hr = stringArgument(params, 0, &text); FAILED(hr)) return hr;
      control().entries.push_back({book_, toBytes(text), {}});
      return give(new TestObject("entry", book_, static_cast<int>(control().entries.size() - 1))),
             S_OK;
    }
    if (member == "Fields") return give(new TestObject("fields", book_, entry_)), S_OK;
    if (member == "add") {
      std::u16string name, value;
      std::int32_t kind = 0;
      if (HRESULT hr = checkArgumentCount(params, 3); FAILED(hr)) return hr;
      if (HRESULT hr = stringArgument(params, 0, &name); FAILED(hr)) return hr;
      if (HRESULT hr = integerArgument(params, 1, &kind); FAILED(hr)) return hr;
      if (HRESULT hr = stringArgument(params, 2, &value); FAILED(hr)) return hr;
      control().entries[static_cast<std::size_t>(entry_)].fields.push_back(
          {toBytes(name), kind, toBytes(value)});
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  std::string kind_;
  std::string book_;
  int entry_;
  std::string id_;
};

class Factory final : public StaticClassFactory {
 private:
  HRESULT make(ComPtr<IDispatch>* object) override {
    control().log.push_back("create");
    if (FAILED(control().createStatus)) return control().createStatus;
    *object = ComPtr<IDispatch>::adopt(new TestObject("session"));
    return S_OK;
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT AutomationGetClassObject(const CLSID*,
                                                                                   const IID* iid,
                                                                                   void** out) {
  static Factory factory;
  return factory.get(*iid, out);
}
