// The main window on Qt's offscreen platform: its look as designed, its
// display operations, its boxes and its file dialog.

#include "app/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/message_boxes.h"
#include "convert/automation_failure.h"
#include "convert/conversion.h"
#include "convert/testing/faulty_file_system.h"
#include "convert/testing/scripted_book_target.h"
#include "testing/temp_dir.h"

using cardwharf::Conversion;
using cardwharf::TForm1;
using cardwharf::testing::ScriptedBookTarget;

namespace {

// Watches, for as long as it lives, for the next modal box or dialog to
// open; runs `look` on it, then closes it with `close` (by default its
// escape). A box that never opens cannot hang the test: the watcher simply
// goes with the test.
class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(QWidget*)> look,
                        std::function<void(QWidget*)> close = nullptr)
      : look_(std::move(look)), close_(std::move(close)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(10);
  }
  bool seen() const { return seen_; }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    timer_.stop();
    seen_ = true;
    look_(modal);
    if (close_) {
      close_(modal);
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      box->escapeButton()->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    }
  }

  QTimer timer_;
  std::function<void(QWidget*)> look_;
  std::function<void(QWidget*)> close_;
  bool seen_ = false;
};

// A window with its run, over a scripted address book.
struct Window {
  explicit Window(cardwharf::FileSystem& fs = cardwharf::posixFileSystem())
      : conversion(form, target, fs) {
    form.setConversion(&conversion);
  }
  TForm1 form;
  ScriptedBookTarget target;
  Conversion conversion;
};

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private slots:
  void windowAsDesigned() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Cardwharf v1.00"));
    QCOMPARE(w.form.frameGeometry().topLeft(), QPoint(241, 108));
    QCOMPARE(w.form.frameGeometry().size(), QSize(482, 321));
    QVERIFY(w.form.windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(w.form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(w.form.font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(w.form.font().pointSize(), 8);
    QCOMPARE(w.form.windowIcon().pixmap(32, 32).size(), QSize(32, 32));
    // The file box has the focus when the window opens.
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.form.Edit1));
  }

  void controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label1") << "Label1"
                            << "QLabel" << QRect(16, 32, 19, 13) << "File:";
    QTest::newRow("Edit1") << "Edit1"
                           << "QLineEdit" << QRect(40, 32, 345, 21) << "";
    QTest::newRow("Button1") << "Button1"
                             << "QPushButton" << QRect(56, 248, 345, 25) << "&Convert File";
    QTest::newRow("BitBtn1") << "BitBtn1"
                             << "QPushButton" << QRect(392, 32, 65, 25) << "&Open";
    QTest::newRow("Memo1") << "Memo1"
                           << "QPlainTextEdit" << QRect(40, 64, 417, 169)
                           << cardwharf::instructionText();
  }

  void controls() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    Window w;
    auto* control = w.form.findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(QString(control->metaObject()->className()), kind);
    QCOMPARE(control->pos(), geometry.topLeft());
    if (name == "Label1") {
      // Sized to its text: at least the designed size, and the text fits.
      QVERIFY(control->width() >= geometry.width() && control->height() >= geometry.height());
      QVERIFY(control->width() >= control->sizeHint().width());
    } else {
      QCOMPARE(control->size(), geometry.size());
    }
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(control)) shown = label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) shown = edit->text();
    if (auto* button = qobject_cast<QPushButton*>(control)) shown = button->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) shown = memo->toPlainText();
    QCOMPARE(shown, text);
  }

  void instructionText() {
    Window w;
    QStringList lines = w.form.Memo1->toPlainText().split('\n');
    QCOMPARE(lines, QStringList({
                        "1) Export contacts from Schedule+ 7 to a Windows CSV formatted file.",
                        "2) Run Quillmere as target user.",
                        "3) Select Schedule+ export file.",
                        "4) Click Convert.",
                        "",
                        "This program is supported on an as available basis and is",
                        "offered free of charge to users migrating to Quillmere.",
                    }));
    QVERIFY(w.form.Memo1->isReadOnly());
    QVERIFY(w.form.Memo1->textInteractionFlags() & Qt::TextSelectableByMouse);
    QCOMPARE(w.form.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(w.form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(w.form.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(!w.form.BitBtn1->icon().isNull());
    QCOMPARE(w.form.BitBtn1->iconSize(), QSize(16, 16));
  }

  void tabOrder() {
    Window w;
    QList<QWidget*> order;
    QWidget* at = w.form.Edit1;
    for (int i = 0; i < 4; ++i) {
      order << at;
      do {
        at = at->nextInFocusChain();
      } while (!(at->focusPolicy() & Qt::TabFocus) || at == &w.form);
    }
    QCOMPARE(order, (QList<QWidget*>{w.form.Edit1, w.form.Button1, w.form.BitBtn1, w.form.Memo1}));
    QCOMPARE(at, static_cast<QWidget*>(w.form.Edit1));  // and round again
    QCOMPARE(w.form.Label1->focusPolicy(), Qt::NoFocus);
  }

  void nothingIsAnchored() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    QRect memo = w.form.Memo1->geometry();
    QRect button = w.form.Button1->geometry();
    w.form.resize(900, 700);
    QCoreApplication::processEvents();
    QCOMPARE(w.form.Memo1->geometry(), memo);
    QCOMPARE(w.form.Button1->geometry(), button);
  }

  void statusLineMnemonics() {
    Window w;
    QCOMPARE(w.form.Button1->shortcut(), QKeySequence(QStringLiteral("Alt+C")));
    w.form.setStatus("Converting to Quillmere, please wait.");
    QCOMPARE(w.form.Button1->text(), QStringLiteral("Converting to Quillmere, please wait."));
    QVERIFY(w.form.Button1->shortcut().isEmpty());
    w.form.setStatus("&Convert");
    QCOMPARE(w.form.Button1->shortcut(), QKeySequence(QStringLiteral("Alt+C")));
    QCOMPARE(w.form.BitBtn1->shortcut(), QKeySequence(QStringLiteral("Alt+O")));
  }

  void busyCursors() {
    Window w;
    Qt::CursorShape memoIdle = w.form.Memo1->viewport()->cursor().shape();
    w.form.setBusy(true);
    QCOMPARE(w.form.cursor().shape(), Qt::WaitCursor);
    QCOMPARE(w.form.Button1->cursor().shape(), Qt::WaitCursor);
    QCOMPARE(w.form.Memo1->viewport()->cursor().shape(), Qt::WaitCursor);
    QCOMPARE(w.form.Label1->cursor().shape(), Qt::WaitCursor);  // it shows over the label too
    QCOMPARE(w.form.Edit1->cursor().shape(), Qt::IBeamCursor);
    QCOMPARE(w.form.BitBtn1->cursor().shape(), Qt::ArrowCursor);
    w.form.setBusy(true);  // again: nothing changes
    QCOMPARE(w.form.cursor().shape(), Qt::WaitCursor);
    w.form.setBusy(false);
    QCOMPARE(w.form.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(w.form.Button1->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(w.form.Memo1->viewport()->cursor().shape(), memoIdle);
    QCOMPARE(w.form.Edit1->cursor().shape(), Qt::IBeamCursor);
  }

  void fileNameIsTheBoxAsTyped() {
    Window w;
    QTest::keyClicks(w.form.Edit1, "  /data/My Contacts.csv ");
    QCOMPARE(w.form.fileName(), std::string("  /data/My Contacts.csv "));
    w.form.Edit1->setText("/other");
    QCOMPARE(w.form.fileName(), std::string("/other"));
  }

  void errorBox() {
    Window w;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    bool defaultIsEscape = false;
    Qt::WindowModality modality = Qt::NonModal;
    QPoint centre;
    int labelWidth = 0;
    ModalWatcher watch1([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->buttons().size();
      defaultIsEscape = box->defaultButton() == box->escapeButton() &&
                        box->defaultButton()->text().remove('&') == QStringLiteral("OK");
      modality = box->windowModality();
      centre = box->frameGeometry().center();
      labelWidth = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->width();
    });
    std::string longMessage(400, 'w');
    for (std::size_t i = 7; i < longMessage.size(); i += 8) longMessage[i] = ' ';
    w.form.showError(longMessage);
    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(text, QString::fromStdString(longMessage));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, 1);
    QVERIFY(defaultIsEscape);
    QCOMPARE(modality, Qt::ApplicationModal);
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(labelWidth <= screen.width() / 2);
    QVERIFY((centre - screen.center()).manhattanLength() < 4);
  }

  void failureDisplay_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Access denied"
                            << "Access denied.";
    QTest::newRow("digit") << "OLE error 80004005"
                           << "OLE error 80004005.";
    QTest::newRow("question") << "Why?"
                              << "Why?.";
    QTest::newRow("full stop") << "Stopped."
                               << "Stopped.";
    QTest::newRow("exclamation") << "Stop!"
                                 << "Stop!";
    QTest::newRow("parenthesis") << "(none)"
                                 << "(none)";
    QTest::newRow("comma") << "a,"
                           << "a,";
    QTest::newRow("blank") << "a "
                           << "a ";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Bücher gesperrt")
                               << QString::fromUtf8("Bücher gesperrt.");
  }

  void failureDisplay() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(cardwharf::failureText(message), shown);

    // A failure that escapes the Convert click is shown, and the program goes on.
    cardwharf::testing::TempDir dir;
    Window w;
    w.form.Edit1->setText(QString::fromStdString(dir.write("c.csv", "x")));
    w.target.openBookFailure = message.toStdString();
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    ModalWatcher watch2([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->buttons().size();
    });
    QTest::mouseClick(w.form.Button1, Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Cardwharf"));
    QCOMPARE(text, shown);
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, 1);
    QCOMPARE(w.form.Button1->text(), QStringLiteral("&Convert File"));
    QVERIFY(!w.form.endRequested());
  }

  void openDialog() {
    cardwharf::testing::TempDir dir;
    Window w;
    w.form.Edit1->setText("typed by hand");
    // Cancelling changes nothing.
    ModalWatcher watch3([](QWidget*) {});
    w.form.BitBtn1Click();
    QCOMPARE(w.form.Edit1->text(), QStringLiteral("typed by hand"));

    // A name that does not exist is accepted and comes back as a full path.
    QString title = "unset";
    QStringList filters;
    ModalWatcher watch4(
        [&](QWidget* modal) {
          auto* d = qobject_cast<QFileDialog*>(modal);
          title = d->windowTitle();
          filters = d->nameFilters();
          // The user types the name of a file that does not exist.
          d->setDirectory(QString::fromStdString(dir.path()));
          auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
          QVERIFY(name != nullptr);
          name->setText(QString::fromStdString(dir.file("new export.csv")));
        },
        [](QWidget* modal) { QMetaObject::invokeMethod(modal, "accept"); });
    w.form.BitBtn1Click();
    QString chosen = QString::fromStdString(dir.file("new export.csv"));
    QCOMPARE(w.form.Edit1->text(), chosen);
    QCOMPARE(title, QString());
    QVERIFY(filters.isEmpty() || filters == QStringList{QStringLiteral("All Files (*)")});

    // After editing the box, the dialog still offers the last confirmed name,
    // and the box is not handed to it.
    w.form.Edit1->setText("/somewhere/else.csv");
    QStringList offered;
    ModalWatcher watch5(
        [&](QWidget* modal) { offered = qobject_cast<QFileDialog*>(modal)->selectedFiles(); });
    w.form.BitBtn1Click();
    QCOMPARE(offered, QStringList{chosen});
    QCOMPARE(w.form.Edit1->text(), QStringLiteral("/somewhere/else.csv"));
  }

  void openDialogStartsInTheProgramsFolder() {
    cardwharf::testing::TempDir dir;
    Window w;
    QString before;
    ModalWatcher watch6([&](QWidget* modal) {
      before = qobject_cast<QFileDialog*>(modal)->directory().absolutePath();
    });
    w.form.BitBtn1Click();
    QVERIFY(before != QString::fromStdString(dir.path()));

    w.conversion.ProgDir = dir.path();
    QString after;
    ModalWatcher watch7([&](QWidget* modal) {
      after = qobject_cast<QFileDialog*>(modal)->directory().absolutePath();
    });
    w.form.BitBtn1Click();
    QCOMPARE(after, QString::fromStdString(dir.path()));
  }

  void closingWhileIdleEndsAtOnce() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    QVERIFY(w.form.close());
    QVERIFY(!w.form.isVisible());
  }

  void closeMainWindowLeavesTheWindowUpUntilTheRunReturns() {
    cardwharf::testing::TempDir dir;
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.form.Edit1->setText(QString::fromStdString(dir.write("c.csv", "x")));
    w.target.sessionResult = cardwharf::OpenSessionResult::notCreated;
    bool visibleAtRunEnd = false;
    w.target.onRunEnded = [&] { visibleAtRunEnd = w.form.isVisible(); };
    QString text;
    ModalWatcher watch8([&](QWidget* modal) { text = qobject_cast<QMessageBox*>(modal)->text(); });
    QTest::mouseClick(w.form.Button1, Qt::LeftButton);
    QCOMPARE(text, QStringLiteral("Unable to create OLE link to Quillmere!"));
    QVERIFY(visibleAtRunEnd);
    QVERIFY(!w.form.isVisible());  // closed once the run had returned
  }

  void anErrorBoxAfterAnEndRequestClosesByItself() {
    cardwharf::testing::TempDir dir;
    cardwharf::testing::FaultyFileSystem fs;
    // The import's open fails, after the window has handled its events.
    fs.failOn(cardwharf::testing::FsOp::openForReading, 2, EACCES);
    Window w(fs);
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.form.Edit1->setText(QString::fromStdString(dir.write("c.csv", "h\r\n")));
    // The user closes the window while the run lets events through.
    QCoreApplication::postEvent(&w.form, new QCloseEvent);
    ModalWatcher watch9([](QWidget*) {});
    w.form.Button1Click();
    QVERIFY(!watch9.seen());  // the box never waited for anyone
    QCOMPARE(w.target.runEndedCalls, 1);
    QCOMPARE(w.form.Button1->text(), QStringLiteral("Opening temp file."));
    QVERIFY(!w.form.isVisible());
  }

  void aClickDuringTheRunStartsNothing() {
    cardwharf::testing::TempDir dir;
    Window w;
    w.form.Edit1->setText(QString::fromStdString(dir.write("c.csv", "h\r\n")));
    // A click waiting in the queue reaches the window inside the run.
    QCoreApplication::postEvent(
        w.form.Button1, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        w.form.Button1, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5),
                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    w.form.Button1Click();
    QCOMPARE(w.target.openSessionCalls, 1);
    QCOMPARE(w.form.Button1->text(), QStringLiteral("&Convert"));
  }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
