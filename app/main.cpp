// Cardwharf: moves the contacts of a Schedule+ 7 export into the Quillmere
// address book "from Schedule+".
//
// Start-up and end, in this order: the automation runtime for this thread
// (a single-threaded apartment; a failure is not reported), the application
// title, the one address book link, the main window and its event loop; at
// the end the window goes, then the program's folder, then the link's
// references (book, account, session), then the row, and the runtime last.

#include <QApplication>
#include <memory>

#include "addrbook/quillmere_target.h"
#include "app/form1.h"
#include "app/pictures.h"
#include "automation/runtime.h"
#include "convert/conversion.h"

int main(int argc, char** argv) {
  namespace automation = cardwharf::automation;
  bool runtimeReady = automation::SUCCEEDED(automation::CoInitialize(nullptr));
  int status = 0;
  {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cardwharf"));
    QApplication::setWindowIcon(cardwharf::cogIcon());

    cardwharf::QuillmereTarget target;
    auto form = std::make_unique<cardwharf::TForm1>();
    cardwharf::Conversion conversion(*form, target);
    form->setConversion(&conversion);
    form->show();
    status = QApplication::exec();

    form.reset();
    conversion.ProgDir.clear();
    target.release();
    conversion.Row.clear();
  }
  if (runtimeReady) automation::CoUninitialize();
  return status;
}
