// Two workstations on one code list: two processes over one data folder, their locks in
// "FOT.tab". Every record either side wrote or left is in the file once and whole, the
// deleted ones are gone, and the file is in key order.
#include <algorithm>
#include <filesystem>
#include <chrono>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <thread>

#include "codelists/livestock.h"
#include "codelists/outlines.h"
#include "codelists/postal.h"
#include "codelists/schemes.h"
#include "common/faultfs.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"
#include "tests/codelists/outlinekit.h"
#include "tests/common/leftcopy.h"
#include "tests/common/processes.h"

namespace {

namespace fs = std::filesystem;
using namespace codelists;
using cltest::Strings;

constexpr int kRuns = 10;
constexpr std::size_t kLength11 = 302;

class CodeListWorkstations : public cltest::CodeListTest {
 protected:
  using Expected = std::map<std::string, std::string>;  // text -> key of the records that must be there once

  static std::string Rec(const std::string& key, const std::string& text) {
    return cltest::MakeRecord(Cis11Spec(), {{1, key}, {2, text}});
  }
  static std::string Key(int k) { return std::to_string(k); }
  // A record F8 has blanked (its key three blanks).
  static std::string Deleted() {
    std::string r = Rec("000", "");
    common::PutCounted(r, 0, "   ", 3);
    return r;
  }

  // F4 with the key and the text typed into the edit window.
  void Add(TfCis11& w, const std::string& key, const std::string& text) {
    edit.steps.clear();
    edit.Type(key).Keys("Down").Type(text).Keys("F2");
    w.NewRecord();
  }

  // F8 on the record with this text, as a user does it: finds it, looks that the cursor
  // row shows it, presses F8, and starts again when the list refuses (changed meanwhile).
  bool Delete(TfCis11& w, const std::string& text) {
    for (int attempt = 0; attempt < 500; ++attempt) {
      w.DataFileReopen();
      std::int32_t at = 0;
      for (std::int32_t n = 1; n <= w.Count && at == 0; ++n) {
        w.RecordRead(n);
        if (common::StripRightSp(w.FieldOf(w.RecordBuffer, 2)) == text) at = n;
      }
      if (at == 0) return false;
      w.GoToRecord(at, 0);
      if (w.sgRol.Cell(2, w.CursorRow()).find(text) == std::string::npos) continue;
      const std::size_t before = Messages().size();
      w.DeleteRecord(at);
      if (Messages().size() == before) return true;
    }
    return false;
  }

  struct Census {
    int lost = 0;      // records lost, doubled, torn (a key that is not its text's) or unknown
    int disorder = 0;  // records standing before a smaller key
    int blanks = 0;    // deleted records still there
  };
  Census Take(const Expected& expected) const {
    const std::string bytes = ReadData("CI11.DTA");
    const Strings keys = cltest::Column(Cis11Spec(), bytes, 1);
    const Strings texts = cltest::Trimmed(cltest::Column(Cis11Spec(), bytes, 2));
    Census c;
    c.lost = bytes.size() % kLength11 == 0 ? 0 : 1;
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (i > 0 && keys[i] < keys[i - 1]) ++c.disorder;
      if (keys[i] == "   ") {
        ++c.blanks;
        continue;
      }
      const auto e = expected.find(texts[i]);
      if (e == expected.end() || e->second != keys[i]) ++c.lost;  // torn or unknown
      else if (++seen[texts[i]] > 1) ++c.lost;                  // doubled
    }
    for (const auto& [text, key] : expected)
      if (seen.count(text) == 0) ++c.lost;
    return c;
  }

  // Runs the two workstations kRuns times over a fresh `start` file (each body opens the
  // list; it is closed after) and prints the runs with a fault.
  void Measure(const char* what, const std::string& start, const Expected& expected, const std::vector<int>& blanksAllowed,
               const std::function<int(TfCis11& w, int child, std::mt19937& random)>& body) {
    int runsWithLoss = 0, lost = 0, runsOutOfOrder = 0;
    for (int run = 0; run < kRuns; ++run) {
      SCOPED_TRACE(run);
      WriteData("CI11.DTA", start);
      EXPECT_EQ(ostest::RunInChildren(2, [&](int child) {
                  common::CurrentSession().CurrentUser = child == 0 ? "01" : "02";
                  std::mt19937 random(static_cast<unsigned>(run * 2 + child));
                  TfCis11 w;
                  const int rc = body(w, child, random);
                  w.CloseBrowse();
                  return rc;
                }),
                0);
      const Census c = Take(expected);
      EXPECT_EQ(c.lost, 0);
      EXPECT_EQ(c.disorder, 0);
      EXPECT_NE(std::find(blanksAllowed.begin(), blanksAllowed.end(), c.blanks), blanksAllowed.end()) << c.blanks;
      runsWithLoss += c.lost > 0;
      lost += c.lost;
      runsOutOfOrder += c.disorder > 0;
    }
    std::cout << what << ": runs with loss " << runsWithLoss << " of " << kRuns << ", records lost or doubled " << lost
              << ", runs out of key order " << runsOutOfOrder << "\n";
  }
};

