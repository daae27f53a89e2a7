#include "automation/runtime.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

#include "automation/charset.h"
#include "automation/com_ptr.h"
#include "automation/interfaces.h"
#include "automation/registry.h"

namespace cardwharf::automation {
namespace {

struct Apartment {
  int initialisations = 0;
  DWORD model = COINIT_APARTMENTTHREADED;
};
thread_local Apartment apartment;

// Loaded server libraries by path. They stay loaded: objects of theirs may
// live anywhere in the program, up to its end.
std::mutex librariesMutex;
std::map<std::string, void*>& libraries() {
  static auto* loaded = new std::map<std::string, void*>;
  return *loaded;
}

HRESULT entryPointOf(const std::string& path, GetClassObjectFunction* entry) {
  if (HRESULT hr = checkLibrary(path); FAILED(hr)) return hr;
  std::lock_guard<std::mutex> lock(librariesMutex);
  void*& handle = libraries()[path];
  if (handle == nullptr) handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    libraries().erase(path);
    return CO_E_DLLNOTFOUND;
  }
  void* symbol = ::dlsym(handle, kGetClassObjectSymbol);
  if (symbol == nullptr) return CO_E_ERRORINDLL;
  *entry = reinterpret_cast<GetClassObjectFunction>(symbol);
  return S_OK;
}

}  // namespace

HRESULT CoInitialize(void* reserved) {
  return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

HRESULT CoInitializeEx(void*, DWORD model) {
  if (model != COINIT_APARTMENTTHREADED && model != COINIT_MULTITHREADED) return E_INVALIDARG;
  if (apartment.initialisations > 0) {
    if (apartment.model != model) return RPC_E_CHANGED_MODE;
    ++apartment.initialisations;
    return S_FALSE;
  }
  apartment.model = model;
  apartment.initialisations = 1;
  return S_OK;
}

void CoUninitialize() {
  if (apartment.initialisations > 0) --apartment.initialisations;
}

bool isApartmentInitialized() {
  return apartment.initialisations > 0;
}

HRESULT CLSIDFromProgID(const OLECHAR* progId, CLSID* clsid) {
  if (progId == nullptr || clsid == nullptr) return E_POINTER;
  if (!isApartmentInitialized()) return CO_E_NOTINITIALIZED;
  std::u16string_view name(progId);
  Registration r;
  if (HRESULT hr = findRegistration(toBytes(name), &r); FAILED(hr)) return hr;
  *clsid = r.clsid;
  return S_OK;
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context, const IID& iid,
                         void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!isApartmentInitialized()) return CO_E_NOTINITIALIZED;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if ((context & (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER)) == 0) return REGDB_E_CLASSNOTREG;
  Registration r;
  if (HRESULT hr = findRegistration(clsid, &r); FAILED(hr)) return hr;
  GetClassObjectFunction entry = nullptr;
  if (HRESULT hr = entryPointOf(r.inprocServer, &entry); FAILED(hr)) return hr;
  ComPtr<IClassFactory> factory;
  if (HRESULT hr = entry(&clsid, &IID_IClassFactory, factory.putVoid()); FAILED(hr)) return hr;
  if (!factory) return E_POINTER;
  return factory->CreateInstance(nullptr, iid, out);
}

LCID GetThreadLocale() {
  return 0x0409;
}

}  // namespace cardwharf::automation
