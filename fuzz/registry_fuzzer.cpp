// Fuzzes the class registry's file reader and the character-set rule: any
// text is read or refused with a status, never a crash; what is read keeps
// its class identifier through a round trip; and the wide form of any byte
// string survives being written back as UTF-8.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "automation/charset.h"
#include "automation/registry.h"

using namespace cardwharf::automation;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  Registration r;
  HRESULT hr = parseRegistration(text, &r);
  if (hr != S_OK && hr != REGDB_E_INVALIDVALUE) std::abort();
  if (hr == S_OK) {
    if (r.inprocServer.empty() || r.inprocServer.front() != '/') std::abort();
    GUID again;
    if (!parseGuid(formatGuid(r.clsid), &again) || !(again == r.clsid)) std::abort();
  }
  GUID g;
  if (parseGuid(text, &g) && text.size() != 38) std::abort();

  std::u16string wide = toWide(text);
  if (toWide(toBytes(wide)) != wide) std::abort();
  if (isValidUtf8(text) && toBytes(wide) != text) std::abort();
  return 0;
}
