#include "codelists/stock.h"

#include <memory>

#include "codelists/lists.h"
#include "common/numbers.h"
#include "common/pascal.h"

namespace codelists {

namespace {

enum Command { kRewritePrefixes = 1 };

constexpr int kGroups = 10;

// Field of the first account of group g (1..10); the group holds the stock, second
// and deviation accounts and the centre code.
constexpr int GroupField(int g) { return 3 + 4 * (g - 1); }

const std::vector<FieldSpec>& Cis15Fields() {
  static const std::vector<std::string> captions = [] {
    std::vector<std::string> c;
    for (int n = 1; n <= kGroups; ++n) c.push_back(common::IntToText(n, 2) + ".skladový účet ");
    return c;
  }();
  static const std::vector<FieldSpec> fields = [] {
    std::vector<FieldSpec> f{{"Pohyb ", "P", "000", 1, 2}, {" ", " ", "                              ", 1, 11}};
    for (int n = 1; n <= kGroups; ++n) {
      const auto line = static_cast<std::uint8_t>(n + 1);
      f.push_back({captions[static_cast<std::size_t>(n - 1)], "Y", "      ", line, 2});
      f.push_back({"účet ", "Y", "      ", line, 28});
      f.push_back({"Úč-odch. ", "Y", "      ", line, 42});
      f.push_back({"stř. ", " ", " ", line, 60});
    }
    f.push_back({"Datum změny ", " ", "      ", 12, 2});
    return f;
  }();
  return fields;
}

}  // namespace

const CodeListSpec& Cis15Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 15;
    s.className = "TfCis15";
    s.caption = "Pohyby skladů";
    s.file = "CI15.DTA";
    s.recordLength = 272;
    s.fields = Cis15Fields();
    s.deleted = BlankKey(3);
    s.dateField = 43;
    s.sortNotice = "Třídím seznam účtů";
    s.look = Look({30, 1, 110, 16}, {1, 1, 100, 20}, " CI15 ", " F1-Help  F10=Opis  F4-Nová ");
    s.stamp = StampPolicy::EveryWrite;
    s.keepOpen = {15, true};
    s.listing.title = "Pohyby skladů (15)";
    s.menu = {{"c1", "Opis", MenuAction::Print}, {"h1", "Zmena 611 -> 581", MenuAction::Custom, kRewritePrefixes}};
    return s;
  }();
  return spec;
}

std::string RewriteAccountPrefix(std::string_view account) {
  static constexpr std::string_view kPrefixes[][2] = {{"611", "581"}, {"612", "582"}, {"613", "583"}, {"614", "584"},
                                                      {"621", "585"}, {"622", "586"}, {"623", "587"}, {"624", "588"}};
  for (const auto& [old, now] : kPrefixes)
    if (account.substr(0, 3) == old) return common::Copy(std::string(now) + common::Copy(account, 4, 3), 1, 6);
  return std::string(account);
}

void TfCis15::RewriteStockAccountPrefixes() {
  UsePhysicalOrder();
  RewriteEachRecord([this](std::int32_t n) {
    RecordRead(n);
    if (!lastIoOk()) return false;
    for (int g = 1; g <= kGroups; ++g)
      for (int f = GroupField(g); f < GroupField(g) + 3; ++f) PutField(RecordBuffer, f, RewriteAccountPrefix(FieldOf(RecordBuffer, f)));
    RecordWrite(n);  // every record, changed or not
    return lastIoOk();
  });
}

void TfCis15::MenuCommand(int id) {
  if (id == kRewritePrefixes) RewriteStockAccountPrefixes();
  RepaintPage();
}

void SetupCis15(TfCis15& w) { w.Setup(); }

namespace {

std::unique_ptr<TfCis15>& Cis15Slot() {
  static std::unique_ptr<TfCis15> p;
  return p;
}

}  // namespace

TfCis15& fCis15() {
  if (!Cis15Slot()) Cis15Slot() = std::make_unique<TfCis15>();
  return *Cis15Slot();
}
TfCis15* ExistingCis15() { return Cis15Slot().get(); }
void DestroyStockWindows() { Cis15Slot().reset(); }

}  // namespace codelists
