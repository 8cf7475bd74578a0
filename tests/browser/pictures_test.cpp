// Record pictures of the record-file browser: naming by the record under the
// cursor, the cycle, adding through the picture chooser, deleting with renumbering,
// printing, scrambled pictures, and the chooser's thumbnails.
#include <filesystem>

#include "browser/choosers/foto.h"
#include "browser/choosers/pictures.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/winpath.h"
#include "tests/browser/soubkit.h"

namespace {

using namespace common::literals;
using soubtest::Ci99;

// A list whose sort order shows the records backwards.
class Backwards : public Ci99 {
 public:
  bool reversed = false;
  std::int32_t IndexPositionToRecord(std::int32_t p) override { return reversed ? Count + 1 - p : p; }
};

class Pictures : public soubtest::SoubTest {
 protected:
  void SetUp() override {
    SoubTest::SetUp();
    saved = common::Drives();
    common::Drives().Set("C", dir.path());
    WriteCi99(6);
  }
  void TearDown() override {
    common::Drives() = saved;
    SoubTest::TearDown();
  }
  // Opens the list with pictures in "doklady\ORG" on record `at`, shown.
  void Open(Backwards& w, int at) {
    w.Open("CI99.DTA", soubtest::kLength, -1, at);
    w.PicturesOn = true;
    w.PictureFolder = "ORG";
    w.Show();
    w.ShowRecordPicture(0);
  }
  std::string PicturePath(int record, int n) const {
    return DataPath("doklady/ORG/" + common::FormatFloatMask("@@@@@@", record) + "-" + common::FormatFloatMask("@@", n) + ".jpg");
  }
  // A picture of w x h pixels, its file dated `stamp` seconds after 2020.
  void Picture(int record, int n, int w, int h, std::int64_t stamp = 0) {
    ui::SaveJpegFile(ui::Bitmap(w, h, ui::colors::Red), Real(PicturePath(record, n)));
    ASSERT_EQ(common::SetFileTime(common::Cz(PicturePath(record, n)), (1577836800 + stamp) * 1000000000LL), 0);
  }
  static std::string Real(const std::string& p) {
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    return p;
  }
  std::vector<std::string> Stored(int record) const {
    std::vector<std::string> names;
    for (int n = 0; n < 100; ++n)
      if (std::filesystem::exists(PicturePath(record, n))) names.push_back(common::FormatFloatMask("@@", n));
    return names;
  }
  std::int64_t Stamp(int record, int n) const {
    std::int64_t t = 0;
    EXPECT_EQ(common::GetFileTime(PicturePath(record, n), t), 0);
    return t / 1000000000LL - 1577836800;
  }

  bool Exists(const std::string& rel) const { return std::filesystem::exists(dir / rel); }

