// Partner files for the money-order and label tests: records made through the
// register's own field table, the data folder of the browser kit.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "browser/codec.h"
#include "browser/dotazy.h"
#include "common/encoding.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "tests/browser/soubkit.h"

namespace partnertest {

using Fields = std::vector<std::pair<int, std::string>>;  // field number, UTF-8 text

class PartnerFiles : public soubtest::SoubTest {
 protected:
  void SetUp() override {
    SoubTest::SetUp();
    partners::ResetOrgServices();
  }
  void TearDown() override {
    partners::ResetOrgServices();
    SoubTest::TearDown();
  }
  // Partner n with the given fields, the rest as a new card has them.
  static std::string Partner(std::int32_t n, const Fields& fields) {
    partners::TfOrg w("fOrgMaker");
    partners::SetupOrg(w, "=maker.dta");
    for (const auto& [f, text] : fields) w.Field(f).value = common::Cz(text);
    w.Field(partners::of::Number).value = std::to_string(n);
    std::string record(partners::kOrgRecordLength, '\0');
    browser::FieldsToRecord(w.FieldSpan(), record);
    w.CloseBrowse();
    return record;
  }
  static std::string Partners(const std::vector<Fields>& list) {
    std::string bytes;
    for (std::size_t i = 0; i < list.size(); ++i) bytes += Partner(static_cast<std::int32_t>(i + 1), list[i]);
    return bytes;
  }
  // The question window answered: its fields typed over, then confirmed (or left).
  void AnswerFields(std::vector<std::string> texts, bool confirm = true) {
    backend.AnswerNextModal([texts, confirm](ui::Form& f) {
      auto& d = static_cast<browser::TfDotazy&>(f);
      for (std::size_t i = 0; i < texts.size(); ++i) d.Edits[i + 1]->SetText(common::Cz(texts[i]));
      if (confirm) d.F2KlapkaClick();
      else d.Close();
    });
  }
  // The texts drawn by print job j, in order (UTF-8 "x,y text").
  std::vector<std::string> Texts(std::size_t j) const {
    std::vector<std::string> out;
    for (const std::string& op : backend.printJobs().at(j).ops)
      if (op.starts_with("text ")) out.push_back(op.substr(5));
    return out;
  }
};

}  // namespace partnertest
