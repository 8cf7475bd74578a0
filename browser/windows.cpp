#include "browser/windows.h"

#include <stdexcept>

#include "browser/choosers/dirdialog.h"
#include "browser/choosers/edituj.h"
#include "browser/choosers/foto.h"
#include "browser/choosers/inout.h"
#include "browser/choosers/pictures.h"
#include "browser/entries.h"
#include "browser/hint.h"
#include "browser/okno.h"
#include "browser/parsys.h"
#include "browser/soub.h"
#include "common/convert.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/text.h"

namespace browser {

namespace {

// The picture of a number item: its own mask, or one wide enough for the kind, with
// the type letter the browser reads from the last character.
std::string NumberPicture(const common::PolItem& it) {
  std::string mask = it.picture;
  if (mask.empty() || (mask.front() != '#' && mask.front() != '@')) {
    switch (it.kind) {
      case 'B': mask = "###"; break;
      case 'W': mask = "#####"; break;
      case 'I':
      case 'L': mask = "###########"; break;
      default: mask = "############.##"; break;
    }
  }
  switch (it.kind) {
    case 'B': return mask + "B";
    case 'W': return mask + "W";
    case 'I':
    case 'L': return mask + "L";
    case 'R': return mask + "R";
    case 'D': return mask + "D";
    default: return mask + "C";
  }
}

// Any record file under its ".pol" description: one field per item, captioned
// by the item's name.
class RecordFileWindow : public TfSoub {
 public:
  RecordFileWindow() : TfSoub("fSoub") {}

  void Open(const std::string& file, const std::string& layout) {
    common::toPol pol;
    std::string reason;
    if (!common::LoadLayout(layout, layout, pol, reason))
      throw std::runtime_error(common::Win1250ToUtf8(layout + ": " + reason));
    if (static_cast<int>(pol.items.size()) > 264) throw std::runtime_error("too many items");
    FieldCount = static_cast<std::int32_t>(pol.items.size());
    for (int i = 1; i <= FieldCount; ++i) {
      const common::PolItem& it = pol.items[i - 1];
      FieldSetup setup;
      setup.Caption(it.name).At(2, i);
      if (it.IsText()) {
        setup.Picture(it.picture.empty() ? "X" : it.picture).Initial(std::string(it.size, ' '));
      } else {
        const std::string picture = NumberPicture(it);
        setup.Picture(picture).Initial(std::string(picture.size() - 1, ' '));
      }
      SetFieldDescriptor(Field(i), setup);
    }
    if (LayoutLength(FieldSpan()) != pol.recordLength)
      throw std::runtime_error(common::Win1250ToUtf8(layout) + ": items the browser cannot show");
    BrowseSetup s;
    s.fileName = file;
    s.title = file;
    s.editTitle = file;
    s.editKeyLine = "F2-OK Esc-Konec";
    s.fieldCount = FieldCount;
    s.recordLength = pol.recordLength;
    s.grid = {1, 1, 100, 20};
    OpenBrowse(s);
  }
};

// A field screen of the fields given by caption, mask and value, over no record.
class FieldScreen : public TfOkno {
 public:
  FieldScreen() : TfOkno("fOkno") {}