  common::DriveMap saved;
};

TEST_F(Pictures, ThePictureKeyIsTheRecordThroughTheSortOrder) {
  Backwards w;
  w.reversed = true;
  Open(w, 1);  // position 1 shows record 6
  EXPECT_EQ(w.RecordPictureFile(0), common::CurrentSession().DataDirPath + "doklady\\ORG\\000006-00.jpg");
  w.reversed = false;  // in file order the names stay as they were
  EXPECT_EQ(w.RecordPictureFile(3), common::CurrentSession().DataDirPath + "doklady\\ORG\\000001-03.jpg");
  w.PicturesOn = false;
  EXPECT_EQ(w.RecordPictureFile(0), "");
  w.CloseBrowse();
}

TEST_F(Pictures, ThePanelShowsTheSortedRecordsPictureAndDoubleClicksCycle) {
  Picture(6, 0, 8, 6);
  Picture(6, 1, 9, 6);
  Picture(6, 2, 10, 6);
  Picture(1, 0, 30, 30);
  Backwards w;
  w.reversed = true;
  Open(w, 1);
  std::vector<int> widths{w.Image.picture().width};
  for (int i = 0; i < 3; ++i) {
    backend.DoubleClick(w.Image);
    widths.push_back(w.Image.picture().width);
  }
  EXPECT_EQ(widths, (std::vector<int>{8, 9, 10, 8}));
  EXPECT_TRUE(w.Panel.visible());
  w.CloseBrowse();
}

TEST_F(Pictures, DeletingMovesTheLaterPicturesDownWithTheirDates) {
  Picture(5, 0, 8, 6, 100);
  Picture(5, 1, 9, 6, 200);
  Picture(5, 2, 10, 6, 300);
  const std::string third = ReadData("doklady/ORG/000005-02.jpg");
  Backwards w;
  Open(w, 5);
  backend.DoubleClick(w.Image);  // shows 01
  EXPECT_EQ(w.ShownPicture, 1);
  backend.PressKeys("Delete");
  EXPECT_EQ(Stored(5), (std::vector<std::string>{"00", "01"}));
  EXPECT_EQ(ReadData("doklady/ORG/000005-01.jpg"), third);
  EXPECT_EQ(Stamp(5, 1), 300);
  EXPECT_EQ(Stamp(5, 0), 100);
  w.CloseBrowse();
}

TEST_F(Pictures, WithPicturesOffDelAndFTouchNothing) {
  Picture(3, 0, 8, 6);
  Backwards w;
  w.Open("CI99.DTA", soubtest::kLength, -1, 3);
  w.Show();
  const std::size_t shown = backend.journal().size();
  backend.PressKeys("Delete F T");
  EXPECT_EQ(Stored(3), std::vector<std::string>{"00"});
  EXPECT_EQ(backend.journal().size(), shown);  // no chooser, no print dialog
  w.CloseBrowse();
}

TEST_F(Pictures, AddingFillsTheFirstGapFromTheChosenFile) {
  Picture(2, 0, 8, 6);
  Picture(2, 2, 8, 6);
  ASSERT_EQ(common::ReplaceFileContents(common::Cz(DataPath("doklady/ORG/000002-01.jpg")), ""), 0);  // empty: free
  std::filesystem::create_directories(dir / "FOTO");
  ui::SaveJpegFile(ui::Bitmap(12, 7, ui::colors::Blue), dir / "FOTO/novy.jpg");
  ASSERT_EQ(common::SetFileTime("FOTO\\novy.jpg", (1577836800 + 50) * 1000000000LL), 0);
  common::WriteParam(browser::kSysPar, "SlozkaObr", "c:\\FOTO\\");
  Backwards w;
  Open(w, 2);
  std::vector<std::string> files;
  backend.AnswerNextModal([&](ui::Form&) {
    auto& d = browser::fFotoDialog();
    files = d.ListBox2.items();
    backend.DoubleClickItem(d.ListBox2, 0);
  });
  backend.PressKeys("F");
  EXPECT_EQ(files, std::vector<std::string>{"  1 novy.jpg"});
  EXPECT_EQ(ReadData("doklady/ORG/000002-01.jpg"), ostest::ReadRaw(dir / "FOTO/novy.jpg"));
  EXPECT_EQ(Stamp(2, 1), 50);
  FlushParams();
  EXPECT_EQ(common::ReadParam(browser::kSysPar, "SlozkaObr"), "c:\\FOTO\\");
  w.CloseBrowse();
}

TEST_F(Pictures, AHundredPicturesAreTheLimit) {
  for (int n = 0; n < 100; ++n) ASSERT_EQ(common::ReplaceFileContents(common::Cz(Real(PicturePath(4, n))), "x"), 0);
  const std::string first = ReadData("doklady/ORG/000004-00.jpg");
  Backwards w;
  Open(w, 4);
  backend.PressKeys("F");
  ASSERT_EQ(backend.messages().size(), 1u);
  EXPECT_EQ(backend.messages()[0].text, "Záznam už má 100 obrázků, další nelze přidat"_cz);
  EXPECT_EQ(ReadData("doklady/ORG/000004-00.jpg"), first);
  w.CloseBrowse();
}

TEST_F(Pictures, PrintingDrawsThePictureAtTheMarginsAtItsScaledSize) {
  Picture(1, 0, 8, 6);
  common::WriteParam(browser::kOfPar, "Levy okraj", "100");
  common::WriteParam(browser::kOfPar, "Horni okraj", "50");
  Backwards w;
  Open(w, 1);
  backend.QueueAnswer(ui::headless::Answer::CancelAnswer());
  backend.PressKeys("T");
  EXPECT_TRUE(backend.printJobs().empty());  // a cancelled dialog prints nothing
  backend.QueueAnswer(ui::headless::Answer::PrinterAnswer("Headless"));
  backend.PressKeys("T");
  ASSERT_EQ(backend.printJobs().size(), 1u);
  const auto& ops = backend.printJobs().front().ops;
  // 600 dpi: 6 printer pixels a screen pixel; left is "Horni okraj", top "Levy okraj".
  EXPECT_NE(std::find(ops.begin(), ops.end(), "picture 50,100 48x36 from 8x6"), ops.end());
  EXPECT_TRUE(backend.printJobs().front().ended);
  EXPECT_TRUE(Exists("obrazek.bmp"));
  w.CloseBrowse();
}

TEST_F(Pictures, ScrambledPicturesAreReadInMemoryAndLeaveNoPlainCopy) {
  common::Session& s = common::CurrentSession();
  s.ScrambleKey = "KLIC-PRO-TESTY-17";
  Picture(1, 0, 5, 7);
  common::ScrambleFile(common::Cz(PicturePath(1, 0)));
  const std::string scrambled = ReadData("doklady/ORG/000001-00.jpg");
  s.ScrambleOn = 1;
  Backwards w;
  Open(w, 1);
  EXPECT_EQ(w.Image.picture().height, 7);
  backend.QueueAnswer(ui::headless::Answer::PrinterAnswer("Headless"));
  backend.PressKeys("T");
  ASSERT_EQ(backend.printJobs().size(), 1u);
  EXPECT_FALSE(Exists("a.jpg"));
  EXPECT_FALSE(Exists("obrazek.bmp"));
  EXPECT_EQ(ReadData("doklady/ORG/000001-00.jpg"), scrambled);
  w.CloseBrowse();
}

TEST_F(Pictures, WithScramblingOnAnAddedPictureIsStoredScrambledAndShown) {
  common::Session& s = common::CurrentSession();
  s.ScrambleKey = "KLIC-PRO-TESTY-17";
  s.ScrambleOn = 1;
  std::filesystem::create_directories(dir / "FOTO");
  ui::SaveJpegFile(ui::Bitmap(12, 7, ui::colors::Blue), dir / "FOTO/novy.jpg");
  common::WriteParam(browser::kSysPar, "SlozkaObr", "c:\\FOTO\\");
  Backwards w;
  Open(w, 1);
  backend.AnswerNextModal([&](ui::Form&) { browser::fFotoDialog().ChoosePicture(1); });
  backend.PressKeys("F");
  EXPECT_NE(ReadData("doklady/ORG/000001-00.jpg"), ostest::ReadRaw(dir / "FOTO/novy.jpg"));
  EXPECT_EQ(ostest::ReadRaw(dir / "FOTO/novy.jpg").size(), ReadData("doklady/ORG/000001-00.jpg").size());
  EXPECT_TRUE(w.Panel.visible());
  EXPECT_EQ(w.Image.picture().width, 12);
  w.CloseBrowse();
}

// Long names whole, and a name copied from a Windows share (Windows-1250 bytes on disk)
// shown as it reads and reached by its own bytes.
TEST_F(Pictures, LongFileAndFolderNamesAreListedWholeAndRawNamesReachTheirFiles) {
  const std::string file(150, 'f'), folder(150, 'd'), raw = "\xE8\xED" "slo.jpg";
  std::filesystem::create_directories(dir / ("FOTO/" + folder));
  ui::SaveJpegFile(ui::Bitmap(4, 4), dir / ("FOTO/" + file + ".jpg"));
  ui::SaveJpegFile(ui::Bitmap(6, 4), dir / ("FOTO/" + raw));
  std::vector<std::string> files, lines, folders;
  int rawWidth = 0;
  backend.AnswerNextModal([&](ui::Form&) {
    auto& d = browser::fFotoDialog();
    files = d.FileNames;
    lines = d.ListBox2.items();
    folders = d.ListBox1.items();
    rawWidth = d.Thumbnails[0]->picture().width;
    d.ChoosePicture(2);
  });
  EXPECT_TRUE(browser::ChoosePictureFile("Vyber", "c:\\FOTO\\", "*.jpg"));
  EXPECT_EQ(files, (std::vector<std::string>{raw, file + ".jpg"}));
  EXPECT_EQ(lines, (std::vector<std::string>{"  1 číslo.jpg"_cz, "  2 " + file + ".jpg"}));
  EXPECT_EQ(rawWidth, 150);  // decoded
  EXPECT_EQ(folders, (std::vector<std::string>{".", "..", std::string(150, 'D')}));
  EXPECT_EQ(browser::fFotoDialog().FileName, file + ".jpg");
}

TEST_F(Pictures, AChoiceThatNamesNoFileIsSaidAndAddsNothing) {
  std::filesystem::create_directories(dir / "FOTO");
  common::WriteParam(browser::kSysPar, "SlozkaObr", "c:\\FOTO\\");
  const struct {
    bool withFile;
    std::string said;
  } cases[] = {{false, "Není vybrán žádný soubor"_cz}, {true, "Soubor c:\\FOTO\\a.jpg neexistuje"}};
  for (const auto& c : cases) {
    if (c.withFile) ui::SaveJpegFile(ui::Bitmap(4, 4), dir / "FOTO/a.jpg");
    Backwards w;
    Open(w, 2);
    backend.AnswerNextModal([&](ui::Form&) {
      std::filesystem::remove(dir / "FOTO/a.jpg");  // gone since it was listed
      backend.Click(browser::fFotoDialog().Button1);
    });
    const std::size_t before = backend.messages().size();
    backend.PressKeys("F");
    ASSERT_EQ(backend.messages().size(), before + 1);
    EXPECT_EQ(backend.messages().back().text, c.said);
    EXPECT_EQ(Stored(2), std::vector<std::string>{});
    w.CloseBrowse();
  }
}

TEST_F(Pictures, AnUndecodablePictureGivesTheJpegError) {
  ASSERT_EQ(common::ReplaceFileContents(common::Cz(Real(PicturePath(1, 0))), "not a picture at all"), 0);
  EXPECT_THROW(browser::LoadRecordPicture(common::Cz(PicturePath(1, 0))), ui::ImageError);
  try {
    browser::LoadRecordPicture(common::Cz(PicturePath(1, 0)));
  } catch (const ui::ImageError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("JPEG error #", 0), 0u) << e.what();
  }
}

