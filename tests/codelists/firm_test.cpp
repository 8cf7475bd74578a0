// The firm data: the record made on a user's first edit, the two older layouts, the
// own-account picker filling the form, key fields, the help table, record 1's account.
#include <filesystem>

#include "browser/editform.h"
#include "codelists/cashkeys.h"
#include "codelists/firm.h"
#include "codelists/ownbanks.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using common::Cz;

class RegistersFma : public cltest::CodeListTest {
 protected:
  void SetUp() override {
    CodeListTest::SetUp();
    std::filesystem::create_directories(dir / std::string("dlib"));
    for (const char* f : {"fma.pol", "fma2004.pol", "fma2014.pol"})
      std::filesystem::copy_file(std::string(CODELISTS_DLIB) + "/" + f, dir / (std::string("dlib/") + f),
                                 std::filesystem::copy_options::overwrite_existing);
    common::CurrentSession().CurrentUser = "07";
    common::CurrentSession().VatTextDan1 = "12";
    common::CurrentSession().VatTextDan2 = "21";
  }
  void TearDown() override {
    common::CurrentSession().FjOn = 0;
    CodeListTest::TearDown();
  }
  std::string Field(const std::string& bytes, int f) const { return cltest::Column(FmaSpec(), bytes, f).at(0); }
  std::string Firm(const std::map<int, std::string>& values) const { return cltest::MakeRecord(FmaSpec(), values); }
};

TEST_F(RegistersFma, TheFirstEditOfAUserMakesItsRecordSilently) {
  edit.Type("12345678").Keys("F2");
  EditFirmData();
  const std::string bytes = ReadData("fmw07.dta");
  ASSERT_EQ(bytes.size(), 582u);
  EXPECT_EQ(Field(bytes, 1), "12345678");
  EXPECT_EQ(Field(bytes, 25), std::string(50, ' '));
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(backend.messages().empty());
  ASSERT_EQ(edit.seen.size(), 1u);
  // Esc still leaves the one record; another user code has a file of its own.
  common::CurrentSession().CurrentUser = "08";
  edit.Keys("Esc");
  EditFirmData();
  EXPECT_EQ(ReadData("fmw08.dta"), Firm({}));
  EXPECT_EQ(ReadData("fmw07.dta"), bytes);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(RegistersFma, WithNoFileTheOlderLayoutsAreNotAskedFor) {
  for (const char* f : {"fma.pol", "fma2004.pol"}) std::filesystem::remove(dir / (std::string("dlib/") + f));
  edit.Keys("Esc");
  EditFirmData();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ReadData("fmw07.dta"), Firm({}));
}

