// The Open button's file dialog settings. GUI thread only.

#ifndef CARDWHARF_APP_OPEN_DIALOG_H_
#define CARDWHARF_APP_OPEN_DIALOG_H_

#include <QString>

class QFileDialog;

namespace cardwharf {

// Makes `dialog` ready for one opening: no title, no list of file types, any
// name accepted (an existing file or not), Qt's own resizable dialog,
// `folder` as the initial folder (none when it is empty) and `lastChoice`,
// the full path confirmed last time, as the initial file name.
void prepareOpenDialog(QFileDialog& dialog, const QString& folder, const QString& lastChoice);

}  // namespace cardwharf

#endif  // CARDWHARF_APP_OPEN_DIALOG_H_
