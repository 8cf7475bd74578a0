// Reading back a written workbook: its parts through the unzip command, the cells of
// a sheet and the number format and boldness of each cell style.
#pragma once
#include <map>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "common/process.h"
#include "tests/common/os_tempdir.h"

namespace reporttest {

struct XlsxCell {
  std::string type;   // t="..." ("inlineStr", "n" or empty for numbers)
  std::string value;  // the text or the number as written
  int style = 0;
};

class XlsxReader {
 public:
  XlsxReader(const std::string& workbook, const std::string& scratch) : book_(workbook), scratch_(scratch) {}

  // The part's text; empty when the part is not there.
  std::string Part(const std::string& member) const {
    common::RunOptions o;
    o.outputFile = scratch_ + "/unzip.out";
    common::RunResult r;
    if (common::RunProgram("unzip", {"-p", book_, member}, o, r) != 0 || r.exitCode != 0) return {};
    return ostest::ReadRaw(o.outputFile);
  }
  std::map<std::string, XlsxCell> Cells(int sheet) const {
    std::map<std::string, XlsxCell> cells;
    pugi::xml_document doc;
    const std::string xml = Part("xl/worksheets/sheet" + std::to_string(sheet) + ".xml");
    if (!doc.load_buffer(xml.data(), xml.size())) return cells;
    for (const pugi::xpath_node& n : doc.select_nodes("//*[local-name()='c']")) {
      const pugi::xml_node c = n.node();
      XlsxCell cell;
      cell.type = c.attribute("t").value();
      cell.style = c.attribute("s").as_int();
      const pugi::xpath_node t = c.select_node(".//*[local-name()='t']");
      cell.value = t ? t.node().text().get() : c.child("v").text().get();
      cells[c.attribute("r").value()] = cell;
    }
    return cells;
  }
  // Format code and boldness of every cell style (cellXfs order).
  struct Style {
    std::string format;
    bool bold = false;
  };
  std::vector<Style> Styles() const {
    std::vector<Style> styles;
    pugi::xml_document doc;
    const std::string xml = Part("xl/styles.xml");
    if (!doc.load_buffer(xml.data(), xml.size())) return styles;
    const pugi::xml_node sheet = doc.document_element();
    std::map<int, std::string> formats = {{0, "General"}, {2, "0.00"}, {49, "@"}};
    for (const pugi::xml_node f : sheet.child("numFmts").children("numFmt"))
      formats[f.attribute("numFmtId").as_int()] = f.attribute("formatCode").value();
    std::vector<bool> boldFonts;
    for (const pugi::xml_node f : sheet.child("fonts").children("font")) boldFonts.push_back(static_cast<bool>(f.child("b")));
    for (const pugi::xml_node xf : sheet.child("cellXfs").children("xf")) {
      const auto font = static_cast<std::size_t>(xf.attribute("fontId").as_int());
      styles.push_back({formats[xf.attribute("numFmtId").as_int()], font < boldFonts.size() && boldFonts[font]});
    }
    return styles;
  }

 private:
  std::string book_, scratch_;
};

}  // namespace reporttest
