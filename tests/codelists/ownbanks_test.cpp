// The own bank accounts: the older layout's conversion with its IBAN, the checks and
// pickers of the form, the key-or-account field, deletes in place, the finds.
#include <filesystem>

#include "browser/editform.h"
#include "codelists/banks.h"
#include "codelists/cashkeys.h"
#include "codelists/keyoraccount.h"
#include "codelists/ownbanks.h"
#include "common/numbers.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using common::Cz;

// An account record of the current layout.
std::string Account(const std::string& mark, const std::string& bank, const std::string& account,
                    const std::string& code = "0800", const std::string& currency = "CZK") {
  return cltest::MakeRecord(BankKodySpec(), {{1, mark}, {2, bank}, {3, account}, {4, code}, {5, "GIBACZPX"},
                                             {7, currency}, {8, "221000"}, {9, "CZ65 0800"}});
}

// A record of the older 89-byte layout.
std::string OldAccount(const std::string& mark, const std::string& bank, const std::string& account,
                       const std::string& code, const std::string& head, double balance = 0) {
  std::string r(kOldBankKodyLength, '\0');
  auto put = [&](std::size_t at, const std::string& text, std::size_t width) {
    std::string t = Cz(text);
    t.resize(width, ' ');
    common::PutCounted(r, at, t, width);
  };
  put(0, mark, 1);
  put(2, bank, 20);
  put(23, account, 19);
  put(43, code, 4);
  put(48, "GIBACZPX", 10);
  common::PutReal48(r, 59, balance);
  put(65, "CZK", 3);
  put(69, "221000", 6);
  put(76, head, 12);
  return r;
}

class RegistersBankKody : public cltest::CodeListTest {
 protected:
  void TearDown() override {
    common::CurrentSession().FjOn = 0;
    CodeListTest::TearDown();
  }
  std::string Field(const std::string& bytes, int record, int f) const {
    return cltest::Column(BankKodySpec(), bytes, f).at(static_cast<std::size_t>(record - 1));
  }
  // Cash-book key 12 is "Pokladna".
  void WriteKeys() const {
    ASSERT_TRUE(CreateCashKeyFile());
    std::string keys = ReadData("klicew.dta");
    std::string text = "Pokladna";
    text.resize(27, ' ');
    common::PutCounted(keys, 11 * kCashKeyLength, text, 27);
    WriteData("klicew.dta", keys);
  }
};

TEST_F(RegistersBankKody, TheIbanIsBuiltFromDigitTexts) {
  const struct {
    const char *account, *code, *head, *iban;
  } cases[] = {
      {"19-2000145399", "0800", "CZ65", "CZ65 0800 0000 1920 0014 5399"},
      {"19-2000145399      ", "800 ", "CZ65 0800 00", "CZ65 0800 0000 1920 0014 5399"},  // blank-padded
      {" 19 - 2000145399", "0800", "CZ65", "CZ65 0800 0000 1920 0014 5399"},           // blanks inside
      {"9999999999", "2010", "CZ12", "CZ12 2010 0000 0099 9999 9999"},                   // above 32 bits
      {"123456-7890123456", "0100", "CZ01", "CZ01 0100 1234 5678 9012 3456"},            // ten digits of the number
      {"1234567-890", "0300", "CZ99", "CZ99 0300 0000 0012 3456 7890"},                  // "-" fourth from the end
      // A "-" fourth from the end: the reading that passes the head's check digits wins,
      // one number when neither does.
      {"53081-457", "5500", "CZ02", "CZ02 5500 0530 8100 0000 0457"},
      {"53081-457", "5500", "CZ36", "CZ36 5500 0000 0000 5308 1457"},
      {"53081-457", "5500", "CZ03", "CZ03 5500 0000 0000 5308 1457"},
  };
  for (const auto& c : cases) EXPECT_EQ(OldAccountIban(c.account, c.code, c.head), c.iban) << c.account;
}

