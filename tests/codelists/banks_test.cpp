// The bank codes in the program folder: finds by name and code, the two sorts, the
// delete that carries the blank record to the front, the listing and the picker.
#include <filesystem>

#include "codelists/banks.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::Strings;
using cltest::Trimmed;
using common::Cz;

class RegistersKodyBank : public cltest::CodeListTest {
 protected:
  void SetUp() override {
    CodeListTest::SetUp();
    std::filesystem::create_directories(dir / std::string("2"));
  }
  std::string BankPath() const { return dir / std::string("2/KodyBank.dta"); }
  void WriteBanks(const std::vector<std::pair<std::string, std::string>>& banks) const {
    std::string bytes;
    for (const auto& [name, code] : banks) bytes += cltest::MakeRecord(KodyBankSpec(), {{1, name}, {2, code}, {3, "SWIFT" + code}});
    ostest::WriteRaw(BankPath(), bytes);
  }
  Strings Column(int f) const { return Trimmed(cltest::Column(KodyBankSpec(), ostest::ReadRaw(BankPath()), f)); }
  static Strings Cz(const Strings& v) {
    Strings out;
    for (const std::string& s : v) out.push_back(common::Cz(s));
    return out;
  }
  void Menu(TfKodyBank& w, const char* slot) {
    ui::MenuItem* item = w.PopupMenu1.Find(slot);
    ASSERT_NE(item, nullptr);
    item->onClick(*item);
  }
};

TEST_F(RegistersKodyBank, FindsByCodeAndByName) {
  WriteBanks({{"Komerční banka", "0100"}, {"Česká spořitelna", "0800"}, {"Komerční banka 2", "2345"}, {"Fio banka", "2010"}});
  TfKodyBank& w = fKodyBank();
  SetupKodyBank(w);
  EXPECT_EQ(w.DataFileName, "=" + common::CurrentSession().ProgDirPath + "2\\KodyBank.dta");
  const struct {
    const char* code;
    std::int32_t found;
  } codes[] = {{"800", 2}, {"0800", 2}, {"800  ", 2}, {"12345", 3}, {"100", 1}, {"9999", -1}, {"", -1}};
  for (const auto& c : codes) EXPECT_EQ(KodyBankFindByCode(w, c.code), c.found) << c.code;
  const struct {
    const char* name;
    std::int32_t found;
  } names[] = {{"Komerční", 1}, {"Komerční banka 2", 3}, {"Česká", 2}, {"Ceska", -1}, {"komerční", -1},
               {"   ", -1},      {"", -1},                {"Fio banka   ", 4}};
  for (const auto& n : names) EXPECT_EQ(KodyBankFindByName(w, common::Cz(n.name)), n.found) << n.name;
  w.CloseBrowse();
}

TEST_F(RegistersKodyBank, AnEmptyRegisterFindsNothing) {
  TfKodyBank& w = fKodyBank();
  SetupKodyBank(w);
  EXPECT_EQ(KodyBankFindByCode(w, "0800"), -1);
  EXPECT_EQ(KodyBankFindByName(w, "A"), -1);
  w.CloseBrowse();
}

TEST_F(RegistersKodyBank, TheCodeSortOrdersByBytesAndDropsBlankNames) {
  WriteBanks({{"Fio banka", "2010"}, {"   x", "9999"}, {"ČSOB", "0300"}, {"Komerční banka", "0100"}});
  TfKodyBank& w = fKodyBank();
  SetupKodyBank(w);
  Menu(w, "c1");
  EXPECT_EQ(Column(2), (Strings{"0100", "0300", "2010"}));
  EXPECT_EQ(w.Count, 3);
  EXPECT_NE(std::find(backend.journal().begin(), backend.journal().end(), "show fBlik \"fBlik\""), backend.journal().end());
  Menu(w, "b1");
  EXPECT_EQ(Column(1), Cz({"ČSOB", "Fio banka", "Komerční banka"}));
  w.CloseBrowse();
}

