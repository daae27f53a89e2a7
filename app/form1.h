// TForm1, the main window, and Form1's display operations for a run.
//
// The window holds the file box, the Convert button (whose caption is the
// status line), the Open button with its file dialog and the instruction
// text. It serves the conversion run as its RunDisplay and hands each click
// of Convert to the run; it does no file or address book work itself. A
// failure that escapes a click is shown by the general failure display and
// never crosses Qt's event loop. Widgets are owned by the window; the
// Conversion it is given must outlive every click. GUI thread only.

#ifndef CARDWHARF_APP_FORM1_H_
#define CARDWHARF_APP_FORM1_H_

#include <QCursor>
#include <QString>
#include <QWidget>

#include "convert/run_display.h"

class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace cardwharf {

class Conversion;

class TForm1 final : public QWidget, public RunDisplay {
  Q_OBJECT

 public:
  TForm1();
  ~TForm1() override;

  // The run that Convert starts; set before the window is shown.
  void setConversion(Conversion* conversion) { conversion_ = conversion; }

  // The components, in the order of their declaration.
  QFileDialog* OpenDialog1;
  QLineEdit* Edit1;
  QPushButton* Button1;
  QLabel* Label1;
  QPushButton* BitBtn1;
  QPlainTextEdit* Memo1;

  // The Open button: the file dialog, and its choice into the file box.
  void BitBtn1Click();
  // The Convert button: one conversion run.
  void Button1Click();

  // RunDisplay.
  std::string fileName() override;
  void setStatus(const std::string& text) override;
  void setBusy(bool busy) override;
  void processPendingEvents() override;
  void showError(const std::string& message) override;
  void closeMainWindow() override;

  // True once a request to end the program was taken up during a run.
  bool endRequested() const { return endRequested_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void createControls();
  void setInstructionText();
  void setTabOrder();
  void connectHandlers();
  void applyOuterSize();
  // Runs a click's work with the general failure display at its edge.
  template <typename Work>
  void guarded(Work work);

  Conversion* conversion_ = nullptr;
  QString lastChoice_;
  QCursor memoCursor_;
  bool running_ = false;
  bool endRequested_ = false;
  bool sized_ = false;
};

// The seven lines of the instruction text.
QString instructionText();

}  // namespace cardwharf

#endif  // CARDWHARF_APP_FORM1_H_
