#include "codelists/windows.h"

#include "codelists/assets.h"
#include "codelists/banks.h"
#include "codelists/cashflow.h"
#include "codelists/cashkeys.h"
#include "codelists/chart.h"
#include "codelists/income.h"
#include "codelists/csvregs.h"
#include "codelists/firm.h"
#include "codelists/ownbanks.h"
#include "codelists/postal.h"
#include "codelists/slov.h"
#include "codelists/cis60.h"
#include "codelists/lists.h"
#include "codelists/livestock.h"
#include "codelists/outlines.h"
#include "codelists/registers.h"
#include "codelists/schemes.h"
#include "codelists/small.h"
#include "codelists/stock.h"

namespace codelists {

namespace {

template <class Window>
void Add(ui::WindowRegistry& registry, Window& (*instance)(), void (*setup)(Window&)) {
  const std::string name(instance().spec().className);
  const bool keptOpen = instance().spec().keepOpen.slot > 0;
  registry.Add(name, keptOpen ? "[end-of-run]" : "", [&registry, name, keptOpen, instance, setup](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find(name), args, 0, keptOpen ? 1 : 0);
    Window& w = instance();
    setup(w);
    w.ShowModal();
    w.CloseBrowse();
    // "end-of-run": the program's end follows, with its close of the kept-open lists.
    if (!args.empty()) {
      if (args[0] != "end-of-run") throw std::invalid_argument("usage: " + name + " [end-of-run]");
      CloseCodeListForms();
    }
  });
}

// The statement outlines as the code-list menu opens them (the old panel's way for 29).
void AddStatementOutlines(ui::WindowRegistry& registry) {
  registry.Add("TfCis26", "[26|76]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfCis26"), args, 0, 1);
    TfCis26& w = fCis26();
    SetupCis26(w, args.empty() ? "26" : args[0]);
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfCis27", "[27|CI27.DTA]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfCis27"), args, 0, 1);
    TfCis27& w = fCis27();
    SetupCis27(w, args.empty() ? "27" : args[0]);
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfCis28", "[CI28.dta|CI29.dta]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfCis28"), args, 0, 1);
    TfCis28& w = fCis28();
    SetupCis28(w, args.empty() ? "CI28.dta" : args[0]);
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfCis29", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfCis29"), args, 0, 0);
    OpenOldPanelList(29);
  });
}

// The registers of the main window's buttons, and the dictionary as the report viewer
// opens it.
void AddRegisters(ui::WindowRegistry& registry) {
  Add(registry, &fpsc, &SetupPsc);
  Add(registry, &fObce, &SetupObce);
  Add(registry, &fZuj, &SetupZuj);
  Add(registry, &fISCO, &SetupISCO);
  Add(registry, &fZeme, &SetupZeme);
  registry.Add("TfSlov", "[slovN.dta]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfSlov"), args, 0, 1);
    TfSlov& w = fSlov();
    SetupSlov(w, args.empty() ? "slov" + SlovDictionaryNumber() + ".dta" : args[0]);
    w.ShowModal();
    w.CloseBrowse();
  });
}

// The registers of this unit; the text list over the file and title its caller names.
void AddSmallRegisters(ui::WindowRegistry& registry) {
  Add(registry, &fStaty, &SetupStaty);
  Add(registry, &fSpotrDan, &SetupSpotrDan);
  Add(registry, &fOFZpUh, &SetupOFZpUh);
  Add(registry, &fKodyBank, &SetupKodyBank);
  Add(registry, &fKl, &SetupKl);
  Add(registry, &fBankKody, &SetupBankKody);
  // The firm data as the main window's button opens them: the form of record 1 only.
  registry.Add("TfFMA", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfFMA"), args, 0, 0);
    EditFirmData();
  });
  registry.Add("TfTXT1", "[file title]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfTXT1"), args, 0, 2);
    TfTXT1& w = fTXT1();
    SetupTXT1(w, args.size() > 0 ? args[0] : "provozy.dta", args.size() > 1 ? args[1] : "Provoz");
    w.ShowModal();
    w.CloseBrowse();
  });
}

// The statement schemes, each opened with its list number as the code-list menu does.
void AddStatementSchemes(ui::WindowRegistry& registry) {
  const struct {
    SchemeKind kind;
    const char* usage;
    SchemeWindow& (*instance)();
    void (*setup)(SchemeWindow&, std::string_view);
  } schemes[] = {{SchemeKind::Balance270, "[77|270]", &fCis270, &SetupCis270},
                 {SchemeKind::Annex27P, "[80..86]", &fCis27P, &SetupCis27P},
                 {SchemeKind::Income260, "[260]", &fCis260, &SetupCis260}};
  for (const auto& s : schemes) {
    const std::string name(VariantOf(s.kind).className);
    registry.Add(name, s.usage, [&registry, name, s](const std::vector<std::string>& args) {
      ui::RequireArgs(*registry.Find(name), args, 0, 1);
      SchemeWindow& w = s.instance();
      s.setup(w, args.empty() ? VariantOf(s.kind).defaultList : std::string_view(args[0]));
      w.ShowModal();
      w.CloseBrowse();
    });
  }
}

}  // namespace

void RegisterCodeListWindows(ui::WindowRegistry& registry) {
  Add(registry, &fCis11, &SetupCis11);
  Add(registry, &fCis20, &SetupCis20);
  Add(registry, &fCis23, &SetupCis23);
  Add(registry, &fCis36, &SetupCis36);
  Add(registry, &fCis10, &SetupCis10);
  Add(registry, &fCis30, &SetupCis30);
  Add(registry, &fCis15, &SetupCis15);
  Add(registry, &fCis14, &SetupCis14);
  Add(registry, &fCis21, &SetupCis21);
  Add(registry, &fCis22, &SetupCis22);
  Add(registry, &fCis24, &SetupCis24);
  Add(registry, &fCis25, &SetupCis25);
  Add(registry, &fCis62, &SetupCis62);
  Add(registry, &fCis63, &SetupCis63);
  Add(registry, &fCis35, &SetupCis35);
  Add(registry, &fCis51, &SetupCis51);
  Add(registry, &fCis13, &SetupCis13);
  Add(registry, &fCis18, &SetupCis18);
  Add(registry, &fCis65, &SetupCis65);
  AddStatementOutlines(registry);
  AddRegisters(registry);
  AddSmallRegisters(registry);
  RegisterCis60Windows(registry);
  AddStatementSchemes(registry);
}

void OpenOldPanelList(int list) {
  switch (list) {
    case 26: {
      TfCis26& w = fCis26();
      SetupCis26(w, "26");
      w.ShowModal();
      SortCis26(w);
      w.CloseBrowse();
      break;
    }
    case 27: {
      TfCis27& w = fCis27();
      SetupCis27(w, "27");
      w.ShowModal();
      SortCis27(w);
      w.CloseBrowse();
      break;
    }
    case 29: {
      TfCis29& w = fCis29();
      SetupCis29(w);
      w.ShowModal();
      SortCis29(w);
      w.CloseBrowse();
      break;
    }
    default: break;
  }
}

}  // namespace codelists