TEST_F(RegistersKodyBank, ASortKeepsTheBankAnotherWindowAddedMeanwhile) {
  WriteBanks({{"Fio banka", "2010"}, {"ČSOB", "0300"}});
  TfKodyBank& a = fKodyBank();
  SetupKodyBank(a);
  {
    TfKodyBank b;  // a second workstation's window on the same file
    SetupKodyBank(b);
    edit.Type("Komerční banka").Keys("Down").Type("0100").Keys("F2");
    b.NewRecord();
    b.CloseBrowse();
  }
  EXPECT_EQ(a.Count, 2);
  Menu(a, "c1");
  EXPECT_EQ(Column(2), (Strings{"0100", "0300", "2010"}));
  EXPECT_EQ(a.Count, 3);
  a.CloseBrowse();
}

TEST_F(RegistersKodyBank, ADeleteCarriesTheBlankRecordFirstAndOnlyASortDropsIt) {
  WriteBanks({{"Air Bank", "3030"}, {"ČSOB", "0300"}, {"Fio banka", "2010"}, {"Komerční banka", "0100"}, {"Raiffeisenbank", "5500"}});
  TfKodyBank& w = fKodyBank();
  SetupKodyBank(w);
  w.GoToRecord(3, 0);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(Column(1), Cz({"", "Air Bank", "ČSOB", "Komerční banka", "Raiffeisenbank"}));
  EXPECT_EQ(w.Current, 3);
  EXPECT_TRUE(w.Changed);
  w.CloseBrowse();  // the close never sorts
  EXPECT_EQ(ostest::ReadRaw(BankPath()).size(), 5u * 92u);
  SetupKodyBank(w);
  Menu(w, "b1");
  EXPECT_EQ(ostest::ReadRaw(BankPath()).size(), 368u);
  EXPECT_EQ(Column(1), Cz({"Air Bank", "ČSOB", "Komerční banka", "Raiffeisenbank"}));
  w.CloseBrowse();
}

TEST_F(RegistersKodyBank, TheListingTurnsThePageAtLimRad) {
  common::CurrentSession().LimRad = 9;
  common::CurrentSession().FirmTitle = "Firma";
  WriteBanks({{"A", "0001"}, {"B", "0002"}, {"C", "0003"}});
  TfKodyBank& w = fKodyBank();
  SetupKodyBank(w);
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{"A1 Opis", common::Cz("b1 Setřiď dle bank"), common::Cz("c1 Setřiď dle kódů")}));
  Menu(w, "A1");
  EXPECT_EQ(writer.job, "KodyBank");
  EXPECT_EQ(writer.width, 100);
  const auto& lines = writer.lines;
  ASSERT_EQ(lines.size(), 7u + 2u + 8u + 1u);  // two records on a page of 9 lines
  EXPECT_EQ(lines[2], "Firma" + std::string(13, ' ') + common::Cz("Kódy bank") + std::string(10, ' ') + "List:  1 Datum: 06.12.26");
  EXPECT_EQ(lines[4], common::Cz("Banka") + std::string(46, ' ') + common::Cz("Kód  Swift") + std::string(31, ' '));
  EXPECT_EQ(lines[9], "\f");
  w.CloseBrowse();
}

TEST_F(RegistersKodyBank, ThePickerOpensAtTheFoundBank) {
  WriteBanks({{"Komerční banka", "0100"}, {"Česká spořitelna", "0800"}, {"Fio banka", "2010"}});
  const struct {
    BankFind by;
    const char* text;
    const char* keys;
    std::int32_t shownAt;
    const char* code;
  } cases[] = {{BankFind::ByCode, "800", "Enter", 2, "0800"},
               {BankFind::ByName, "Komerční", "Enter", 1, "0100"},
               {BankFind::ByCode, "7777", "Enter", 3, "2010"},  // not found: the last record
               {BankFind::ByCode, "800", "Esc", 2, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::int32_t shownAt = 0;
    backend.AnswerNextModal([&](ui::Form&) {
      shownAt = fKodyBank().Current;
      backend.PressKeys(c.keys);
    });
    const auto bank = PickBank(c.by, common::Cz(c.text));
    EXPECT_EQ(shownAt, c.shownAt);
    ASSERT_EQ(bank.has_value(), c.code != nullptr);
    if (bank) {
      EXPECT_EQ(bank->code, c.code);
      EXPECT_EQ(common::StripRightSp(bank->swift), std::string("SWIFT") + c.code);
    }
    EXPECT_FALSE(fKodyBank().DataFileUsable());
  }
}

}  // namespace
