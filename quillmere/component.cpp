// The Quillmere automation component: the class "CorvantisGroupWareSession"
// as an in-process server of the automation runtime, backed by the user's
// address book store.
//
// Objects and members (names matched without regard to case):
//   session             Login(), RootAccount()
//   account             AddressBooks()
//   address book list   Add(name), item(name)
//   address book        AddressBookEntries()
//   entry list          Add(name)
//   entry               Fields()
//   field list          add(name, kind, value)
// Strings may come by value or by reference; kind is a 32-bit integer, and 1
// (text) is the only kind there is. Every object of a session shares its
// open store, which closes with the last of them. Objects belong to the
// thread that made them, which must have the runtime initialised.

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>

#include "automation/charset.h"
#include "automation/registry.h"
#include "automation/runtime.h"
#include "automation/server.h"
#include "quillmere/identity.h"
#include "quillmere/store.h"

using namespace cardwharf::automation;
using cardwharf::quillmere::Store;
using cardwharf::quillmere::StoreError;

namespace {

constexpr std::u16string_view kSource = u"Quillmere";

// The store of a logged-in session, shared by all its objects.
struct Context {
  std::unique_ptr<Store> store;
  std::int64_t account = 0;
  std::string accountName;
};
using ContextPtr = std::shared_ptr<Context>;

HRESULT fail(EXCEPINFO* info, const std::string& description, HRESULT code = E_FAIL) {
  return raiseException(info, kSource, toWide(description), code);
}

HRESULT failStore(EXCEPINFO* info, const StoreError& e) {
  HRESULT code = e.reason() == StoreError::Reason::busy ? E_ACCESSDENIED : E_FAIL;
  return fail(info, e.what(), code);
}

// A member: its name, and whether it may be read as a property.
struct Member {
  std::u16string_view name;
  bool property;
};

// The base of the component's objects: the runtime checks, the call kinds
// and the store's failures, around each object's own members.
class Object : public DispatchObject {
 public:
  HRESULT Invoke(DISPID id, const IID& riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* info, UINT*) override {
    if (!isApartmentInitialized()) return CO_E_NOTINITIALIZED;
    if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    std::span<const Member> all = members();
    if (id < 1 || static_cast<std::size_t>(id) > all.size()) return DISP_E_MEMBERNOTFOUND;
    const Member& member = all[static_cast<std::size_t>(id - 1)];
    bool asMethod = (flags & DISPATCH_METHOD) != 0;
    bool asProperty = (flags & DISPATCH_PROPERTYGET) != 0 && member.property;
    if (!asMethod && !asProperty) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr) return E_POINTER;
    try {
      return call(id, params, result, info);
    } catch (const StoreError& e) {
      return failStore(info, e);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
      return fail(info, e.what());
    }
  }

 protected:
  virtual std::span<const Member> members() const = 0;
  virtual HRESULT call(DISPID id, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) = 0;

 private:
  DISPID memberId(std::u16string_view name) const override {
    std::span<const Member> all = members();
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (equalsIgnoringCase(name, all[i].name)) return static_cast<DISPID>(i + 1);
    }
    return DISPID_UNKNOWN;
  }
};

class FieldList final : public Object {
 public:
  FieldList(ContextPtr context, std::int64_t entry) : context_(std::move(context)), entry_(entry) {}

 private:
  std::span<const Member> members() const override {
    static constexpr std::array<Member, 1> m{{{u"add", false}}};
    return m;
  }
  HRESULT call(DISPID, DISPPARAMS* params, VARIANT*, EXCEPINFO* info) override {
    if (HRESULT hr = checkArgumentCount(params, 3); FAILED(hr)) return hr;
    std::u16string name, value;
    std::int32_t kind = 0;
    if (HRESULT hr = stringArgument(params, 0, &name); FAILED(hr)) return hr;
    if (HRESULT hr = integerArgument(params, 1, &kind); FAILED(hr)) return hr;
    if (HRESULT hr = stringArgument(params, 2, &value); FAILED(hr)) return hr;
    if (kind != 1) {
      return fail(info,
                  "Field kind " + std::to_string(kind) + " is not known; the only kind is 1 (text)",
                  E_INVALIDARG);
    }
    context_->store->addField(entry_, toBytes(name), kind, toBytes(value));
    return S_OK;
  }
  ContextPtr context_;
  std::int64_t entry_;
};

class Entry final : public Object {
 public:
  Entry(ContextPtr context, std::int64_t entry) : context_(std::move(context)), entry_(entry) {}

 private:
  std::span<const Member> members() const override {
    static constexpr std::array<Member, 1> m{{{u"Fields", true}}};
    return m;
  }
  HRESULT call(DISPID, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) override {
    if (HRESULT hr = checkArgumentCount(params, 0); FAILED(hr)) return hr;
    returnObject(result, ComPtr<IDispatch>::adopt(new FieldList(context_, entry_)));
    return S_OK;
  }
  ContextPtr context_;
  std::int64_t entry_;
};

