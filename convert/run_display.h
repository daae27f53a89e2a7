// RunDisplay: what a conversion run needs of the main window.
//
// The main window implements it; the engine holds a reference and calls it on
// the window's thread only. None of the operations fails or throws.

#ifndef CARDWHARF_CONVERT_RUN_DISPLAY_H_
#define CARDWHARF_CONVERT_RUN_DISPLAY_H_

#include <string>

namespace cardwharf {

class RunDisplay {
 public:
  RunDisplay() = default;
  RunDisplay(const RunDisplay&) = delete;
  RunDisplay& operator=(const RunDisplay&) = delete;
  virtual ~RunDisplay() = default;

  // The current text of the file box, exactly as the user left it.
  virtual std::string fileName() = 0;

  // Shows `text` on the status line (the Convert button's caption).
  virtual void setStatus(const std::string& text) = 0;

  // Turns the busy cursors on or off.
  virtual void setBusy(bool busy) = 0;

  // Handles every window event queued so far, then returns.
  virtual void processPendingEvents() = 0;

  // Shows `message` in a modal error box; returns when it is dismissed.
  virtual void showError(const std::string& message) = 0;

  // Asks the main window to close, which ends the program once the run has
  // returned; returns at once.
  virtual void closeMainWindow() = 0;
};

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_RUN_DISPLAY_H_
