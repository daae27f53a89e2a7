// The whole program: the real window, the real address book link and the
// real Quillmere component, in a fresh XDG data folder. The sample export is
// typed into the file box, Convert is clicked, and the store is read back.

#include <pwd.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

#include "addrbook/field_mapping.h"
#include "addrbook/quillmere_target.h"
#include "app/form1.h"
#include "automation/runtime.h"
#include "convert/conversion.h"
#include "quillmere/registration.h"
#include "quillmere/store.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void theSampleExportLandsInTheStore() {
    cardwharf::testing::TempDir home;
    cardwharf::testing::ScopedEnv env;
    env.set("XDG_DATA_HOME", home.path()).set("XDG_DATA_DIRS", home.file("none"));
    cardwharf::quillmere::registerComponent(QUILLMERE_COMPONENT);
    QCOMPARE(cardwharf::automation::CoInitialize(nullptr), cardwharf::automation::S_OK);
    std::string exportPath = home.file("contacts.csv");
    std::filesystem::copy_file(SAMPLE_EXPORT, exportPath);

    {
      cardwharf::QuillmereTarget target;
      cardwharf::TForm1 form;
      cardwharf::Conversion conversion(form, target);
      form.setConversion(&conversion);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      QTest::keyClicks(form.Edit1, QString::fromStdString(exportPath));
      QTest::mouseClick(form.Button1, Qt::LeftButton);

      QCOMPARE(form.Button1->text(), QStringLiteral("&Convert"));
      QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
      QCOMPARE(form.Button1->cursor().shape(), Qt::ArrowCursor);
      QVERIFY(form.Memo1->viewport()->cursor().shape() != Qt::WaitCursor);
      QVERIFY(form.isVisible());
      target.release();
    }
    cardwharf::automation::CoUninitialize();

    auto store = cardwharf::quillmere::Store::open(home.file("quillmere/store.sqlite3"),
                                                   cardwharf::quillmere::Store::Mode::readOnly);
    auto account = store->findAccount(::getpwuid(::geteuid())->pw_name);
    QVERIFY(account.has_value());
    auto book = store->findBook(*account, "from Schedule+");
    QVERIFY(book.has_value());
    std::vector<cardwharf::quillmere::StoredEntry> entries;
    store->forEachEntry(*book, [&](const auto& e) { entries.push_back(e); });

    QCOMPARE(entries.size(), std::size_t{12});
    QCOMPARE(entries[0].name, std::string("Anna Berglund"));
    QCOMPARE(entries[1].name, std::string("J\xC3\xBCrgen M\xC3\xBCller"));
    QCOMPARE(entries[11].name, std::string("Kim "));
    for (const auto& entry : entries) {
      QCOMPARE(entry.fields.size(), std::size_t{17});
      for (std::size_t i = 0; i < entry.fields.size(); ++i) {
        QCOMPARE(entry.fields[i].name, std::string(cardwharf::kFieldMapping[i].name));
        QCOMPARE(entry.fields[i].kind, 1);
      }
    }
    auto value = [&](std::size_t entry, const char* name) {
      for (const auto& f : entries[entry].fields) {
        if (f.name == name) return f.value;
      }
      return std::string("(none)");
    };
    QCOMPARE(value(0, "Title"), std::string("Head of Purchasing"));
    QCOMPARE(value(0, "Office Phone Number"), std::string("+47 55 21 30 00"));
    QCOMPARE(value(0, "Phone Number"), std::string("+47 55 21 30 00"));
    QCOMPARE(value(0, "Mail Stop"), std::string("B-204"));
    // The two lines of a quoted address join with nothing between them.
    QCOMPARE(value(1, "Address"), std::string("K\xC3\xB6nigsallee 5Hinterhaus, 3. OG"));
    QCOMPARE(value(1, "City"), std::string("D\xC3\xBCsseldorf"));
    QCOMPARE(value(2, "Comments"), std::string("Says \"bonjour\" to everyone, always."));
    QCOMPARE(value(4, "Organization"), std::string("O'Connor, Walsh & Partners"));
    QCOMPARE(value(11, "Home Phone Number"), std::string("+1 555 0100"));
    QCOMPARE(value(11, "City"), std::string(""));
    // The export is untouched, and the intermediate file stays beside it.
    QVERIFY(std::filesystem::exists(home.file("qmcnvt.cvt")));
    QCOMPARE(std::filesystem::file_size(exportPath), std::filesystem::file_size(SAMPLE_EXPORT));
  }
};

QTEST_MAIN(EndToEndTest)
#include "end_to_end_test.moc"
