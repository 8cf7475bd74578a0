#include "payroll/windows.h"

#include "payroll/jhcis.h"
#include "payroll/jhvyk.h"
#include "payroll/jhxml.h"
#include "payroll/mzrzd.h"
#include "payroll/prrol.h"
#include "payroll/supplements.h"

namespace payroll {

void RegisterPayrollWindows(ui::WindowRegistry& registry) {
  registry.Add("Tfpr_rol", "", [](const std::vector<std::string>&) {
    Tfpr_rol& w = fpr_rol();
    w.SetupPr_rol();
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfJHcis", "", [](const std::vector<std::string>&) {
    TfJHcis& w = fJHcis();
    w.SetupJHcis();
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfJHvyk", "[FILE]", [](const std::vector<std::string>& args) {
    TfJHvyk& w = fJHvyk();
    w.SetupJHvyk(args.empty() ? "JHvyk.dta" : args[0]);
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfJHXML", "", [](const std::vector<std::string>&) { fJHXML().ShowModal(); });
  registry.Add("TfJHvyk2", "[FILE]", [](const std::vector<std::string>& args) {
    TfJHvyk2& w = fJHvyk2();
    w.SetupJHvyk2(args.empty() ? "=JHvyk1.dta" : args[0]);
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfPrDod", "", [](const std::vector<std::string>&) {
    TfPrDod& w = fPrDod();
    w.SetupPrDod();
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfMZ_RZD", "", [](const std::vector<std::string>&) {
    TfMZ_RZD& w = fMZ_RZD();
    w.SetupMZ_RZD();
    w.ShowModal();
    w.CloseBrowse();
  });
  // Never shown by the program; opened here over a results file to look at it.
  registry.Add("TfRZproJH", "[FILE]", [](const std::vector<std::string>& args) {
    TfRZproJH& w = fRZproJH();
    w.SetupRZproJH(args.empty() ? "MZRZT.dta" : args[0]);
    w.ShowModal();
    w.CloseBrowse();
  });
}

}  // namespace payroll