TEST_F(RegistersFma, BothOlderLayoutsAreConverted) {
  const std::string full = Firm({{1, "12345678"}, {12, "Fio banka"}, {15, "FIOBCZPP"}, {16, "343021"}, {21, "Převodem"},
                                 {22, "OR Praha"}, {23, "CZ65"}});
  const struct {
    std::string old;
    std::map<int, std::string> blank;  // fields the old layout had not
  } cases[] = {
      {full.substr(0, 449), {{23, ""}, {24, ""}, {25, ""}}},                               // up to 2014
      {full.substr(0, 316) + full.substr(332, 28) + full.substr(360, 38), {{15, ""}, {22, ""}, {23, ""}}},  // up to 2004
  };
  for (const auto& c : cases) {
    WriteData("fmw07.dta", c.old);
    TfFMA& w = fFMA();
    SetupFMA(w);
    EXPECT_EQ(w.Count, 1);
    w.CloseBrowse();
    const std::string bytes = ReadData("fmw07.dta");
    ASSERT_EQ(bytes.size(), 582u);
    for (int f = 1; f <= kFmaFields; ++f) {
      const std::string want = c.blank.count(f) ? std::string(static_cast<std::size_t>(FmaSpec().fields[static_cast<std::size_t>(f - 1)].initial.size()), ' ')
                                                : Field(full, f);
      if (f != 14) {
        EXPECT_EQ(Field(bytes, f), want) << f;
      }
    }
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(RegistersFma, PickingAnOwnAccountFillsTheBankFields) {
  WriteData("bako.dta", cltest::MakeRecord(BankKodySpec(), {{1, "A"}, {2, "Fio"}, {3, "2000145399"}, {4, "2010"}}) +
                            cltest::MakeRecord(BankKodySpec(), {{1, "B"}, {2, "Česká spořitelna"}, {3, "19-2000145399"}, {4, "0800"},
                                                                {5, "GIBACZPX"}, {7, "EUR"}, {8, "221001"},
                                                                {9, "CZ65 0800 0000 1920 0014 5399"}}));
  WriteData("fmw07.dta", Firm({{13, "19-2000145399"}}));
  backend.OnModal("fBankKody", [&](ui::Form&) { backend.PressKeys("Down Enter"); });
  std::string labelAtStart, labelAfter;
  edit.Do([&](browser::EditForm& f) { labelAtStart = f.SideLabel(fma::BankName); })
      .Do([](browser::EditForm& f) { f.Enter(fma::BankName); })
      .Keys("Enter")
      .Do([&](browser::EditForm& f) { labelAfter = f.SideLabel(fma::BankName); })
      .Keys("F2");
  EditFirmData();
  EXPECT_EQ(labelAtStart, "EUR");  // the account of field 13 is own account 2
  EXPECT_EQ(labelAfter, "EUR");
  const std::string bytes = ReadData("fmw07.dta");
  ASSERT_EQ(bytes.size(), 582u);
  EXPECT_EQ(Field(bytes, fma::BankName), Cz("Česká spořitelna    "));
  EXPECT_EQ(common::StripRightSp(Field(bytes, fma::Account)), "19-2000145399");
  EXPECT_EQ(Field(bytes, fma::BankCode), "0800");
  EXPECT_EQ(common::StripRightSp(Field(bytes, fma::Swift)), "GIBACZPX");
  EXPECT_EQ(Field(bytes, fma::BankPosting), "221001");
  EXPECT_EQ(common::StripRightSp(Field(bytes, fma::Iban)), "CZ65 0800 0000 1920 0014 5399");
  EXPECT_EQ(Field(bytes, fma::Note1), "EUR" + std::string(47, ' '));
  EXPECT_TRUE(Messages().empty());
  const FirmAccount a = ReadFirmAccount();
  EXPECT_EQ(a.account, "19-2000145399");
  EXPECT_EQ(a.bankCode, "0800");
}

TEST_F(RegistersFma, AWrongAccountOnlyWarns) {
  edit.Do([](browser::EditForm& f) { f.Enter(fma::Account); }).Type("12345").Keys("F2");
  EditFirmData();
  EXPECT_EQ(Messages(), std::vector<std::string>{Cz("Chybný účet")});
  EXPECT_EQ(common::StripRightSp(Field(ReadData("fmw07.dta"), fma::Account)), "12345");
}

TEST_F(RegistersFma, WithCashBookKeysTheTaxFieldsTakeOneTo255) {
  common::CurrentSession().FjOn = 1;
  ASSERT_TRUE(CreateCashKeyFile());
  std::string keys = ReadData("klicew.dta");
  common::PutCounted(keys, 11 * kCashKeyLength, "DPH 21" + std::string(21, ' '), 27);
  WriteData("klicew.dta", keys);
  TfFMA& w = fFMA();
  SetupFMA(w);
  EXPECT_EQ(w.Field(16).caption, Cz(">Daň. klíč 21  "));
  EXPECT_EQ(w.Field(17).caption, Cz(">Daň. klíč 12  "));
  EXPECT_EQ(w.Field(19).caption, Cz(">Bankovní klíč "));
  w.CloseBrowse();
  std::vector<std::pair<std::string, std::string>> seen;
  auto look = [&](browser::EditForm& f) { seen.emplace_back(f.Text(16), common::StripRightSp(f.SideLabel(16))); };
  edit.Do([](browser::EditForm& f) { f.Enter(16); });
  for (const char* typed : {"0", "256", "12"}) edit.Type(typed).Keys("Down").Do(look).Do([](browser::EditForm& f) { f.Enter(16); });
  edit.Keys("F2");
  EditFirmData();
  using P = std::pair<std::string, std::string>;
  EXPECT_EQ(seen, (std::vector<P>{P{"   ", ""}, P{"   ", ""}, P{" 12", "DPH 21"}}));
  EXPECT_EQ(common::StripRightSp(Field(ReadData("fmw07.dta"), 16)), " 12");
}

TEST_F(RegistersFma, WithCashBookKeysNewFirmDataStartWithBlankKeys) {
  common::CurrentSession().FjOn = 1;
  edit.Type("12345678").Keys("F2");
  EditFirmData();
  const std::string bytes = ReadData("fmw07.dta");
  for (int f = fma::VatBasic; f <= fma::BankPosting; ++f) EXPECT_EQ(Field(bytes, f), std::string(6, ' ')) << f;
}

TEST_F(RegistersFma, TheHelpTopicsFollowTheField) {
  const struct {
    int field;
    bool keys, opens;
    const char* topic;
  } cases[] = {{0, false, true, ""},         {1, false, true, "IČO"},     {6, false, true, "Adresa 4"},
               {14, false, true, "Specifický symbol"}, {15, false, false, ""},   {16, true, true, "Daňový klíč zákl"},
               {17, false, true, "Daňový účet šníž"},  {19, true, true, "Bankovní klíč"}, {19, false, true, "Bankovní účet"},
               {21, false, true, "Způsob úhrady"},     {22, false, true, ""},    {23, false, false, ""}};
  for (const auto& c : cases) {
    bool opens = !c.opens;
    EXPECT_EQ(FmaHelpTopic(c.field, c.keys, opens), c.topic) << c.field;
    EXPECT_EQ(opens, c.opens) << c.field;
  }
}

}  // namespace
