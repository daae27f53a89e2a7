#include "convert/testing/recording_display.h"

namespace cardwharf::testing {

std::string RecordingDisplay::fileName() {
  log.push_back("fileName");
  return name;
}

void RecordingDisplay::setStatus(const std::string& text) {
  log.push_back("setStatus(" + text + ")");
  status = text;
}

void RecordingDisplay::setBusy(bool on) {
  log.push_back(on ? "setBusy(true)" : "setBusy(false)");
  busy = on;
}

void RecordingDisplay::processPendingEvents() {
  log.push_back("processPendingEvents");
  if (onPendingEvents) onPendingEvents();
}

void RecordingDisplay::showError(const std::string& message) {
  log.push_back("showError(" + message + ")");
  errors.push_back(message);
}

void RecordingDisplay::closeMainWindow() {
  log.push_back("closeMainWindow");
  closeRequested = true;
}

}  // namespace cardwharf::testing
