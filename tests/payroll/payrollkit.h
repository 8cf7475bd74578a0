// The payroll files as the payroll module writes them, for the payroll tests: record
// builders at the files' offsets, the report templates under "MZ8\JMHZ\" of the
// program folder, and the check that an assembled document is well-formed UTF-8 XML.
#pragma once
#include <iconv.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "browser/entries.h"
#include "common/encoding.h"
#include "common/pascal.h"
#include "payroll/jhcis.h"
#include "payroll/jhvyk.h"
#include "payroll/prrol.h"
#include "payroll/xmltemplate.h"
#include "tests/browser/soubkit.h"

namespace payrolltest {

// An employee record: counted texts at the payroll module's offsets.
struct Employee {
  std::string bytes = std::string(payroll::kEmployeeLength, '\0');
  Employee& Text(std::size_t offset, std::size_t capacity, const std::string& text) {
    common::PutCounted(bytes, offset, text, capacity);
    return *this;
  }
  Employee& Number(const std::string& v) { return Text(0, 5, v); }
  Employee& Sex(int v) {
    bytes[37] = static_cast<char>(v);
    return *this;
  }
  Employee& Born(const std::string& ddmmyyyy) { return Text(38, 8, ddmmyyyy); }
  Employee& Suffix(const std::string& v) { return Text(47, 4, v); }
  Employee& Kind(const std::string& v) { return Text(223, 5, v); }
  Employee& Assigned(const std::string& v) { return Text(878, 15, v); }
  Employee& Oic(const std::string& v) { return Text(1638, 10, v); }
  Employee& Chip(const std::string& v) { return Text(1719, 30, v); }
};

// A term of the term list.
struct TermSpec {
  std::string key, name = "Pojem", mandatory = " ", defaultValue = "      ", summary = " ", prihl = " ", vykaz = " ";
};
inline std::string Term(const TermSpec& t) {
  std::string r(payroll::kTermLength, '\0');
  common::PutCounted(r, 0, t.key, 5);
  common::PutCounted(r, 6, t.summary, 1);
  common::PutCounted(r, 8, t.mandatory, 1);
  common::PutCounted(r, 10, t.defaultValue, 6);
  common::PutCounted(r, 17, t.prihl, 1);
  common::PutCounted(r, 19, t.vykaz, 1);
  common::PutCounted(r, 21, t.name, 200);
  return r;
}
inline std::string Term(const std::string& key, const std::string& name = "Pojem") {
  TermSpec t;
  t.key = key;
  t.name = name;
  return Term(t);
}

// A report row; the value is given in UTF-8.
inline std::string Row(const std::string& person, const std::string& term, const std::string& value,
                       const std::string& child = " ") {
  std::string r(payroll::kRowLength, '\0');
  common::PutCounted(r, 0, person, 5);
  common::PutCounted(r, 6, child, 1);
  common::PutCounted(r, 8, term, 5);
  common::PutCounted(r, 14, common::Cz(value), 64);
  return r;
}

// Lines joined with CR LF, each ended.
inline std::string CrLf(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

// True when the bytes are valid UTF-8 (iconv refuses a malformed sequence).
inline bool ValidUtf8(const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-8", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = bytes, out(bytes.size() * 2 + 16, '\0');
  char* ip = in.data();
  char* op = out.data();
  std::size_t il = in.size(), ol = out.size();
  const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) && il == 0;
  iconv_close(cd);
  return ok;
}

// A finished document: parses, declares utf-8, and its bytes are UTF-8.
inline ::testing::AssertionResult WellFormedUtf8Xml(const std::string& bytes) {
  pugi::xml_document doc;
  const pugi::xml_parse_result r = doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_declaration);
  if (r.status != pugi::status_ok) return ::testing::AssertionFailure() << "does not parse: " << r.description() << " at " << r.offset;
  const pugi::xml_node decl = doc.first_child();
  std::string enc = decl.type() == pugi::node_declaration ? decl.attribute("encoding").value() : "";
  for (char& c : enc) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (enc != "utf-8") return ::testing::AssertionFailure() << "declares \"" << enc << "\"";
  if (!ValidUtf8(bytes)) return ::testing::AssertionFailure() << "is not valid UTF-8";
  return ::testing::AssertionSuccess();
}

class Payroll : public soubtest::SoubTest {
 protected:
  void SetUp() override {
    SoubTest::SetUp();
    browser::SetReportServices(nullptr, nullptr, &writer);
    payroll::JhSwitches() = {};
    std::filesystem::create_directories(dir / "MZ8/JMHZ");
  }
  void TearDown() override {
    payroll::JhSwitches() = {};
    SoubTest::TearDown();
  }
  std::string TermsPath() const { return dir / "MZ8/JMHZ/JHcis.dta"; }
  void WriteTerms(const std::vector<TermSpec>& terms) const {
    std::string bytes;
    for (const TermSpec& t : terms) bytes += Term(t);
    ostest::WriteRaw(TermsPath(), bytes);
  }
  // A template in the program folder's "MZ8\JMHZ\" (text given in UTF-8, stored in Windows-1250).
  void WriteTemplate(const std::string& name, const std::vector<std::string>& lines) const {
    ostest::WriteRaw(dir / ("MZ8/JMHZ/" + name), common::Cz(CrLf(lines)));
  }
  std::string Jh(const std::string& name) const { return dir / ("data/JH/" + name); }
  struct Lines : browser::ReportWriter {
    std::vector<std::string> lines;
    void OpenReportOut(const std::string&, int) override { lines.clear(); }
    void WriteReportLine(const std::string& line) override { lines.push_back(line); }
    void CloseReportOut() override {}
  } writer;
};

}  // namespace payrolltest
