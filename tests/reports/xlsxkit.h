// Reading back a written workbook: its parts through the unzip command, the cells of
// a sheet and the number format and boldness of each cell style.
#pragma once
#include <map>
#include <regex>
#include <string>

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
    const std::string xml = Part("xl/worksheets/sheet" + std::to_string(sheet) + ".xml");
    static const std::regex cell(R"re(<c r="([A-Z]+[0-9]+)"([^>]*?)(/>|>(.*?)</c>))re");
    static const std::regex style(R"re(s="([0-9]+)")re"), type(R"re(t="([a-zA-Z]+)")re");
    static const std::regex text(R"re(<t[^>]*>(.*?)</t>)re"), value(R"re(<v>(.*?)</v>)re");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), cell); it != std::sregex_iterator(); ++it) {
      XlsxCell c;
      const std::string attrs = (*it)[2], body = (*it)[4];
      std::smatch m;
      if (std::regex_search(attrs, m, style)) c.style = std::stoi(m[1]);
      if (std::regex_search(attrs, m, type)) c.type = m[1];
      if (std::regex_search(body, m, text) || std::regex_search(body, m, value)) c.value = m[1];
      cells[(*it)[1]] = c;
    }
    return cells;
  }
  // Format code and boldness of every cell style (cellXfs order).
  struct Style {
    std::string format;
    bool bold = false;
  };
  std::vector<Style> Styles() const {
    const std::string xml = Part("xl/styles.xml");
    std::map<int, std::string> formats = {{0, "General"}, {2, "0.00"}, {49, "@"}};
    static const std::regex numFmt(R"re(<numFmt numFmtId="([0-9]+)" formatCode="([^"]*)")re");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), numFmt); it != std::sregex_iterator(); ++it)
      formats[std::stoi((*it)[1])] = (*it)[2];
    std::vector<bool> boldFonts;
    const std::size_t fontsAt = xml.find("<fonts"), fontsEnd = xml.find("</fonts>");
    static const std::regex font(R"re(<font>(.*?)</font>|<font/>)re");
    const std::string fonts = xml.substr(fontsAt, fontsEnd - fontsAt);
    for (auto it = std::sregex_iterator(fonts.begin(), fonts.end(), font); it != std::sregex_iterator(); ++it)
      boldFonts.push_back((*it)[1].str().find("<b/>") != std::string::npos);
    std::vector<Style> styles;
    const std::size_t xfsAt = xml.find("<cellXfs"), xfsEnd = xml.find("</cellXfs>");
    const std::string xfs = xml.substr(xfsAt, xfsEnd - xfsAt);
    static const std::regex xf(R"re(<xf numFmtId="([0-9]+)" fontId="([0-9]+)")re");
    for (auto it = std::sregex_iterator(xfs.begin(), xfs.end(), xf); it != std::sregex_iterator(); ++it) {
      const int f = std::stoi((*it)[2]);
      styles.push_back({formats[std::stoi((*it)[1])], f < static_cast<int>(boldFonts.size()) && boldFonts[static_cast<std::size_t>(f)]});
    }
    return styles;
  }

 private:
  std::string book_, scratch_;
};

}  // namespace reporttest
