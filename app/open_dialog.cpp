#include "app/open_dialog.h"

#include <QFileDialog>

namespace cardwharf {

void prepareOpenDialog(QFileDialog& dialog, const QString& folder, const QString& lastChoice) {
  dialog.setWindowTitle(QString());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);  // a name that does not exist is accepted
  dialog.setNameFilters({});
  dialog.setDefaultSuffix(QString());
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setWindowModality(Qt::ApplicationModal);
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  dialog.selectFile(lastChoice);  // an empty one clears a name typed and cancelled
}

}  // namespace cardwharf
