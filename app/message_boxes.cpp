#include "app/message_boxes.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace cardwharf {
namespace {

void run(QMessageBox& box, bool closeAtOnce) {
  QPushButton* ok = box.addButton(QMessageBox::Ok);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.setWindowModality(Qt::ApplicationModal);
  if (closeAtOnce) {
    box.show();
    box.close();
    return;
  }
  box.exec();
}

}  // namespace

void showErrorBox(const QString& message, bool closeAtOnce) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), message);
  box.setObjectName(QStringLiteral("errorBox"));
  // Wrap between words at half the screen's width.
  if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    label->setWordWrap(true);
    if (screen != nullptr) label->setMaximumWidth(screen->availableGeometry().width() / 2);
  }
  run(box, closeAtOnce);
}

QString failureText(const QString& message) {
  if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
  return message;
}

void showFailureBox(const QString& message, bool closeAtOnce) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Cardwharf"), failureText(message));
  box.setObjectName(QStringLiteral("failureBox"));
  run(box, closeAtOnce);
}

}  // namespace cardwharf