class EntryList final : public Object {
 public:
  EntryList(ContextPtr context, std::int64_t book) : context_(std::move(context)), book_(book) {}

 private:
  std::span<const Member> members() const override {
    static constexpr std::array<Member, 1> m{{{u"Add", false}}};
    return m;
  }
  HRESULT call(DISPID, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) override {
    if (HRESULT hr = checkArgumentCount(params, 1); FAILED(hr)) return hr;
    std::u16string name;
    if (HRESULT hr = stringArgument(params, 0, &name); FAILED(hr)) return hr;
    std::int64_t entry = context_->store->addEntry(book_, toBytes(name));
    returnObject(result, ComPtr<IDispatch>::adopt(new Entry(context_, entry)));
    return S_OK;
  }
  ContextPtr context_;
  std::int64_t book_;
};

class Book final : public Object {
 public:
  Book(ContextPtr context, std::int64_t book) : context_(std::move(context)), book_(book) {}

 private:
  std::span<const Member> members() const override {
    static constexpr std::array<Member, 1> m{{{u"AddressBookEntries", true}}};
    return m;
  }
  HRESULT call(DISPID, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) override {
    if (HRESULT hr = checkArgumentCount(params, 0); FAILED(hr)) return hr;
    returnObject(result, ComPtr<IDispatch>::adopt(new EntryList(context_, book_)));
    return S_OK;
  }
  ContextPtr context_;
  std::int64_t book_;
};

class BookList final : public Object {
 public:
  explicit BookList(ContextPtr context) : context_(std::move(context)) {}

 private:
  enum { kAdd = 1, kItem = 2 };
  std::span<const Member> members() const override {
    static constexpr std::array<Member, 2> m{{{u"Add", false}, {u"item", true}}};
    return m;
  }
  HRESULT call(DISPID id, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) override {
    if (HRESULT hr = checkArgumentCount(params, 1); FAILED(hr)) return hr;
    std::u16string wide;
    if (HRESULT hr = stringArgument(params, 0, &wide); FAILED(hr)) return hr;
    std::string name = toBytes(wide);
    std::int64_t book;
    if (id == kAdd) {
      book = context_->store->addBook(context_->account, name);
    } else {
      std::optional<std::int64_t> found = context_->store->findBook(context_->account, name);
      if (!found) return fail(info, "There is no address book named \"" + name + "\"");
      book = *found;
    }
    returnObject(result, ComPtr<IDispatch>::adopt(new Book(context_, book)));
    return S_OK;
  }
  ContextPtr context_;
};

class Account final : public Object {
 public:
  explicit Account(ContextPtr context) : context_(std::move(context)) {}

 private:
  std::span<const Member> members() const override {
    static constexpr std::array<Member, 1> m{{{u"AddressBooks", true}}};
    return m;
  }
  HRESULT call(DISPID, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) override {
    if (HRESULT hr = checkArgumentCount(params, 0); FAILED(hr)) return hr;
    returnObject(result, ComPtr<IDispatch>::adopt(new BookList(context_)));
    return S_OK;
  }
  ContextPtr context_;
};

class Session final : public Object {
 private:
  enum { kLogin = 1, kRootAccount = 2 };
  std::span<const Member> members() const override {
    static constexpr std::array<Member, 2> m{{{u"Login", false}, {u"RootAccount", true}}};
    return m;
  }
  HRESULT call(DISPID id, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) override {
    if (HRESULT hr = checkArgumentCount(params, 0); FAILED(hr)) return hr;
    if (id == kLogin) {
      if (context_) return S_OK;  // already logged in
      auto context = std::make_shared<Context>();
      context->store = Store::open(Store::defaultPath(), Store::Mode::readWrite);
      if (const char* pages = std::getenv("QUILLMERE_STORE_MAX_PAGES")) {
        context->store->limitPages(std::strtoll(pages, nullptr, 10));
      }
      context->accountName = cardwharf::quillmere::loginName();
      context->account = context->store->ensureAccount(context->accountName);
      context_ = std::move(context);
      return S_OK;
    }
    if (!context_) return fail(info, "Not logged in: call Login first");
    returnObject(result, ComPtr<IDispatch>::adopt(new Account(context_)));
    return S_OK;
  }
  ContextPtr context_;
};

class Factory final : public StaticClassFactory {
 private:
  HRESULT make(ComPtr<IDispatch>* object) override {
    *object = ComPtr<IDispatch>::adopt(new (std::nothrow) Session);
    return S_OK;
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT AutomationGetClassObject(
    const CLSID* clsid, const IID* iid, void** out) {
  if (clsid == nullptr || iid == nullptr || out == nullptr) return E_POINTER;
  *out = nullptr;
  CLSID ours;
  if (!parseGuid(cardwharf::quillmere::kSessionClsid, &ours) || !(*clsid == ours)) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  static Factory factory;
  return factory.get(*iid, out);
}