TEST_F(RegistersBankKody, TheOlderLayoutIsConvertedKeepingEveryRecordNumber) {
  WriteData("bako.dta", OldAccount("A", "Česká spořitelna", "19-2000145399", "0800", "CZ65", 1234.5) +
                            std::string(kOldBankKodyLength, '\0') +  // a blank record in the middle
                            OldAccount("C", "Fio banka", "2000145399", "2010", ""));
  TfBankKody& w = fBankKody();
  SetupBankKody(w);
  EXPECT_EQ(w.Count, 3);
  w.CloseBrowse();
  const std::string bytes = ReadData("bako.dta");
  ASSERT_EQ(bytes.size(), 492u);
  EXPECT_EQ(Field(bytes, 1, bk::Iban), "CZ65 0800 0000 1920 0014 5399");
  EXPECT_EQ(Field(bytes, 1, bk::Swift), "GIBACZPX       ");
  EXPECT_EQ(Field(bytes, 1, bk::Bank), Cz("Česká spořitelna    "));
  EXPECT_EQ(Field(bytes, 1, bk::Currency), "CZK");
  EXPECT_EQ(Field(bytes, 1, bk::Posting), "221000");
  EXPECT_DOUBLE_EQ(common::GetReal48(bytes, 64), 1234.5);
  EXPECT_EQ(common::StripRightSp(Field(bytes, 2, bk::Bank)), "");  // record 2 stays, blank
  EXPECT_EQ(Field(bytes, 3, bk::Mark), "C");
  EXPECT_EQ(Field(bytes, 3, bk::Iban), std::string(30, ' '));  // no old head: no IBAN
  EXPECT_EQ(Field(bytes, 3, 10), std::string(30, ' '));
  EXPECT_TRUE(Messages().empty());
  SetupBankKody(w);  // a second opening leaves the file alone
  w.CloseBrowse();
  EXPECT_EQ(ReadData("bako.dta"), bytes);
}

TEST_F(RegistersBankKody, OnlyAnOldFileWithItsHeadLengthIsConverted) {
  std::string current = Account("A", "Fio banka", "2000145399");
  current[76] = 12;  // a 164-byte file is never converted
  std::string two = Account("A", "Fio banka", "2000145399") + Account("B", "ČSOB", "2000145399");
  std::string shortFile = OldAccount("A", "Fio", "1", "2010", "CZ65").substr(0, 80);
  for (const std::string& bytes : {current, two, shortFile}) {
    WriteData("bako.dta", bytes);
    EXPECT_TRUE(ConvertOldBankKody());
    EXPECT_EQ(ReadData("bako.dta"), bytes);
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(RegistersBankKody, ADeleteAsksAndBlanksTheRecordInPlace) {
  WriteData("bako.dta", Account("A", "Fio banka", "2000145399") + Account("B", "ČSOB", "19-2000145399") +
                            Account("C", "KB", "2000145399"));
  const std::string before = ReadData("bako.dta");
  TfBankKody& w = fBankKody();
  SetupBankKody(w);
  w.GoToRecord(2, 0);
  for (int key : {ui::vk::Esc, ui::vk::Letter('A')}) {  // no, then "Ano"
    backend.AnswerNextModal([&, key](ui::Form&) { backend.Press(key); });
    w.DeleteRecord(w.Current);
  }
  w.CloseBrowse();  // never sorts
  const std::string after = ReadData("bako.dta");
  ASSERT_EQ(after.size(), 492u);
  EXPECT_EQ(after.substr(0, 164), before.substr(0, 164));
  EXPECT_EQ(after.substr(328), before.substr(328));
  EXPECT_EQ(Field(after, 2, bk::Mark), " ");
  EXPECT_EQ(Field(after, 2, bk::Bank), std::string(20, ' '));
}

TEST_F(RegistersBankKody, AMarkOfAnotherRecordBlocksTheEdit) {
  WriteData("bako.dta", Account("A", "Fio banka", "2000145399") + Account("B", "ČSOB", "19-2000145399") +
                            Account("C", "KB", "2000145399"));
  TfBankKody& w = fBankKody();
  SetupBankKody(w);
  w.GoToRecord(3, 0);
  edit.Type("C").Keys("Down").Type("Komerční banka").Keys("F2");  // its own mark
  w.EditRecord();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Field(ReadData("bako.dta"), 3, bk::Bank), Cz("Komerční banka      "));
  edit.Type("C").Keys("F2").Do([&](browser::EditForm&) { w.EditAccept(); }).Keys("Esc");
  w.NewRecord();
  EXPECT_EQ(Messages(), (std::vector<std::string>{Cz("Pozor, stejné označení bankovního účtu"),
                                                  Cz("Údaj Označení banky \n je chybný")}));
  EXPECT_EQ(ReadData("bako.dta").size(), 492u);
  w.CloseBrowse();
}

TEST_F(RegistersBankKody, AWrongAccountNumberOnlyWarnsAndTheCurrencyIsUpperCased) {
  TfBankKody& w = fBankKody();
  SetupBankKody(w);
  edit.Type("A").Keys("Down").Type("Fio").Keys("Down").Type("12345").Keys("Down Down Down Down").Type("czk").Keys("F2");
  w.NewRecord();
  EXPECT_EQ(Messages(), std::vector<std::string>{Cz("Chybné číslo konta")});
  const std::string bytes = ReadData("bako.dta");
  ASSERT_EQ(bytes.size(), 164u);
  EXPECT_EQ(common::StripRightSp(Field(bytes, 1, bk::Account)), "12345");
  EXPECT_EQ(Field(bytes, 1, bk::Currency), "CZK");
  w.CloseBrowse();
}

TEST_F(RegistersBankKody, EnterOnTheBankCodePicksTheBankAndItsName) {
  std::filesystem::create_directories(dir / std::string("2"));
  std::string bank = cltest::MakeRecord(KodyBankSpec(), {{1, "Česká spořitelna, a.s. - velmi dlouhý"}, {2, "0800"}, {3, "GIBACZPX"}});
  ostest::WriteRaw(dir / std::string("2/KodyBank.dta"), bank);
  backend.OnModal("fKodyBank", [&](ui::Form&) { backend.PressKeys("Enter"); });
  TfBankKody& w = fBankKody();
  SetupBankKody(w);
  edit.Type("A").Do([](browser::EditForm& f) { f.Enter(bk::Code); }).Type("800").Keys("Enter F2");
  w.NewRecord();
  const std::string bytes = ReadData("bako.dta");
  ASSERT_EQ(bytes.size(), 164u);
  EXPECT_EQ(Field(bytes, 1, bk::Code), "0800");
  EXPECT_EQ(Field(bytes, 1, bk::Bank), Cz("Česká spořitelna, a."));
  w.CloseBrowse();
}

TEST_F(RegistersBankKody, WithCashBookKeysTheKeyFieldTakesOneTo255) {
  common::CurrentSession().FjOn = 1;
  WriteKeys();
  TfBankKody& w = fBankKody();
  SetupBankKody(w);
  EXPECT_EQ(w.Field(bk::Posting).caption, Cz("Bankovní klíč  "));
  EXPECT_NE(w.HeaderLine.find(Cz("Klíč SWIFT")), std::string::npos);
  std::vector<std::pair<std::string, std::string>> seen;
  auto look = [&](browser::EditForm& f) { seen.emplace_back(f.Text(bk::Posting), f.SideLabel(bk::Posting)); };
  edit.Type("A").Do([](browser::EditForm& f) { f.Enter(bk::Posting); });
  for (const char* typed : {"0", "300", "12"}) edit.Type(typed).Keys("Up").Do(look).Do([](browser::EditForm& f) { f.Enter(bk::Posting); });
  edit.Keys("F2");
  w.NewRecord();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], std::make_pair(std::string("   "), std::string(27, ' ')));
  EXPECT_EQ(seen[1], std::make_pair(std::string("   "), std::string(27, ' ')));
  EXPECT_EQ(seen[2].first, " 12");
  EXPECT_EQ(common::StripRightSp(seen[2].second), "Pokladna");
  EXPECT_EQ(Field(ReadData("bako.dta"), 1, bk::Posting), " 12   ");
  w.CloseBrowse();
}