// One workstation closes the list (the close sort drops the deleted records) while the
// other opens it and adds three records.
TEST_F(CodeListWorkstations, ACloseSortLosesNoRecordTheOtherAdds) {
  std::string start;
  Expected expected;
  for (int i = 0; i < 20; ++i) start += Deleted();
  for (int i = 0; i < 1980; ++i) {
    const std::string text = "R" + std::to_string(1000 + i), key = Key(100 + i * 900 / 1980);
    start += Rec(key, text);
    expected[text] = key;
  }
  for (const char* k : {"150", "500", "850"}) expected[std::string("B") + k] = k;
  Measure("close sort and F4", start, expected, {0, 20}, [&](TfCis11& w, int child, std::mt19937& random) {
    if (child == 0) {
      SetupCis11(w);
      return 0;  // the close sorts
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
    SetupCis11(w);  // opens after the other's look at the lock table
    for (const char* k : {"150", "500", "850"}) Add(w, k, std::string("B") + k);
    return 0;
  });
}

// One workstation adds 50 records to keys 500-549 while the other deletes 25 of them.
TEST_F(CodeListWorkstations, AddingAndDeletingAtOnceLoseAndDoubleNothing) {
  std::string start;
  Expected expected;
  for (int k = 500; k < 550; ++k) {
    start += Rec(Key(k), "O" + Key(k));
    if (k % 2 == 1) expected["O" + Key(k)] = Key(k);
  }
  for (int k = 500; k < 550; ++k) expected["A" + Key(k)] = Key(k);
  Measure("F4 and F8", start, expected, {0, 25}, [&](TfCis11& w, int child, std::mt19937&) {
    SetupCis11(w);
    int bad = 0;
    for (int k = 500; k < 550; ++k) {
      if (child == 0) Add(w, Key(k), "A" + Key(k));
      else if (k % 2 == 0 && !Delete(w, "O" + Key(k))) ++bad;
    }
    return bad == 0 ? 0 : 1;
  });
}

// Both workstations add 30 records at once.
TEST_F(CodeListWorkstations, TwoAddingAtOnceKeepTheKeyOrder) {
  std::string start;
  Expected expected;
  for (int k = 100; k < 200; ++k) {
    start += Rec(Key(k), "O" + Key(k));
    expected["O" + Key(k)] = Key(k);
  }
  auto keyOf = [](int child, int i) { return Key(100 + (child == 0 ? i * 37 : i * 53 + 11) % 100); };
  for (int child = 0; child < 2; ++child)
    for (int i = 0; i < 30; ++i) expected[(child == 0 ? "A" : "B") + keyOf(child, i)] = keyOf(child, i);
  Measure("F4 and F4", start, expected, {0}, [&](TfCis11& w, int child, std::mt19937&) {
    SetupCis11(w);
    for (int i = 0; i < 30; ++i) Add(w, keyOf(child, i), (child == 0 ? "A" : "B") + keyOf(child, i));
    return 0;
  });
}

// A list opened while another workstation rewrites it (a sort or an insert half way: its
// turn held, its copy beside the list): the layout check leaves the copy to its writer, the
// list opens at once with nothing said, and F4 waits for that step and adds. A copy that
// cannot go back keeps the list read only while it waits, and every F4 says so, until the
// copy goes back and F4 adds.
TEST_F(CodeListWorkstations, AListOpenedWhileAnotherRewritesItOpensAtOnceAndAdds) {
  cltest::InstallLayouts(dir.path());
  const struct Row {
    const char* name;
    std::function<CodeListWindow&()> open;
    int nameField = 0;     // a field a new record needs filled (else the sort drops it)
    bool guarded = false;  // F4 is refused (said) while another user holds the list
  } rows[] = {
      {"TfCis26", [] () -> CodeListWindow& { SetupCis26(fCis26(), "26"); return fCis26(); }},
      {"TfCis27", [] () -> CodeListWindow& { SetupCis27(fCis27(), "27"); return fCis27(); }},
      {"TfCis27P", [] () -> CodeListWindow& { SetupCis27P(fCis27P(), "80"); return fCis27P(); }},
      {"TfCis260", [] () -> CodeListWindow& { SetupCis260(fCis260(), "260"); return fCis260(); }},
      {"TfCis65", [] () -> CodeListWindow& { SetupCis65(fCis65()); return fCis65(); }},
      {"TfObce", [] () -> CodeListWindow& { SetupObce(fObce()); return fObce(); }, 4, true},
  };
  using Kind = common::RecordingNotifier::Kind;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    // F4 F2 over the template: true when the edit window came and went.
    const auto add = [&](CodeListWindow& w) {
      edit.steps.clear();
      if (r.nameField > 0) edit.Do([&r](browser::EditForm& f) { f.SetText(r.nameField, "Obec"); });
      edit.Keys("F2");
      w.NewRecord();
      const bool shown = edit.steps.empty();
      edit.steps.clear();
      return shown;
    };
    CodeListWindow& first = r.open();
    const std::string path = first.DataFilePath;
    const auto length = static_cast<std::size_t>(first.RecordLength);
    ASSERT_TRUE(add(first)) << notes.Dump();
    first.CloseBrowse();
    const std::string start = ostest::ReadRaw(path);
    ASSERT_GT(start.size(), 0u) << path << notes.Dump();
    ASSERT_EQ(start.size() % length, 0u);
    const std::size_t records = start.size() / length;
    notes.calls.clear();

    // The other workstation's step under way: the opening says nothing, F4 waits for the
    // step (its notice) and adds.
    {
      leftcopy::WriterAtWork writer(path);
      ASSERT_TRUE(writer.ok());
      ASSERT_TRUE(fs::exists(leftcopy::CopyOf(path)));
      CodeListWindow& w = r.open();
      if (HasFailure()) return;  // the opening's wait never ended (said): no 20 s more per row
      EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
      EXPECT_FALSE(w.ReadOnlyOpen());
      EXPECT_EQ(w.Count, static_cast<std::int32_t>(records));
      bool finished = false;
      if (r.guarded) {
        EXPECT_FALSE(add(w));
        EXPECT_EQ(notes.Count(Kind::BeepMessage), 1) << notes.Dump();
        finished = writer.Finish();
      }
      notes.onWait = [&](const std::string&, int) {
        if (!finished) finished = writer.Finish();
      };
      EXPECT_TRUE(add(w)) << notes.Dump();
      notes.onWait = nullptr;
      w.CloseBrowse();
      EXPECT_TRUE(finished) << notes.Dump();
      if (!r.guarded) EXPECT_GE(notes.Count(Kind::LockWait, common::Cz("Soubor ")), 1) << notes.Dump();
      EXPECT_TRUE(Messages().empty()) << notes.Dump();
      EXPECT_EQ(ostest::ReadRaw(path).size(), (records + 1) * length) << notes.Dump();
      EXPECT_FALSE(fs::exists(leftcopy::CopyOf(path)));
    }

    // A copy that cannot go back: said at the opening, and at every F4 after, nothing
    // written; once it can go back, F4 puts it back and adds.
    ostest::WriteRaw(path, start);
    leftcopy::LeaveUnfinishedCopy(path);
    const std::string half = ostest::ReadRaw(path);
    notes.calls.clear();
    {
      common::FaultFileSystem faults;
      faults.Fail(common::FsOp::Read, EIO, ".rollback");
      common::ScopedFileSystem scoped(faults);
      CodeListWindow& w = r.open();
      EXPECT_EQ(Messages().size(), 1u) << notes.Dump();
      for (int press = 1; press <= 2; ++press) {
        EXPECT_FALSE(add(w));
        EXPECT_EQ(Messages().size(), 1u + press) << notes.Dump();
        EXPECT_NE(Messages().back().find(common::Cz(" je jen pro čtení, dokud nelze vrátit nedokončený přepis z kopie ")),
                  std::string::npos)
            << notes.Dump();
      }
      EXPECT_EQ(ostest::ReadRaw(path), half);
    }
    CodeListWindow& w = first;  // the same window, still open
    EXPECT_TRUE(add(w)) << notes.Dump();
    w.CloseBrowse();
    EXPECT_TRUE(leftcopy::Said(notes, common::Cz("Soubor ") + w.DataFileName + common::Cz(" byl vrácen do stavu před nedokončeným přepisem")) ||
                leftcopy::Said(notes, common::Cz("Soubor ") + path + common::Cz(" byl vrácen do stavu před nedokončeným přepisem")))
        << notes.Dump();
    EXPECT_EQ(ostest::ReadRaw(path).size(), (records + 1) * length) << notes.Dump();
    EXPECT_FALSE(fs::exists(leftcopy::CopyOf(path)));
  }
}

}  // namespace
