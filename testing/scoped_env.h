// ScopedEnv: sets environment variables for one test and puts back what was
// there before. For tests only; not for threads that read the environment.

#ifndef CARDWHARF_TESTING_SCOPED_ENV_H_
#define CARDWHARF_TESTING_SCOPED_ENV_H_

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cardwharf::testing {

class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        ::setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        ::unsetenv(it->first.c_str());
      }
    }
  }

  // Sets `name` to `value`; a null `value` removes it.
  ScopedEnv& set(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value != nullptr) {
      ::setenv(name.c_str(), value, 1);
    } else {
      ::unsetenv(name.c_str());
    }
    return *this;
  }
  ScopedEnv& set(const std::string& name, const std::string& value) {
    return set(name, value.c_str());
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace cardwharf::testing

#endif  // CARDWHARF_TESTING_SCOPED_ENV_H_