// ---------------------------------------------------------------- the chooser

TEST_F(Pictures, ThumbnailsStandFiveARowUnderTheLists) {
  EXPECT_EQ(browser::TfFotoDialog::ThumbnailPosition(6), (ui::Point{20, 450}));
  EXPECT_EQ(browser::TfFotoDialog::ThumbnailPosition(5), (ui::Point{660, 250}));
  EXPECT_EQ(browser::TfFotoDialog::ThumbnailPosition(1), (ui::Point{20, 250}));
}

TEST_F(Pictures, TheChooserPreviewsMovesAndFreesItsThumbnails) {
  std::filesystem::create_directories(dir / "FOTO");
  for (int i = 1; i <= 6; ++i) ui::SaveJpegFile(ui::Bitmap(10 + i, 5), dir / ("FOTO/f" + std::to_string(i) + ".jpg"));
  std::string caption, previewCaption;
  int thumbs = 0;
  ui::Rect sixth;
  ui::Size kept;
  backend.AnswerNextModal([&](ui::Form&) {
    auto& d = browser::fFotoDialog();
    thumbs = d.ThumbnailCount;
    sixth = d.Thumbnails[5]->bounds();
    kept = {d.Thumbnails[5]->picture().width, d.Thumbnails[5]->picture().height};
    backend.Click(*d.Thumbnails[2]);  // preview 3
    previewCaption = browser::fFoto().caption();
    backend.Focus(d.ListBox2);
    backend.PressKeys("Down");
    caption = d.Label4.text();
    backend.ClickItem(d.ListBox1, 1);  // ".." at the root stays there
    backend.Press(ui::vk::Esc);
  });
  EXPECT_FALSE(browser::ChoosePictureFile("Vyber", "c:\\FOTO\\", "*.jpg"));
  EXPECT_EQ(thumbs, 6);
  EXPECT_EQ(sixth, (ui::Rect{20, 450, 150, 150}));
  EXPECT_EQ(kept.width * 1000 + kept.height, 150150);  // a thumbnail keeps its shown size
  EXPECT_EQ(previewCaption, "003 f3.jpg");
  EXPECT_EQ(caption, "f4.jpg");
  EXPECT_EQ(browser::fFotoDialog().ThumbnailCount, 0);  // freed on close
  EXPECT_EQ(browser::fFotoDialog().Label2.text(), "c:\\");
  EXPECT_FALSE(browser::fFoto().visible());
}

