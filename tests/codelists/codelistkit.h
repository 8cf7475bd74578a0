// The frame of the code-list tests: the record-file browser's scratch folders with a
// fixed clock (6 Dec 2026, so today's change date is "261206"), a recording report
// writer, and records made from a list's table.
#pragma once
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/codec.h"
#include "browser/entries.h"
#include "codelists/engine.h"
#include "codelists/lists.h"
#include "common/clock.h"
#include "common/encoding.h"
#include "common/lockclient.h"
#include "common/pascal.h"
#include "common/session.h"
#include "tests/browser/soubkit.h"
#include "tools/lockserver/lockserver.h"

namespace cltest {

inline constexpr const char* kToday = "261206";
inline constexpr const char* kOld = "240101";

// Lines as the report writer got them.
struct RecordingWriter : browser::ReportWriter {
  std::string job;
  int width = 0, opened = 0, closed = 0;
  std::vector<std::string> lines;
  void OpenReportOut(const std::string& name, int w) override {
    job = name;
    width = w;
    ++opened;
    lines.clear();
  }
  void WriteReportLine(const std::string& line) override { lines.push_back(line); }
  void CloseReportOut() override { ++closed; }
};

// A lock server on a free loopback port, the session's locks going through it until the end.
struct ServedLocks {
  static lockserver::Options AnyPort() {
    lockserver::Options o;
    o.port = 0;
    return o;
  }
  ServedLocks() {
    server.Start();
    connected = client.Connect("127.0.0.1", server.Port()) == 0;
    common::CurrentSession().LockServerName = "127.0.0.1";
  }
  ~ServedLocks() { common::CurrentSession().LockServerName.clear(); }
  lockserver::Server server{AnyPort()};
  common::LockServerClient client;
  bool connected = false;
  common::ScopedLockClient use{client};
};

// The descriptors of a table's fields (for building and reading test records).
inline std::vector<browser::FieldDescriptor> Descriptors(const codelists::CodeListSpec& spec) {
  std::vector<browser::FieldDescriptor> d(spec.fields.size());
  for (std::size_t i = 0; i < d.size(); ++i)
    browser::SetFieldDescriptor(d[i], browser::FieldSetup()
                                          .Picture(std::string(spec.fields[i].picture))
                                          .Initial(common::Cz(spec.fields[i].initial)));
  return d;
}

// A record of the list: the initial values, the given fields (UTF-8) and the old date.
inline std::string MakeRecord(const codelists::CodeListSpec& spec, const std::map<int, std::string>& values) {
  std::vector<browser::FieldDescriptor> d = Descriptors(spec);
  if (spec.dateField > 0) d[static_cast<std::size_t>(spec.dateField - 1)].value = kOld;
  for (const auto& [f, v] : values) d[static_cast<std::size_t>(f - 1)].value = common::Cz(v);
  std::string rec(static_cast<std::size_t>(spec.recordLength), '\0');
  browser::FieldsToRecord(d, rec);
  return rec;
}

// The text of field f of every record of a file's bytes.
inline std::vector<std::string> Column(const codelists::CodeListSpec& spec, const std::string& bytes, int f) {
  const std::vector<browser::FieldDescriptor> d = Descriptors(spec);
  const int at = browser::FieldOffsets(d)[static_cast<std::size_t>(f - 1)];
  std::vector<std::string> out;
  const auto len = static_cast<std::size_t>(spec.recordLength);
  for (std::size_t p = 0; p + len <= bytes.size(); p += len)
    out.push_back(common::GetCounted(std::string_view(bytes).substr(p, len), static_cast<std::size_t>(at),
                                     d[static_cast<std::size_t>(f - 1)].width));
  return out;
}

class CodeListTest : public soubtest::SoubTest {
 protected:
  CodeListTest() : scopedClock(clock) {}
  void SetUp() override {
    SoubTest::SetUp();
    browser::SetReportServices(nullptr, nullptr, &writer);
  }
  void TearDown() override {
    codelists::DestroyCodeListWindows();
    browser::SetReportServices(nullptr, nullptr, nullptr);
    SoubTest::TearDown();
  }

  // A file of records with the given keys (field 1) and "Text <key>" in field 2.
  void WriteList(const codelists::CodeListSpec& spec, const std::vector<std::string>& keys) const {
    std::string bytes;
    for (const std::string& k : keys) bytes += MakeRecord(spec, {{1, k}, {2, "Text " + k}});
    WriteData(std::string(spec.file), bytes);
  }
  std::vector<std::string> FileKeys(const codelists::CodeListSpec& spec) const {
    return Column(spec, ReadData(std::string(spec.file)), 1);
  }
  std::vector<std::string> Texts(const codelists::CodeListSpec& spec) const {
    return Column(spec, ReadData(std::string(spec.file)), 2);
  }
  std::vector<std::string> Dates(const codelists::CodeListSpec& spec) const {
    return Column(spec, ReadData(std::string(spec.file)), spec.dateField);
  }
  // Shows the window (not modally) so that keys reach its grid.
  void Show(browser::TfRol& w) {
    w.Show();
    ASSERT_EQ(w.activeControl(), &w.sgRol);
  }

  common::FakeClock clock{{2026, 12, 6, 9, 30, 0, 0}};
  common::ScopedClock scopedClock;
  RecordingWriter writer;
};

using Strings = std::vector<std::string>;

// The shown items of a window's popup menu: "slot caption".
inline Strings ShownMenu(const browser::TfRol& w) {
  Strings shown;
  for (const auto& item : w.PopupMenu1.items())
    if (item->visible) shown.push_back(item->name + " " + item->caption);
  return shown;
}

inline Strings Trimmed(const Strings& v) {
  Strings out;
  for (const std::string& s : v) out.push_back(common::StripRightSp(s));
  return out;
}

}  // namespace cltest
