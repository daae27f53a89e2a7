// RecordingDisplay: a RunDisplay for tests that records every call, in
// order, in a log that a ScriptedBookTarget may share. For tests only.

#ifndef CARDWHARF_CONVERT_TESTING_RECORDING_DISPLAY_H_
#define CARDWHARF_CONVERT_TESTING_RECORDING_DISPLAY_H_

#include <functional>
#include <string>
#include <vector>

#include "convert/run_display.h"

namespace cardwharf::testing {

class RecordingDisplay final : public RunDisplay {
 public:
  // The file box's text that fileName gives.
  std::string name;
  // Run inside processPendingEvents, as if the window handled an event there.
  std::function<void()> onPendingEvents;

  // Every call: "fileName", "setStatus(TEXT)", "setBusy(true)",
  // "processPendingEvents", "showError(TEXT)", "closeMainWindow".
  std::vector<std::string> log;

  // The state the calls left.
  std::string status = "&Convert File";
  bool busy = false;
  bool closeRequested = false;
  std::vector<std::string> errors;

  std::string fileName() override;
  void setStatus(const std::string& text) override;
  void setBusy(bool on) override;
  void processPendingEvents() override;
  void showError(const std::string& message) override;
  void closeMainWindow() override;
};

}  // namespace cardwharf::testing

#endif  // CARDWHARF_CONVERT_TESTING_RECORDING_DISPLAY_H_
