#include "bench/headless_display.h"

#include <cstdio>

namespace cardwharf::bench {

void HeadlessDisplay::recordFailure(const std::string& message) {
  messages_.push_back(message);
  if (print_) std::fprintf(stderr, "%s\n", message.c_str());
}

void HeadlessDisplay::setStatus(const std::string& text) {
  status_ = text;
  Clock::time_point now = Clock::now();
  if (text == "Removing embedded CR/LF pairs, please wait.") cleanerStart_ = now;
  if (text == "Preparing to import, please wait.") cleanerEnd_ = now;
  if (text == "Converting to Quillmere, please wait.") importStart_ = now;
  if (text == "&Convert") importEnd_ = now;
}

double HeadlessDisplay::cleanerSeconds() const {
  if (cleanerEnd_ < cleanerStart_ || cleanerStart_ == Clock::time_point{}) return 0;
  return std::chrono::duration<double>(cleanerEnd_ - cleanerStart_).count();
}

double HeadlessDisplay::importSeconds(Clock::time_point end) const {
  if (importStart_ == Clock::time_point{}) return 0;
  Clock::time_point stop = importEnd_ != Clock::time_point{} ? importEnd_ : end;
  return std::chrono::duration<double>(stop - importStart_).count();
}

}  // namespace cardwharf::bench
