// HeadlessDisplay: a RunDisplay that shows nothing on screen but keeps a
// record: the status line, the busy state, every message shown (printed on
// standard error as it comes, when asked to) and when each phase of a run
// began and ended. For the benchmark and the whole-program tests; one thread.

#ifndef CARDWHARF_BENCH_HEADLESS_DISPLAY_H_
#define CARDWHARF_BENCH_HEADLESS_DISPLAY_H_

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "convert/run_display.h"

namespace cardwharf::bench {

class HeadlessDisplay final : public RunDisplay {
 public:
  using Clock = std::chrono::steady_clock;

  HeadlessDisplay(std::string fileName, bool printMessages)
      : name_(std::move(fileName)), print_(printMessages) {}

  // Records a message that did not come through showError (a failure that
  // escaped the run), as the window's general failure display would show it.
  void recordFailure(const std::string& message);

  std::string fileName() override { return name_; }
  void setStatus(const std::string& text) override;
  void setBusy(bool busy) override { busy_ = busy; }
  void processPendingEvents() override {
    if (onPendingEvents) onPendingEvents();
  }
  void showError(const std::string& message) override { recordFailure(message); }
  void closeMainWindow() override { closeRequested_ = true; }

  // Run inside processPendingEvents, as if the window handled an event.
  std::function<void()> onPendingEvents;

  const std::vector<std::string>& messages() const { return messages_; }
  const std::string& status() const { return status_; }
  bool busy() const { return busy_; }
  bool closeRequested() const { return closeRequested_; }

  // Seconds the cleaner took (from its first status to its last), and the
  // import (from its first row status to its end, or to the last status).
  double cleanerSeconds() const;
  double importSeconds(Clock::time_point end) const;

 private:
  std::string name_;
  bool print_;
  std::string status_ = "&Convert File";
  bool busy_ = false;
  bool closeRequested_ = false;
  std::vector<std::string> messages_;
  Clock::time_point cleanerStart_{}, cleanerEnd_{}, importStart_{}, importEnd_{};
};

}  // namespace cardwharf::bench

#endif  // CARDWHARF_BENCH_HEADLESS_DISPLAY_H_