TEST_F(Pictures, ThePreviewChoosesWithEnterAndStoresItsPlace) {
  std::filesystem::create_directories(dir / "FOTO");
  ui::SaveJpegFile(ui::Bitmap(10, 5), dir / "FOTO/a.jpg");
  ui::SaveJpegFile(ui::Bitmap(10, 5), dir / "FOTO/b.jpg");
  backend.AnswerNextModal([&](ui::Form&) {
    auto& d = browser::fFotoDialog();
    d.PreviewPicture(1);
    int key = ui::vk::Down;
    browser::fFoto().FormKeyDown(key, ui::Shift::None);
    key = ui::vk::Enter;
    browser::fFoto().FormKeyDown(key, ui::Shift::None);
  });
  EXPECT_TRUE(browser::ChoosePictureFile("Vyber", "\\FOTO\\", "*.jpg"));
  EXPECT_EQ(browser::fFotoDialog().Folder, "c:\\FOTO\\");
  EXPECT_EQ(browser::fFotoDialog().FileName, "b.jpg");
  FlushParams();
  EXPECT_FALSE(common::ReadParam(browser::kOkna2Par, "FOTO FotoLeft").empty());
  EXPECT_EQ(common::ReadParam(browser::kOkna2Par, "FOTO FotoWidth"), "0532");
}

}  // namespace
