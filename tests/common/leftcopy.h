// A rollback copy left beside a file by a step that did not finish, and the three runs
// every step that replaces such a file whole goes through: over the file as it was, with
// a copy it puts back first, and with a copy it cannot put back.
#pragma once
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/inplace.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/session.h"
#include "common/winpath.h"
#include "tests/common/os_tempdir.h"

namespace leftcopy {

// A workstation killed in a rewrite of the whole file: its copy is on disk, `half`
// took the place of the first bytes (empty: the file was cut to nothing), and nothing
// after reached the disk, the copy's own take-back included.
inline void LeaveUnfinishedCopy(const std::string& path, const std::string& half = "HALF") {
  common::FaultFileSystem dead;
  common::ScopedFileSystem scoped(dead);
  common::File f;
  ASSERT_EQ(f.Open(path, common::kModeReadWrite), 0) << path;
  common::InPlaceRewrite step;
  ASSERT_EQ(step.Begin(f, 0, std::numeric_limits<std::uint64_t>::max()), 0) << path;
  ASSERT_EQ(half.empty() ? f.Truncate(0) : f.WriteAt(0, half.data(), half.size()), 0) << path;
  dead.DieAt(common::FsOp::Write, {std::string(common::NamePart(path))}, 0);
}

// Another workstation half way through a step on a file (a sort, an insert): a forked
// process that holds the file's in-use entry and its write turn, its copy beside the file,
// until Finish tells it to end the step (the copy erased) or this goes.
class WriterAtWork {
 public:
  explicit WriterAtWork(const std::string& path) {
    int go[2], ready[2];
    if (pipe(go) != 0) return;
    if (pipe(ready) != 0) {
      close(go[0]);
      close(go[1]);
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(go[1]);
      close(ready[0]);
      common::CurrentSession().CurrentUser = "02";
      common::File f;
      common::FileTurn turn;
      common::InPlaceRewrite step;
      char c = common::LockFile(path, "") == common::LockResult::Held && f.Open(path, common::kModeReadWrite) == 0 &&
               turn.Take(f) == 0 && step.Begin(f, 0, std::numeric_limits<std::uint64_t>::max()) == 0;
      (void)!write(ready[1], &c, 1);
      (void)!read(go[0], &c, 1);  // the word to end, or the test gone
      const int rc = step.Active() && step.Finish() == 0 ? 0 : 1;
      turn.Release();
      f.Close();
      common::UnlockFile(path);
      _exit(rc);
    }
    close(go[0]);
    close(ready[1]);
    go_ = go[1];
    char c = 0;
    ok_ = pid_ > 0 && read(ready[0], &c, 1) == 1 && c == 1;
    close(ready[0]);
  }
  WriterAtWork(const WriterAtWork&) = delete;
  WriterAtWork& operator=(const WriterAtWork&) = delete;
  ~WriterAtWork() { (void)Finish(); }

  bool ok() const { return ok_; }
  // Ends the step; true when it went through.
  bool Finish() {
    if (go_ >= 0) close(go_);
    go_ = -1;
    if (pid_ <= 0) return false;
    int status = 0;
    const bool done = waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    pid_ = -1;
    return done;
  }