TEST_F(RegistersBankKody, WithCashBookKeysANewAccountStartsWithABlankKey) {
  common::CurrentSession().FjOn = 1;
  TfBankKody& w = fBankKody();
  SetupBankKody(w);
  edit.Type("A").Keys("F2");
  w.NewRecord();
  EXPECT_EQ(Field(ReadData("bako.dta"), 1, bk::Posting), "      ");
  w.CloseBrowse();
  // Without them the new account's posting account is "000000".
  common::CurrentSession().FjOn = 0;
  SetupBankKody(w);
  edit.Type("B").Keys("F2");
  w.NewRecord();
  EXPECT_EQ(Field(ReadData("bako.dta"), 2, bk::Posting), "000000");
  w.CloseBrowse();
}

TEST_F(RegistersBankKody, TheKeyOrAccountLabelWithoutTheAccountIs30Blanks) {
  std::string account = "999999";
  EXPECT_EQ(KeyOrAccountLabel(account), std::string(30, ' '));
  EXPECT_EQ(account, "999999");
  std::string none = "000000";
  EXPECT_EQ(CheckKeyOrAccount(none), 0);  // no account needs no chart
}

TEST_F(RegistersBankKody, FindsByAccountWithoutBlanks) {
  WriteData("bako.dta", Account("A", "Fio", "2000145399") + Account("B", "ČSOB", "19-2000145399"));
  TfBankKody& w = fBankKody();
  SetupBankKody(w);
  EXPECT_EQ(BankKodyFindByAccount(w, "19 - 2000145399  "), 2);
  EXPECT_EQ(BankKodyFindByAccount(w, "2000145399"), 1);
  EXPECT_EQ(BankKodyFindByAccount(w, "1"), -1);
  w.CloseBrowse();
  EXPECT_EQ(OwnAccountBankName(2), std::optional<std::string>(Cz("ČSOB") + std::string(16, ' ')));
  EXPECT_EQ(OwnAccountBankName(3), std::nullopt);
}

}  // namespace