  void Setup(const std::vector<std::string>& args) {
    SetFieldCount(static_cast<int>(args.size() / 3));
    for (int i = 1; i <= FieldCount; ++i) {
      const auto at = static_cast<std::size_t>(3 * (i - 1));
      OknoAddField(Field(i), args[at], 2, i, args[at + 1], args[at + 2], 0, 0, "");
    }
    OknoBuildWindow(" Okno ", " F2=OK  ESC=ven ", 10, 2, 70, FieldCount + 4, ui::Rgb(0xF0, 0xF0, 0xF0), 0);
  }
};

std::vector<std::string> Rest(const std::vector<std::string>& args, std::size_t from) {
  return {args.begin() + static_cast<std::ptrdiff_t>(std::min(from, args.size())), args.end()};
}

}  // namespace

void RegisterBrowserWindows(ui::WindowRegistry& registry) {
  registry.Add("TfRol", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfRol"), args, 0, 0);
    TfRol w("fRol");  // the plain list window, as the window table makes it: no file
    w.ShowModal();
  });
  registry.Add("TfSoub", "FILE LAYOUT.pol [PICTURES-SUBFOLDER|-]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfSoub"), args, 2, 3);
    RecordFileWindow w;
    w.Open(args[0], args[1]);
    if (args.size() > 2) {  // pictures on, as the partner and employee lists set them
      w.PicturesOn = true;
      w.PictureFolder = args[2] == "-" ? "" : args[2];
    }
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfOkno", "CAPTION MASK VALUE [CAPTION MASK VALUE ...]",
               [&registry](const std::vector<std::string>& args) {
                 ui::RequireArgs(*registry.Find("TfOkno"), args, 3, 3 * kOknoMaxFields);
                 if (args.size() % 3 != 0) throw std::invalid_argument("TfOkno: CAPTION MASK VALUE in threes");
                 FieldScreen w;
                 w.Setup(args);
                 w.ShowModal();
                 w.OknoFinish();
               });
  registry.Add("TfHint", "NAME", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfHint"), args, 1, 1);
    ShowInstructions(args[0]);  // NAVODY\NAME.nav of the program folder, as Ctrl+F1 shows it
  });
  registry.Add("TfParSys", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfParSys"), args, 0, 0);
    OpenSystemParameters();
  });
  registry.Add("TfKalk", "[START]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfKalk"), args, 0, 1);
    ShowCalculator(args.empty() ? 0.0 : common::TextToFloat(args[0]));
  });
  registry.Add("TfDotaz", "QUESTION", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfDotaz"), args, 1, 1);
    AskOne(10, 10, args[0]);
  });
  registry.Add("TfDotazy", "TITLE CAPTION VALUE [CAPTION VALUE ...]",
               [&registry](const std::vector<std::string>& args) {
                 ui::RequireArgs(*registry.Find("TfDotazy"), args, 3, 121);
                 AskFields(10, 10, nullptr, args[0], Rest(args, 1));
               });
  registry.Add("TfVyber", "TITLE ITEM [ITEM ...]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfVyber"), args, 2, 61);
    ShowVyber(10, 10, nullptr, args[0], Rest(args, 1));
  });
  registry.Add("TfVolby", "TITLE ITEM [ITEM ...]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfVolby"), args, 2, 61);
    ShowVolby(10, 10, nullptr, args[0], Rest(args, 1));
  });
  registry.Add("TfInOut", "TITLE [DEFAULT]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfInOut"), args, 1, 2);
    ChooseFileDialog(args[0], args.size() > 1 ? args[1] : "*.txt");
    fInOut().ShowModal();
  });
  registry.Add("TfEdituj", "TEXT [WIDTH]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfEdituj"), args, 1, 2);
    const int width = args.size() > 1 ? static_cast<int>(common::TextToInt(args[1])) : static_cast<int>(args[0].size());
    fEdituj().init(10, 10, 1, width, 1, args[0]);
    fEdituj().ShowModal();
  });
  registry.Add("TfDirDialog", "CAPTION [START]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfDirDialog"), args, 1, 2);
    ChooseFolder(args[0], args.size() > 1 ? args[1] : "c:\\");
  });
  registry.Add("TfFotoDialog", "CAPTION [START [MASK]]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfFotoDialog"), args, 1, 3);
    ChoosePictureFile(args[0], args.size() > 1 ? args[1] : "", args.size() > 2 ? args[2] : "*.jpg");
  });
  registry.Add("TfFoto", "FOLDER NAME", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfFoto"), args, 2, 2);
    TfFoto& foto = fFoto();
    foto.Chooser = nullptr;
    foto.SetCaption("001 " + args[1]);
    foto.Image1.SetPicture(LoadPictureFile(args[0] + args[1]));
    foto.ShowModal();
  });
  registry.Add("TfErr", "TEXT", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfErr"), args, 1, 1);
    common::MessageOk(args[0]);
  });
}

}  // namespace browser