 private:
  pid_t pid_ = -1;
  int go_ = -1;
  bool ok_ = false;
};

inline std::string CopyOf(const std::string& path) {
  const std::filesystem::path p(path);
  return (p.parent_path() / (".~" + p.filename().string() + ".rollback")).string();
}

struct Step {
  std::string name;
  std::string file;                   // real path of the file a step left its copy beside
  std::string before;                 // its bytes before that step
  std::function<void()> arrange;      // the other files of the step, afresh
  std::function<bool()> run;          // the step: false when it was refused
  std::vector<std::string> outcome;   // real paths of what the step writes (the file too)
  std::string tail;                   // what the refusal says after the copy (Windows-1250)
  std::string half = "HALF";          // what the killed step wrote first ("": it cut the file)
  std::string shown = {};             // the file as the messages name it (empty: `file`)
  std::string held = {};              // what the step says of a file another open holds, when it
                                      // looks for that first (empty: it meets the copy first)
  bool readsOnly = false;             // the step only reads the file (carries it elsewhere)
  std::string copyShown = {};         // its copy as the messages name it (empty: beside `shown`)
  bool waitsForWriter = false;        // an opening's check: it waits for a writer at work (the user
                                      // may leave the wait), and puts back what a writer gone left
  bool readsUnwritable = false;       // it carries the file whole when the file is merely not writable
  bool countsAfterWait = false;       // it reads the file's count after its wait (nothing shown before)
};

inline std::map<std::string, std::string> Bytes(const std::vector<std::string>& paths) {
  std::map<std::string, std::string> m;
  for (const std::string& p : paths) m[p] = std::filesystem::exists(p) ? ostest::ReadRaw(p) : "(none)";
  return m;
}

inline bool Said(const common::RecordingNotifier& notes, const std::string& text) {
  for (const auto& c : notes.calls)
    if (c.text == text) return true;
  return false;
}

// A message naming the file and its copy, ending with `tail`.
// A message naming the file and its copy (either separator in their folders), ending with `tail`.
inline bool SaidNaming(const common::RecordingNotifier& notes, const std::string& file, const std::string& copy,
                       const std::string& tail) {
  const auto slashes = [](std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
  };
  for (const auto& c : notes.calls) {
    const std::string text = slashes(c.text);
    if (text.starts_with(common::Cz("Soubor ") + slashes(file) + " ") && text.find(slashes(copy)) != std::string::npos &&
        text.ends_with(slashes(tail)))
      return true;
  }
  return false;
}

// `fresh` empties the folders between the runs.
inline void Check(const Step& s, common::RecordingNotifier& notes, const std::function<void()>& fresh) {
  SCOPED_TRACE(s.name);
  using common::Cz;
  const std::string copy = CopyOf(s.file), shown = s.shown.empty() ? s.file : s.shown;
  const std::string copyShown = s.copyShown.empty() ? CopyOf(shown) : s.copyShown;
  const auto start = [&](bool leaveCopy) {
    fresh();
    s.arrange();
    ostest::WriteRaw(s.file, s.before);
    if (leaveCopy) LeaveUnfinishedCopy(s.file, s.half);
    notes.calls.clear();
  };
  start(false);
  ASSERT_TRUE(s.run()) << notes.Dump();
  const auto expected = Bytes(s.outcome);

  // The copy goes back first, as an opening would say it; the step then does what it did.
  start(true);
  ASSERT_NE(ostest::ReadRaw(s.file), s.before);
  EXPECT_TRUE(s.run()) << notes.Dump();
  EXPECT_EQ(Bytes(s.outcome), expected);
  EXPECT_FALSE(std::filesystem::exists(copy));
  EXPECT_TRUE(Said(notes, Cz("Soubor ") + shown + Cz(" byl vrácen do stavu před nedokončeným přepisem"))) << notes.Dump();

  // A copy that cannot be read cannot go back: the step is refused and writes nothing.
  start(true);
  const auto left = Bytes(s.outcome);
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Read, EIO, ".rollback");
    common::ScopedFileSystem scoped(fs);
    EXPECT_FALSE(s.run()) << notes.Dump();
  }
  EXPECT_EQ(Bytes(s.outcome), left);
  EXPECT_TRUE(std::filesystem::exists(copy));
  EXPECT_TRUE(SaidNaming(notes, shown, Cz("má nedokončený přepis, který nelze vrátit (kopie ") + copyShown + ")" + s.tail, ""))
      << notes.Dump();

  // A file the user may read but not write, no copy beside it: carried whole, as it is.
  if (s.readsUnwritable) {
    SCOPED_TRACE("file not writable, no copy");
    start(false);
    {
      common::FaultFileSystem fs;
      fs.Fail(common::FsOp::OpenWrite, EACCES, s.shown.empty() ? s.file : std::filesystem::path(s.file).filename().string());
      common::ScopedFileSystem scoped(fs);
      EXPECT_TRUE(s.run()) << notes.Dump();
    }
    EXPECT_EQ(Bytes(s.outcome), expected) << notes.Dump();
    EXPECT_EQ(ostest::ReadRaw(s.file), s.before);
  }

  // A step that reads the file and waits for a writer at work: the writer, which had cut the
  // file, ends its step while waited for (the file whole again, its copy gone). The step
  // carries the file as the writer left it, counted after the wait.
  if (s.countsAfterWait) {
    SCOPED_TRACE("writer ends while waited for");
    start(false);
    LeaveUnfinishedCopy(s.file, "");
    if (common::LockFile(s.file, "") == common::LockResult::Held) common::UnlockFile(s.file);
    bool ran = false;
    {
      common::File f;
      common::FileTurn writer;
      ASSERT_EQ(f.Open(s.file, common::kModeDenyNone), 0);
      ASSERT_EQ(writer.Take(f), 0);
      notes.onWait = [&](const std::string&, int) {
        if (!writer.Held()) return;
        ASSERT_EQ(f.WriteAt(0, s.before.data(), s.before.size()), 0);
        std::filesystem::remove(copy);
        writer.Release();
        f.Close();
      };
      ran = s.run();
      notes.onWait = nullptr;
    }
    EXPECT_GE(notes.Count(common::RecordingNotifier::Kind::LockWait,
                          Cz("Soubor ") + shown + Cz(" zapisuje jiný uživatel, čekám na uvolnění")),
              1)
        << notes.Dump();
    EXPECT_TRUE(ran) << notes.Dump();
    EXPECT_EQ(Bytes(s.outcome), expected) << notes.Dump();
  }

  // Nor when its writer is still at work or the file cannot be written, nor, for a step
  // that only reads the file, when its folder cannot be written (a read-only share):
  // refused at once, naming the file and the copy, and nothing written.
  const std::string part = s.shown.empty() ? s.file : std::filesystem::path(s.file).filename().string();
  const std::string folder = std::filesystem::path(s.file).parent_path().string() + "/";
  std::vector<std::pair<std::string, std::function<void(common::FaultFileSystem&)>>> cannot = {
      {"writer at work", nullptr},
      {"file not writable", [&](common::FaultFileSystem& fs) { fs.Fail(common::FsOp::OpenWrite, EACCES, part); }},
  };
  if (s.readsOnly)
    cannot.push_back({"folder not writable", [&](common::FaultFileSystem& fs) {
                        fs.Fail(common::FsOp::OpenWrite, EACCES, part);
                        for (const auto op : {common::FsOp::Unlink, common::FsOp::Rename, common::FsOp::MakeDir})
                          fs.Fail(op, EACCES, folder);
                      }});
  for (const auto& [why, fault] : cannot) {
    SCOPED_TRACE(why);
    const bool waits = !fault && s.waitsForWriter;
    // A step that waits for the writer: left by the user (Esc) at its notice, and the writer
    // killed while waited for.
    for (const bool writerKilled : waits ? std::vector<bool>{false, true} : std::vector<bool>{false}) {
      SCOPED_TRACE(writerKilled ? "writer killed while waited for" : waits ? "wait left" : "refused at once");
      start(true);
      // The share's lock table is there already.
      if (common::LockFile(s.file, "") == common::LockResult::Held) common::UnlockFile(s.file);
      const auto before = Bytes(s.outcome);
      bool ran = false;
      {
        common::File f;
        common::FileTurn writer;
        if (!fault) {
          ASSERT_EQ(f.Open(s.file, common::kModeDenyNone), 0);
          ASSERT_EQ(writer.Take(f), 0);
        }
        if (waits)
          notes.onWait = [&](const std::string&, int) {
            if (writerKilled) {  // its turn and its open go with it
              writer.Release();
              f.Close();
            } else {
              notes.ignoreAnswer = true;  // Esc
              common::CurrentSession().WaitStopped = 1;
            }
          };
        common::FaultFileSystem fs;
        if (fault) fault(fs);
        common::ScopedFileSystem scoped(fs);
        ran = s.run();
        notes.onWait = nullptr;
        notes.ignoreAnswer = false;
      }
      if (waits)
        EXPECT_GE(notes.Count(common::RecordingNotifier::Kind::LockWait,
                              Cz("Soubor ") + shown + Cz(" zapisuje jiný uživatel, čekám na uvolnění")),
                  1)
            << notes.Dump();
      if (writerKilled) {
        EXPECT_TRUE(ran) << notes.Dump();
        EXPECT_EQ(Bytes(s.outcome), expected);
        EXPECT_FALSE(std::filesystem::exists(copy));
        EXPECT_TRUE(Said(notes, Cz("Soubor ") + shown + Cz(" byl vrácen do stavu před nedokončeným přepisem"))) << notes.Dump();
        continue;
      }
      EXPECT_FALSE(ran) << notes.Dump();
      EXPECT_EQ(Bytes(s.outcome), before);
      EXPECT_TRUE(std::filesystem::exists(copy));
      EXPECT_TRUE(SaidNaming(notes, shown, copyShown, s.tail) || (!fault && !s.held.empty() && Said(notes, s.held)))
          << notes.Dump();
      // Said once: no bare error code of the refusal after it.
      for (const auto& c : notes.calls) EXPECT_EQ(c.text.find(std::to_string(common::io::kUnfinishedRewrite)), std::string::npos) << c.text;
    }
  }
}

}  // namespace leftcopy
