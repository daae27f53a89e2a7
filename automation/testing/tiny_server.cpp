// A tiny in-process server for the runtime's own tests and benchmarks. Its
// one class makes objects with two members: "Ping" (no arguments; gives a new
// object of the same kind) and "Take" (any arguments; gives nothing). It
// counts its objects alive.

#include <array>

#include "automation/runtime.h"
#include "automation/server.h"

using namespace cardwharf::automation;

namespace {

int liveObjects = 0;

class Pinger final : public DispatchObject {
 public:
  Pinger() { ++liveObjects; }

  HRESULT Invoke(DISPID id, const IID&, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                 UINT*) override {
    if (!isApartmentInitialized()) return CO_E_NOTINITIALIZED;
    if (params == nullptr) return E_POINTER;
    if (id == 1) {
      returnObject(result, ComPtr<IDispatch>::adopt(new Pinger));
      return S_OK;
    }
    if (id == 2) return S_OK;
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  ~Pinger() override { --liveObjects; }
  std::span<const std::u16string_view> memberNames() const override {
    static constexpr std::array<std::u16string_view, 2> names{u"Ping", u"Take"};
    return names;
  }
};

class Factory final : public StaticClassFactory {
 private:
  HRESULT make(ComPtr<IDispatch>* object) override {
    *object = ComPtr<IDispatch>::adopt(new Pinger);
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

extern "C" __attribute__((visibility("default"))) int tinyServerLiveObjects() {
  return liveObjects;
}
