// ComPtr: holds one reference to an object of the runtime and gives it up
// when it goes. Copying adds a reference; moving hands it over. The one
// place where references are counted by hand.

#ifndef CARDWHARF_AUTOMATION_COM_PTR_H_
#define CARDWHARF_AUTOMATION_COM_PTR_H_

#include <utility>

namespace cardwharf::automation {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Adds a reference to `p`.
  explicit ComPtr(T* p) : p_(p) {
    if (p_ != nullptr) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(const ComPtr& other) {
    ComPtr(other).swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).swap(*this);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Takes over a reference that the caller already holds.
  static ComPtr adopt(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Gives up the reference.
  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

  // Gives up the reference and the place where a callee stores a new one.
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }

  // Hands the reference to the caller.
  T* detach() { return std::exchange(p_, nullptr); }

  void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

 private:
  T* p_ = nullptr;
};

}  // namespace cardwharf::automation

#endif  // CARDWHARF_AUTOMATION_COM_PTR_H_
