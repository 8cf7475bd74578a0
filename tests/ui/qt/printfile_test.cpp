// "Tisk do souboru (PDF)" in the toolkit's print dialog and a print into a file:
// the job's file in the start folder is offered, a relative name is taken in the start
// folder, and a file that cannot be written, or comes out cut, is said in Czech.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/notifier.h"
#include "tests/common/os_tempdir.h"
#include "ui/printfile.h"
#include "ui/qt/qt_backend.h"
#include "ui/ui.h"

namespace ui {
namespace {

using common::Cz;
using Kind = common::RecordingNotifier::Kind;

// A start folder of its own as the current folder, and a home folder of its own, so
// that a file put into the home folder shows.
struct UiQtPrintFile : ::testing::Test {
  UiQtPrintFile() : scoped(notes) {
    std::filesystem::create_directories(start + "/out");
    std::filesystem::create_directories(home);
    old = std::filesystem::current_path();
    std::filesystem::current_path(start);
    if (const char* h = std::getenv("HOME")) oldHome = h;
    setenv("HOME", home.c_str(), 1);
    qt.openPdf = false;
  }
  ~UiQtPrintFile() override {
    std::filesystem::current_path(old);
    setenv("HOME", oldHome.c_str(), 1);
  }

  // The print dialog that is up, with "Tisk do souboru (PDF)" chosen in it: its file name
  // field, nullptr when there is none.
  static QLineEdit* PdfFileField(QPrintDialog*& dialog) {
    dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    auto* printers = dialog ? dialog->findChild<QComboBox*>("printers") : nullptr;
    if (!printers) return nullptr;
    printers->setCurrentIndex(printers->count() - 1);
    return dialog->findChild<QLineEdit*>("filename");
  }
  // The print dialog for the job: `named` sees the offered file and types over it, then
  // OK is pressed as a user presses it; `boxes` gets the texts of boxes the dialog shows.
  // A dialog still open after OK is left with Cancel.
  bool Choose(const std::string& typed, std::string& offered, QStringList& boxes, const std::string& job = "SESTAVA.TXT") {
    // Answers the first box OK brings up; it lives as long as this call, so nothing it
    // uses is gone when it fires.
    QPointer<QPrintDialog> shown;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxes << box->text();
        box->accept();
        closer.stop();
      } else if (shown.isNull() || QApplication::activeModalWidget() != shown.data()) {
        closer.stop();
      }
    });
    QTimer::singleShot(50, [&] {
      QPrintDialog* dialog = nullptr;
      auto* file = PdfFileField(dialog);
      ASSERT_NE(file, nullptr);
      shown = dialog;
      offered = file->text().toStdString();
      if (!typed.empty()) file->setText(QString::fromStdString(typed));
      closer.start();
      dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
      if (dialog->isVisible()) dialog->reject();
    });
    return ChoosePrinter(job);
  }
  // A one-page print of the job.
  void Print(const std::string& job = "SESTAVA.TXT") {
    auto p = BeginPrint(job);
    p->TextOut(100, 100, "Sestava");
    p->EndDoc();
  }
  std::vector<std::string> Messages() const { return notes.Texts(Kind::Message); }
  static bool IsPdf(const std::string& path) {
    QFile pdf(QString::fromStdString(path));
    return pdf.open(QIODevice::ReadOnly) && pdf.read(5).startsWith("%PDF");
  }

  ostest::TempDir dir;
  const std::string root = dir.path();
  const std::string start = root + "/start", home = root + "/home";
  std::filesystem::path old;
  std::string oldHome;
  common::RecordingNotifier notes;
  common::ScopedNotifier scoped;
  qt::QtBackend qt;
};

