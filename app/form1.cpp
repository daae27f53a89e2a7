#include "app/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWindow>
#include <exception>

#include "app/message_boxes.h"
#include "app/open_dialog.h"
#include "app/pictures.h"
#include "convert/conversion.h"

namespace cardwharf {
namespace {

// The window as designed, at 96 pixels per inch: position and outer size.
constexpr int kLeft = 241, kTop = 108, kWidth = 482, kHeight = 321;

}  // namespace

QString instructionText() {
  return QStringLiteral(
      "1) Export contacts from Schedule+ 7 to a Windows CSV formatted file.\n"
      "2) Run Quillmere as target user.\n"
      "3) Select Schedule+ export file.\n"
      "4) Click Convert.\n"
      "\n"
      "This program is supported on an as available basis and is\n"
      "offered free of charge to users migrating to Quillmere.");
}

TForm1::TForm1() : QWidget(nullptr) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Cardwharf v1.00"));
  setWindowIcon(cogIcon());
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  setFont(font);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  move(kLeft, kTop);
  resize(kWidth, kHeight);  // the outer size is set once the frame is known

  createControls();
  setInstructionText();
  setTabOrder();
  connectHandlers();
  Edit1->setFocus();
}

TForm1::~TForm1() = default;

void TForm1::createControls() {
  OpenDialog1 = new QFileDialog(this);
  OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));

  Label1 = new QLabel(QStringLiteral("File:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(16, 32, 19, 13);
  // Sized to its text: a fallback font may need a little more room.
  Label1->resize(Label1->size().expandedTo(Label1->sizeHint()));

  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(40, 32, 345, 21);

  Button1 = new QPushButton(QStringLiteral("&Convert File"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(56, 248, 345, 25);
  Button1->setAutoDefault(false);

  BitBtn1 = new QPushButton(openIcon(), QStringLiteral("&Open"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(392, 32, 65, 25);
  BitBtn1->setIconSize(QSize(16, 16));
  BitBtn1->setAutoDefault(false);
  // The busy cursor never shows over the Open button.
  BitBtn1->setCursor(Qt::ArrowCursor);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(40, 64, 417, 169);
  Memo1->setReadOnly(true);
  Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo1->setFocusPolicy(Qt::StrongFocus);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memoCursor_ = Memo1->viewport()->cursor();
}

void TForm1::setInstructionText() {
  Memo1->setPlainText(instructionText());
}

void TForm1::setTabOrder() {
  Label1->setFocusPolicy(Qt::NoFocus);
  QWidget::setTabOrder(Edit1, Button1);
  QWidget::setTabOrder(Button1, BitBtn1);
  QWidget::setTabOrder(BitBtn1, Memo1);
}

void TForm1::connectHandlers() {
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

template <typename Work>
void TForm1::guarded(Work work) {
  try {
    work();
  } catch (const std::exception& e) {
    showFailureBox(QString::fromUtf8(e.what()), endRequested_);
  } catch (...) {
    showFailureBox(QStringLiteral("An unknown failure occurred"), endRequested_);
  }
}

void TForm1::Button1Click() {
  // A click handled inside the run's own pending events starts nothing.
  if (running_ || conversion_ == nullptr) return;
  running_ = true;
  guarded([this] { conversion_->Button1Click(); });
  running_ = false;
  // An end asked for during the run comes now that the run has returned.
  if (endRequested_) close();
}

void TForm1::BitBtn1Click() {
  guarded([this] {
    prepareOpenDialog(*OpenDialog1,
                      conversion_ ? QString::fromUtf8(conversion_->ProgDir) : QString(),
                      lastChoice_);
    if (OpenDialog1->exec() != QDialog::Accepted) return;
    QStringList chosen = OpenDialog1->selectedFiles();
    if (chosen.isEmpty()) return;
    lastChoice_ = chosen.first();
    Edit1->setText(lastChoice_);
  });
}

std::string TForm1::fileName() {
  return Edit1->text().toStdString();
}

void TForm1::setStatus(const std::string& text) {
  // QAbstractButton takes its Alt key from the "&" of the text, and none
  // when there is none.
  Button1->setText(QString::fromUtf8(text));
  Button1->repaint();
}

void TForm1::setBusy(bool busy) {
  if (busy) {
    setCursor(Qt::WaitCursor);
    Button1->setCursor(Qt::WaitCursor);
    Memo1->viewport()->setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
    Button1->unsetCursor();
    Memo1->viewport()->setCursor(memoCursor_);
  }
}

void TForm1::processPendingEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TForm1::showError(const std::string& message) {
  showErrorBox(QString::fromUtf8(message), endRequested_);
}

void TForm1::closeMainWindow() {
  endRequested_ = true;
  if (!running_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (running_) {
    // Closing during a run ends the program once the run has returned.
    endRequested_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

bool TForm1::event(QEvent* event) {
  bool handled = QWidget::event(event);
  if (!sized_) applyOuterSize();
  return handled;
}

void TForm1::applyOuterSize() {
  // The designed size is the outer size, frame included. The frame is known
  // only once the window manager has framed the window, some events after
  // it was first shown.
  if (!isVisible() || windowHandle() == nullptr) return;
  QMargins frame = windowHandle()->frameMargins();
  if (frame.isNull()) return;
  sized_ = true;
  resize(kWidth - frame.left() - frame.right(), kHeight - frame.top() - frame.bottom());
  move(kLeft, kTop);
}

}  // namespace cardwharf
