// The two message boxes of the window: the error box in which a run reports
// its own failures, and the general failure display for a failure that no
// step catches. GUI thread only.

#ifndef CARDWHARF_APP_MESSAGE_BOXES_H_
#define CARDWHARF_APP_MESSAGE_BOXES_H_

#include <QString>

class QWidget;

namespace cardwharf {

// Shows the error box (caption "Error", the critical icon, `message`
// wrapped at half the screen's width, one OK button that Enter and Esc
// press), modal and centred on the screen; returns when it is closed. With
// `closeAtOnce` the box closes again by itself at once.
void showErrorBox(const QString& message, bool closeAtOnce);

// The message of a failure as the general failure display shows it: with a
// full stop appended when its last character sorts after the full stop.
QString failureText(const QString& message);

// Shows the general failure display: caption "Cardwharf", the stop icon,
// failureText(message), one OK button; modal. With `closeAtOnce` it closes
// again by itself at once.
void showFailureBox(const QString& message, bool closeAtOnce);

}  // namespace cardwharf

#endif  // CARDWHARF_APP_MESSAGE_BOXES_H_