TEST_F(UiQtPrintFile, TheDialogOffersTheJobsFileAndTakesARelativeNameInTheStartFolder) {
  const std::pair<std::string, std::string> cases[] = {
      {"", start + "/tisk/SESTAVA.pdf"},  // the offered file, its folder made
      {"p3.pdf", start + "/p3.pdf"},
      {"out/p2.pdf", start + "/out/p2.pdf"},
      {root + "/abs.pdf", root + "/abs.pdf"},
  };
  for (const auto& [typed, file] : cases) {
    std::string offered;
    QStringList boxes;
    ASSERT_TRUE(Choose(typed, offered, boxes)) << typed;
    EXPECT_EQ(offered, start + "/tisk/SESTAVA.pdf");
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(" | ").toStdString();
    EXPECT_EQ(CurrentPrinter(), "PDF");  // what "Nastavení tiskárny" stores
    Print();
    EXPECT_TRUE(IsPdf(file)) << typed;
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back(), Cz("Tisk je uložen v souboru ") + common::Utf8ToWin1250(file));
  }
  EXPECT_TRUE(std::filesystem::is_empty(home));
  // The job's file again: written over without a question.
  std::string offered;
  QStringList boxes;
  ASSERT_TRUE(Choose("", offered, boxes));
  EXPECT_TRUE(boxes.isEmpty()) << boxes.join(" | ").toStdString();
}

TEST_F(UiQtPrintFile, AFileThatCannotBeWrittenIsSaidWithItsNameAndWhyAndNothingIsPrinted) {
  std::ofstream(start + "/soubor.txt") << "data";
  // In the dialog: said, and the dialog stays for another name.
  const std::pair<std::string, std::string> typed[] = {
      {"chybi/p.pdf", "složka " + start + "/chybi neexistuje"},
      {"soubor.txt/p.pdf", start + "/soubor.txt je soubor, ne složka"},
  };
  for (const auto& [name, why] : typed) {
    std::string offered;
    QStringList boxes;
    EXPECT_FALSE(Choose(name, offered, boxes)) << name;
    ASSERT_EQ(boxes.size(), 1) << name;
    EXPECT_EQ(common::Utf8ToWin1250(boxes[0].toStdString()),
              Cz("Tisk nelze uložit do souboru ") + start + "/" + name + ": " + Cz(why));
  }
  // The job's own file without a dialog: the print does not start.
  std::ofstream(start + "/tisk") << "a file where the folder goes";
  try {
    Print();
    ADD_FAILURE() << "printed into a file under a file";
  } catch (const PrintFailed& e) {
    EXPECT_EQ(e.what(), Cz("Tisk nelze uložit do souboru ") + start + Cz("/tisk/SESTAVA.pdf: ") + start +
                            Cz("/tisk je soubor, ne složka"));
  }
  std::filesystem::remove(start + "/tisk");
  EXPECT_TRUE(Messages().empty()) << Messages()[0];
  EXPECT_FALSE(std::filesystem::exists(start + "/tisk/SESTAVA.pdf"));
}

// A card's print is named after its title, blanks and all (" TEXTY "): the file offered
// in the dialog and the file printed to without it bear the name alone.
TEST_F(UiQtPrintFile, OfferedFilesCarryNoBlanksAroundTheJobsName) {
  const std::pair<std::string, std::string> cases[] = {
      {" TEXTY ", "/tisk/TEXTY.pdf"},
      {"TEXTY .TXT", "/tisk/TEXTY.pdf"},
      {"C:\\TV\\ ZALOHY .TXT", "/tisk/ZALOHY.pdf"},
      {"   ", "/tisk/tisk.pdf"},
  };
  for (const auto& [job, file] : cases) {
    std::string offered;
    QStringList boxes;
    ASSERT_TRUE(Choose("", offered, boxes, job)) << job;
    EXPECT_EQ(offered, start + file) << job;
    std::filesystem::remove(start + file);
    Print(job);  // into the file of the dialog
    EXPECT_TRUE(IsPdf(start + file)) << job;
    std::filesystem::remove(start + file);
    Print(job);  // without a choice: the job's own file
    EXPECT_TRUE(IsPdf(start + file)) << job;
    ASSERT_GE(Messages().size(), 2u);
    EXPECT_EQ(Messages().back(), Cz("Tisk je uložen v souboru ") + start + file) << job;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(start + "/tisk"), {}), 3);
}

