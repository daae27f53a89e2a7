#include "automation/bstr.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace cardwharf::automation {
namespace {

std::atomic<std::int64_t> live{0};

std::uint32_t* prefixOf(BSTR s) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(s) - sizeof(std::uint32_t));
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* chars, UINT length) {
  // A length whose byte count does not fit the prefix cannot be made.
  if (length > (UINT32_MAX - 8) / sizeof(OLECHAR)) return nullptr;
  std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
  void* block = std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR));
  if (block == nullptr) return nullptr;
  auto* prefix = static_cast<std::uint32_t*>(block);
  *prefix = static_cast<std::uint32_t>(bytes);
  BSTR s = reinterpret_cast<BSTR>(prefix + 1);
  if (chars != nullptr) {
    std::memcpy(s, chars, bytes);
  } else {
    std::memset(s, 0, bytes);
  }
  s[length] = 0;
  live.fetch_add(1, std::memory_order_relaxed);
  return s;
}

BSTR SysAllocString(const OLECHAR* chars) {
  if (chars == nullptr) return nullptr;
  UINT n = 0;
  while (chars[n] != 0) ++n;
  return SysAllocStringLen(chars, n);
}

void SysFreeString(BSTR s) {
  if (s == nullptr) return;
  live.fetch_sub(1, std::memory_order_relaxed);
  std::free(prefixOf(s));
}

UINT SysStringLen(BSTR s) {
  if (s == nullptr) return 0;
  return *prefixOf(s) / sizeof(OLECHAR);
}

std::int64_t liveStringCount() {
  return live.load(std::memory_order_relaxed);
}

}  // namespace cardwharf::automation
