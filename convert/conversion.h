// Conversion: the conversion engine, from the Convert click to its end.
//
// One Conversion lives as long as the program and holds the program-wide state
// of the runs: the export being read (InFile), the intermediate file being
// written (OutFile), the folder of the program's executable (ProgDir) and the
// current contact row (Row). A run reaches the window only through the
// RunDisplay and the address book only through the BookTarget it is given;
// both must outlive the Conversion. Everything runs on the window's thread,
// synchronously inside Button1Click.
//
// A run has two passes. DelEmbCRLF copies the export into the intermediate
// file "qmcnvt.cvt" beside it, leaving out the line breaks inside quoted
// values, so that every contact stands on one line. ImportOutlook reads that
// file back, drops the heading line and every line of 20 characters or fewer,
// and posts each other line as a row.

#ifndef CARDWHARF_CONVERT_CONVERSION_H_
#define CARDWHARF_CONVERT_CONVERSION_H_

#include <string>

#include "convert/book_target.h"
#include "convert/file_layer.h"
#include "convert/file_system.h"
#include "convert/row.h"
#include "convert/run_display.h"

namespace cardwharf {

class Conversion {
 public:
  // The size of the blocks in which the cleaner copies the export.
  static constexpr std::size_t kCopyBlockSize = 256 * 1024;

  Conversion(RunDisplay& display, BookTarget& target, FileSystem& fs = posixFileSystem());
  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;

  // One conversion run. Its own failures are shown through the display; an
  // AutomationFailure from the address book passes out unchanged. A call made
  // while a run is under way (a click delivered while the run lets the window
  // handle its events) returns at once and does nothing.
  void Button1Click();

  // The first pass: copies InFile into the intermediate file. True when the
  // intermediate file has been written and both files are closed; false when
  // it could not be made (the message has been shown and the window asked to
  // close). A failed read or write is not reported here: it leaves its code
  // pending and the cut copy is thrown away, and the import reports it.
  bool DelEmbCRLF();

  // The second pass: reads the intermediate file and posts every contact
  // line. Shows its own failures; an AutomationFailure from postRow passes
  // out unchanged.
  void ImportOutlook();

  // The folder of the program's executable; empty until a run has got past
  // the login.
  std::string ProgDir;

  // The current contact row, emptied before every contact line.
  fieldtyp Row;

  // The file layer of the runs, with the pending file error.
  FileLayer& files() { return files_; }

 private:
  RunDisplay& display_;
  BookTarget& target_;
  FileLayer files_;
  InputFile InFile;
  OutputFile OutFile;
  std::string intermediate_;  // the file the cleaner of this run wrote
  bool running_ = false;
};

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_CONVERSION_H_