// The file dialog of the print dialog's "...", at the size it opens with, shows the sizes
// and types of its files whole, none cut short or out of view.
TEST_F(UiQtPrintFile, TheFileDialogShowsSizesAndTypesWhole) {
  std::ofstream(start + "/out/ceny.txt") << std::string(229, 'x');
  std::ofstream(start + "/out/vypis.pdf") << "%PDF-1.4\n" << std::string(66900, ' ');
  std::filesystem::create_directories(start + "/out/archiv");
  std::map<std::string, QStringList> rows;
  QStringList cut;
  std::string shot;
  QTimer::singleShot(50, [&] {
    QPrintDialog* dialog = nullptr;
    auto* file = PdfFileField(dialog);
    ASSERT_NE(file, nullptr);
    file->setText(QString::fromStdString(start + "/out/p.pdf"));
    auto* browse = dialog->findChild<QToolButton*>("fileBrowser");
    ASSERT_NE(browse, nullptr);
    QTimer::singleShot(100, [&] {
      auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(files, nullptr);
      auto* view = files->findChild<QTreeView*>("treeView");
      ASSERT_NE(view, nullptr);
      QAbstractItemModel* m = view->model();
      const auto loaded = [&] {
        for (int r = 0; r < m->rowCount(view->rootIndex()); ++r)
          if (m->index(r, 2, view->rootIndex()).data().toString().isEmpty()) return false;
        return m->rowCount(view->rootIndex()) == 3;
      };
      EXPECT_TRUE(QTest::qWaitFor(loaded, 3000));
      QApplication::processEvents();
      EXPECT_TRUE(view->isVisible());
      const int room = view->viewport()->width();
      for (int r = 0; r < m->rowCount(view->rootIndex()); ++r) {
        QStringList row;
        for (int col = 1; col < 4; ++col) {
          const QModelIndex index = m->index(r, col, view->rootIndex());
          row << index.data().toString();
          const int left = view->header()->sectionViewportPosition(col), width = view->header()->sectionSize(col);
          const int needed = view->sizeHintForIndex(index).width();
          if (needed > width || left < 0 || left + width > room)
            cut << index.data().toString() + " (" + QString::number(needed) + " px in " + QString::number(left) + "+" +
                       QString::number(width) + " of " + QString::number(room) + ")";
        }
        rows[m->index(r, 0, view->rootIndex()).data().toString().toStdString()] = row;
      }
      shot = UI_QT_OUTPUT_DIR "/print-file-dialog.png";
      files->grab().save(QString::fromStdString(shot));
      files->reject();
    });
    browse->click();
    dialog->reject();
  });
  EXPECT_FALSE(ChoosePrinter("SESTAVA.TXT"));
  EXPECT_EQ(rows["ceny.txt"].mid(0, 2), (QStringList{QString::fromUtf8("229 bajtů"), QString::fromUtf8("prostý textový dokument")}))
      << rows["ceny.txt"].join(" | ").toStdString();
  EXPECT_EQ(rows["vypis.pdf"].mid(0, 2), (QStringList{"65,34 KiB", "dokument PDF"})) << rows["vypis.pdf"].join(" | ").toStdString();
  EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString() << " in " << shot;
}

// The disk takes the document only in part: the writer says nothing, the file's end tells.
TEST_F(UiQtPrintFile, APdfCutAtItsEndIsErasedAndSaidNotAnnounced) {
  std::string offered;
  QStringList boxes;
  ASSERT_TRUE(Choose("p5.pdf", offered, boxes));
  auto p = BeginPrint("SESTAVA.TXT");
  p->TextOut(100, 100, "Sestava");
  // From here no file grows past 2000 bytes, as on a disk that is full (root too).
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = before;
  limit.rlim_cur = 2000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  std::string said;
  try {
    p->EndDoc();
  } catch (const PrintFailed& e) {
    said = e.what();
  }
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(said, Cz("Tisk nelze uložit do souboru ") + start +
                      Cz("/p5.pdf: soubor se nepodařilo dopsat, neúplný soubor je smazán"));
  EXPECT_FALSE(std::filesystem::exists(start + "/p5.pdf"));
  EXPECT_TRUE(Messages().empty()) << Messages()[0];
}

}  // namespace
}  // namespace ui
