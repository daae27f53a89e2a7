#include "quillmere/testing/quillmere_home.h"

#include <pwd.h>
#include <unistd.h>

#include <filesystem>

#include "automation/runtime.h"
#include "quillmere/registration.h"

namespace cardwharf::testing {

std::string currentLogin() {
  const passwd* pw = ::getpwuid(::geteuid());
  return pw != nullptr ? pw->pw_name : "user" + std::to_string(::geteuid());
}

QuillmereHome::QuillmereHome() {
  env.set("XDG_DATA_HOME", home.path())
      .set("XDG_DATA_DIRS", home.file("none"))
      .set("QUILLMERE_STORE_MAX_PAGES", nullptr);
  quillmere::registerComponent(QUILLMERE_COMPONENT);
  automation::CoInitialize(nullptr);
}

QuillmereHome::~QuillmereHome() {
  automation::CoUninitialize();
}

std::vector<quillmere::StoredEntry> QuillmereHome::entriesOf(const std::string& book) const {
  auto store = quillmere::Store::open(storePath(), quillmere::Store::Mode::readOnly);
  std::vector<quillmere::StoredEntry> out;
  std::optional<std::int64_t> account = store->findAccount(currentLogin());
  if (!account) return out;
  std::optional<std::int64_t> id = store->findBook(*account, book);
  if (!id) return out;
  store->forEachEntry(*id, [&](const quillmere::StoredEntry& e) { out.push_back(e); });
  return out;
}

}  // namespace cardwharf::testing
