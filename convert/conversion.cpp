#include "convert/conversion.h"

#include <memory>

#include "convert/cleaner.h"
#include "convert/line_reader.h"
#include "convert/path_rules.h"
#include "convert/row_reader.h"

namespace cardwharf {
namespace {

// Lines of this many characters or fewer are not contacts.
constexpr std::size_t kShortLine = 20;

}  // namespace

Conversion::Conversion(RunDisplay& display, BookTarget& target, FileSystem& fs)
    : display_(display), target_(target), files_(fs), InFile(files_), OutFile(files_) {}

void Conversion::Button1Click() {
  if (running_) return;
  running_ = true;
  // Whichever way the run ends, the export is let go and the link is told.
  struct RunEnd {
    Conversion& c;
    ~RunEnd() {
      c.InFile.release();
      c.target_.runEnded();
      c.running_ = false;
    }
  } runEnd{*this};

  InFile.open(display_.fileName());
  if (files_.takeError() != 0) {
    display_.showError("Unable to open import file.");
    return;
  }

  switch (target_.openSession()) {
    case OpenSessionResult::opened:
      break;
    case OpenSessionResult::notCreated:
      display_.showError("Unable to create OLE link to Quillmere!");
      display_.closeMainWindow();
      return;
    case OpenSessionResult::loginFailed:
      display_.showError("Unable to access Quillmere!");
      display_.closeMainWindow();
      return;
  }

  if (std::string exe; files_.fs().executablePath(&exe) == 0) ProgDir = folderPart(exe);

  if (!target_.openBook()) {
    display_.showError("Unable to access or create address book!");
    display_.closeMainWindow();
    return;
  }

  if (!DelEmbCRLF()) return;
  ImportOutlook();
}

bool Conversion::DelEmbCRLF() {
  intermediate_ = intermediatePath(display_.fileName());
  OutFile.create(intermediate_);
  if (files_.takeError() != 0) {
    display_.showError("Unable to create output file!");
    display_.closeMainWindow();
    return false;
  }

  display_.setBusy(true);
  display_.setStatus("Removing embedded CR/LF pairs, please wait.");
  display_.processPendingEvents();

  // The filter writes in place: its output is never longer than its input.
  auto block = std::make_unique<char[]>(kCopyBlockSize);
  QuotedBreakFilter filter;
  while (!InFile.atEnd()) {
    std::size_t got = InFile.read(block.get(), kCopyBlockSize);
    if (got == 0) break;  // a failed read ends the copy; the file may also have shrunk
    std::size_t kept = filter.filter(block.get(), got, block.get());
    if (!OutFile.write(block.get(), kept)) break;
  }

  display_.setStatus("Closing temp file");
  OutFile.close();
  InFile.close();
  if (OutFile.failed() || InFile.failed()) {
    // A cut copy never replaces anything; its code stays pending for the
    // import's check, which then posts nothing.
    OutFile.discard();
  } else if (!OutFile.commit()) {
    files_.takeError();
    display_.showError("Unable to create output file!");
    display_.closeMainWindow();
    return false;
  }
  display_.setStatus("Preparing to import, please wait.");
  return true;
}

void Conversion::ImportOutlook() {
  display_.setStatus("Opening temp file.");
  LineReader file(files_);  // let go on every way out, a thrown failure included
  file.open(intermediate_);
  if (files_.takeError() != 0) {
    file.release();
    display_.showError("Unable to open file qmcnvt.cvt.");
    return;
  }

  std::string line;
  file.readLine(line);  // the heading
  if (files_.takeError() != 0) {
    file.release();
    display_.showError("Unable to read file qmcnvt.cvt.");
    return;
  }

  display_.setStatus("Converting to Quillmere, please wait.");
  display_.setBusy(true);
  while (!file.atEnd()) {
    if (!file.readLine(line)) {
      // A line that could not be read whole is not posted, and the failure is
      // reported now rather than left pending for the next run.
      files_.takeError();
      file.release();
      display_.showError("Unable to read file qmcnvt.cvt.");
      return;
    }
    if (line.size() > kShortLine) {
      Row.clear();
      GetFields(line, Row);
      target_.postRow(Row);
    }
  }
  display_.setBusy(false);
  display_.setStatus("&Convert");
  file.close();
}

}  // namespace cardwharf
