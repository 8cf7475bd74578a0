#include "common/lockclient.h"
#include "common/locking.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/notifier.h"
#include "common/session.h"
#include "tests/tools/rawsocket.h"
#include "tools/lockserver/lockserver.h"

using namespace common;
using Kind = RecordingNotifier::Kind;

namespace {

const std::string kDir = "C:\\DATA\\";
const std::string kOrg = "ORG.DTA     ";

struct LockClientTest : ::testing::Test {
  RecordingNotifier notes;
  ScopedNotifier scopedNotes{notes};
  Session session;
  std::unique_ptr<lockserver::Server> server;
  LockServerClient client;

  void StartServer(lockserver::Options o = {}) {
    o.port = 0;
    server = std::make_unique<lockserver::Server>(std::move(o));
    server->Start();
  }
  void SetUp() override {
    StartServer();
    ReplyTimeout(2000);  // generous: a loaded machine must not time out by accident
    ASSERT_EQ(client.Connect("127.0.0.1", server->Port()), 0);
  }
  void ReplyTimeout(int ms) {
    auto t = client.timing();
    t.replyTimeoutMs = ms;
    client.SetTiming(t);
  }
  // A second workstation holding a lock through its own connection.
  std::string OtherHolds(const std::string& kind, const std::string& user, testing_support::RawSocket& s) {
    return s.Ask(FormatLockRequest({"Zamkni", kDir, kOrg, kind, user}));
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& r : server->Requests()) n += r.starts_with(prefix);
    return n;
  }
};

}  // namespace

TEST_F(LockClientTest, ExactRequestBytes) {
  EXPECT_TRUE(client.ServerLock(session, kDir, kOrg, "", "01  "));
  EXPECT_EQ(client.ServerIfVolny(kDir, kOrg, "01  "), "");
  EXPECT_TRUE(client.ServerUnlock(session, kDir, kOrg, "01  "));
  EXPECT_TRUE(client.ServerLock(session, kDir, kOrg, "Write", "01  "));  // any kind is a write lock
  EXPECT_TRUE(client.ServerLock(session, kDir, "JINY.DTA    ", "w", "01  "));
  auto r = server->Requests();
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(r[0], "Zamkni<C:\\DATA\\>ORG.DTA     #$01  ");
  EXPECT_EQ(r[1], "IfVolny<C:\\DATA\\>ORG.DTA     #p$01  ");
  EXPECT_EQ(r[2], "Odemkni<C:\\DATA\\>ORG.DTA     #p$01  ");
  EXPECT_EQ(r[3], "Zamkni<C:\\DATA\\>ORG.DTA     #W$01  ");
  EXPECT_EQ(r[4], "Zamkni<C:\\DATA\\>JINY.DTA    #W$01  ");
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(LockClientTest, IfVolnyReportsTheHolder) {
  testing_support::RawSocket other(server->Port());
  ASSERT_EQ(OtherHolds("W", "02  ", other), "OK");
  EXPECT_EQ(client.ServerIfVolny(kDir, kOrg, "01  "), "W 02");
  EXPECT_EQ(client.ServerIfVolny(kDir, kOrg, "02  "), "");  // own locks are passed over
}

TEST_F(LockClientTest, OnlyUpperCaseOkGrants) {
  testing_support::ScriptedServer scripted({"ok", "ok zamceno", "OK, zamceno"});
  LockServerClient c;
  ASSERT_EQ(c.Connect("127.0.0.1", scripted.Port()), 0);
  EXPECT_TRUE(c.ServerLock(session, kDir, kOrg, "", "01  "));
  EXPECT_EQ(c.LockReply(), "OK, zamceno");
  EXPECT_EQ(scripted.Lines().size(), 3u);
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(LockClientTest, SilentServerGivesErr50AndTheWaitCanBeLeft) {
  server->SetSilent(true);
  ReplyTimeout(20);
  EXPECT_EQ(client.ServerIfVolny(kDir, kOrg, "01  "), "ERR 50");
  auto t = client.timing();
  t.replyTimeoutMs = 2;
  t.noticeAfterMs = 1000000;
  client.SetTiming(t);
  std::size_t seenAtNotice = 0;
  notes.onWait = [&](const std::string&, int) {
    // The client waits here; give the server time to take what was sent (52 when right).
    for (int i = 0; i < 400 && server->Requests().size() < 52; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    seenAtNotice = server->Requests().size();
    notes.ignoreAnswer = true;
  };
  EXPECT_FALSE(client.ServerLock(session, kDir, kOrg, "W", "01  "));
  EXPECT_EQ(session.IgnoreLocks, 1);
  ASSERT_EQ(notes.Count(Kind::LockWait), 1);
  EXPECT_EQ(notes.Texts(Kind::LockWait)[0], Cz("Soubor je stále obsazený ERR 50"));
  EXPECT_EQ(notes.calls[0].ms, 2000);
  // The notice comes with the 51st refusal.
  EXPECT_EQ(seenAtNotice, 1u + 51u);
}

TEST_F(LockClientTest, SilentServerNoticeAlsoComesAfterAWhile) {
  server->SetSilent(true);
  auto t = client.timing();
  t.replyTimeoutMs = 5;
  t.noticeAfterMs = 30;
  client.SetTiming(t);
  notes.ignoreAnswer = true;
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.ServerUnlock(session, kDir, kOrg, "01  "));
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  EXPECT_LT(Count("Odemkni"), 51);
}

TEST_F(LockClientTest, RefusedUnlockCanBeLeft) {
  server->SetRefuse(true);
  auto t = client.timing();
  t.noticeEvery = 4;
  client.SetTiming(t);
  int waits = 0;
  notes.onWait = [&](const std::string&, int) { notes.ignoreAnswer = ++waits == 3; };
  EXPECT_FALSE(client.ServerUnlock(session, kDir, kOrg, "01  "));
  EXPECT_EQ(notes.Count(Kind::LockWait, Cz("Soubor je stále obsazený ERR refused")), 3);
  EXPECT_EQ(Count("Odemkni"), 12);
}

TEST_F(LockClientTest, LateGrantIsNotTakenForTheNextRequest) {
  testing_support::RawSocket other(server->Port());
  ASSERT_EQ(OtherHolds("W", "02  ", other), "OK");
  ReplyTimeout(40);
  server->SetDelay(60);  // longer than the client waits
  // The "OK" for the free file comes late ...
  EXPECT_EQ(client.ServerIfVolny(kDir, "VOLNY.DTA   ", "01  "), "ERR 50");
  EXPECT_EQ(client.Unanswered(), 1u);
  // ... and must not answer the lock request that follows.
  auto t = client.timing();
  t.noticeEvery = 1;
  client.SetTiming(t);
  notes.ignoreAnswer = true;
  EXPECT_FALSE(client.ServerLock(session, kDir, kOrg, "W", "01  "));
  server->SetDelay(0);
  ReplyTimeout(2000);
  EXPECT_EQ(server->LockCount(), 1u);  // only the other's
  EXPECT_EQ(client.ServerIfVolny(kDir, kOrg, "01  "), "W 02");
}

// A server answering one request late, then promptly again: the late reply is never taken
// for a later request's, every later request gets its own, and nothing the client gave up
// (or the server granted on a connection the client left) stays held.
TEST_F(LockClientTest, ALateReplyNeverAnswersALaterRequest) {
  const std::string kFree = "VOLNY.DTA   ", kOther = "JINY.DTA    ", kMine = "DRUHY.DTA   ";
  enum Late { kQuestion, kLeftLock, kRepeatedLock };
  const struct {
    const char* what;
    Late late;             // the request answered late
    bool releaseAtNotice;  // its reply comes at the wait notice (else while the next request waits)
    bool replyNever;       // it never comes: the connection is left for a new one
    bool holdMine;         // kMine locked before, held through it all
    int mineAfter;         // kMine's locks at the server before its unlock
    int mineAsked;         // its "Zamkni" requests the server saw
  } rows[] = {
      {"a question answered late", kQuestion, false, false, false, 0, 0},
      {"a question never answered", kQuestion, false, true, false, 0, 0},
      {"a lock held when its connection is left: taken again on the new one", kQuestion, false, true, true, 1, 2},
      {"a lock granted at the notice and left", kLeftLock, true, false, false, 0, 1},
      {"a lock granted late and left: its connection ends", kLeftLock, false, true, false, 0, 1},
      {"a repeated lock granted late: its grant, not asked twice", kRepeatedLock, true, false, false, 1, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    notes.calls.clear();
    notes.ignoreAnswer = false;
    notes.onWait = nullptr;
    StartServer();
    testing_support::RawSocket other(server->Port());
    ASSERT_EQ(OtherHolds("W", "02  ", other), "OK");
    LockServerClient c;
    auto timing = [&](int replyMs) {
      auto t = c.timing();
      t.replyTimeoutMs = replyMs;
      t.noticeEvery = 1;
      c.SetTiming(t);
    };
    timing(2000);  // prompt replies never time out, however loaded the machine
    ASSERT_EQ(c.Connect("127.0.0.1", server->Port()), 0);
    if (row.holdMine) ASSERT_TRUE(c.ServerLock(session, kDir, kMine, "W", "01  "));
    server->HoldNextReply();
    timing(30);  // the held reply cannot come in time
    // Waiting once more for a reply that never comes is the one wait of a row: kept short.
    const int after = row.replyNever ? 500 : 2000;
    int notices = 0;
    notes.onWait = [&](const std::string&, int) {
      ++notices;
      if (row.releaseAtNotice) server->ReleaseHeldReplies();
      timing(after);
      notes.ignoreAnswer = row.late == kLeftLock;
    };
    switch (row.late) {
      case kQuestion: EXPECT_EQ(c.ServerIfVolny(kDir, kFree, "01  "), "ERR 50"); break;
      case kLeftLock: EXPECT_FALSE(c.ServerLock(session, kDir, kMine, "W", "01  ")); break;
      case kRepeatedLock: EXPECT_TRUE(c.ServerLock(session, kDir, kMine, "W", "01  ")); break;
    }
    EXPECT_EQ(notices, row.late == kQuestion ? 0 : 1);
    // From here each request has its own reply at once: a wait would be a reply taken for another's.
    notes.onWait = [&](const std::string&, int) { notes.ignoreAnswer = true; };
    timing(after);
    if (!row.releaseAtNotice && !row.replyNever) server->ReleaseHeldReplies();
    // Every later request has its own reply.
    EXPECT_EQ(c.ServerIfVolny(kDir, kOrg, "01  "), "W 02");
    EXPECT_TRUE(c.ServerLock(session, kDir, kOther, "W", "01  "));
    EXPECT_EQ(other.Ask(FormatLockRequest({"IfVolny", kDir, kOther, "p", "02  "})), "W 01");
    EXPECT_EQ(c.ServerIfVolny(kDir, kFree, "01  "), "");
    EXPECT_EQ(c.ServerIfVolny(kDir, kMine, "01  "), "");  // own locks are passed over
    EXPECT_TRUE(c.ServerUnlock(session, kDir, kOther, "01  "));
    EXPECT_EQ(other.Ask(FormatLockRequest({"IfVolny", kDir, kOther, "p", "02  "})), "OK");
    EXPECT_EQ(other.Ask(FormatLockRequest({"IfVolny", kDir, kMine, "p", "02  "})), row.mineAfter ? "W 01" : "OK");
    EXPECT_EQ(server->LockCount(), 1u + row.mineAfter);
    EXPECT_EQ(Count("Zamkni<C:\\DATA\\>" + kMine), row.mineAsked);
    if (row.mineAfter) EXPECT_TRUE(c.ServerUnlock(session, kDir, kMine, "01  "));
    EXPECT_EQ(server->LockCount(), 1u);  // only the other's
    EXPECT_EQ(notes.Count(Kind::LockWait), notices) << notes.Dump();
    EXPECT_EQ(notes.Count(Kind::Message), 0) << notes.Dump();
    c.Disconnect();
  }
}

// The locks a client holds when its connection ends stay its own on the new connection:
// taken again, or said when another workstation took one meanwhile.
TEST_F(LockClientTest, HeldLocksAreTakenAgainOnANewConnection) {
  const std::string kMine = "DRUHY.DTA   ";
  const struct {
    const char* what;
    bool restart;      // the server goes down and up (else the client leaves a connection owing a reply)
    bool keepLocks;    // the server keeps a closed connection's locks
    bool otherTakes;   // another workstation takes the file before the client comes back
    std::string holderAfter;  // who holds kMine at the server then
    std::string messages;
  } rows[] = {
      {"a server gone down and up", true, false, false, "W 01", "Err 10054"},
      {"a server gone down and up, the file taken meanwhile", true, false, true, "W 02",
       Cz("Err 10054 Zámek souboru C:\\DATA\\DRUHY.DTA se po novém spojení se serverem zámků nepodařilo obnovit: W 02")},
      {"a connection left, its locks kept by the server", false, true, false, "W 01", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    notes.calls.clear();
    notes.onWait = [&](const std::string&, int) { notes.ignoreAnswer = true; };
    lockserver::Options o;
    o.keepLocks = row.keepLocks;
    StartServer(o);
    LockServerClient c;
    ReplyTimeout(500);
    c.SetTiming(client.timing());
    ASSERT_EQ(c.Connect("127.0.0.1", server->Port()), 0);
    ASSERT_TRUE(c.ServerLock(session, kDir, kMine, "W", "01  "));
    if (row.restart) {
      const std::uint16_t port = server->Port();
      server.reset();
      lockserver::Options again;
      again.port = port;
      server = std::make_unique<lockserver::Server>(again);
      server->Start();
    } else {
      server->HoldNextReply();
      EXPECT_EQ(c.ServerIfVolny(kDir, kOrg, "01  "), "ERR 50");
    }
    testing_support::RawSocket other(server->Port());
    if (row.otherTakes) ASSERT_EQ(other.Ask(FormatLockRequest({"Zamkni", kDir, kMine, "W", "02  "})), "OK");
    EXPECT_EQ(c.ServerIfVolny(kDir, kOrg, "01  "), "");
    EXPECT_EQ(other.Ask(FormatLockRequest({"IfVolny", kDir, kMine, "p", "03  "})), row.holderAfter);
    std::string messages;
    for (const std::string& m : notes.Texts(Kind::Message)) messages += (messages.empty() ? "" : " ") + m;
    EXPECT_EQ(messages, row.messages);
    EXPECT_TRUE(c.ServerUnlock(session, kDir, kMine, "01  "));
    EXPECT_EQ(server->LockCount(), row.otherTakes ? 1u : 0u);
    c.Disconnect();
  }
}

TEST_F(LockClientTest, KeepAliveAtMostOnce) {
  client.KeepAliveTimer();
  client.KeepAliveTimer();
  EXPECT_EQ(Count("Client<Vata>#$"), 1);
  LockServerClient other;
  ASSERT_EQ(other.Connect("127.0.0.1", server->Port()), 0);
  other.ServerIfVolny(kDir, kOrg, "02  ");
  other.KeepAliveTimer();  // a lock request came first
  EXPECT_EQ(Count("Client"), 1);
}

TEST_F(LockClientTest, UnreachableServer) {
  std::uint16_t port = server->Port();
  server.reset();  // nobody listens there now
  LockServerClient c;
  EXPECT_EQ(c.Connect("127.0.0.1", port), 99);
  ASSERT_EQ(notes.Count(Kind::Message), 2) << notes.Dump();
  EXPECT_EQ(notes.Texts(Kind::Message)[0], "Err 10061");
  EXPECT_EQ(notes.Texts(Kind::Message)[1], Cz("Server TAVONA není spuštěn, obraťte se na správce sítě."));
}

TEST_F(LockClientTest, LostServerIsReconnectedOnce) {
  std::uint16_t port = server->Port();
  server.reset();
  lockserver::Options o;
  o.port = port;
  server = std::make_unique<lockserver::Server>(o);
  server->Start();
  // The old connection is gone; the request reconnects and goes through.
  EXPECT_EQ(client.ServerIfVolny(kDir, kOrg, "01  "), "");
  EXPECT_EQ(server->Requests().size(), 1u);
}

TEST_F(LockClientTest, SessionConnectUsesTheServerName) {
  Session s;
  EXPECT_EQ(ConnectLockServer(s), 0);  // no server configured
  EXPECT_FALSE(CurrentLockClient().Connected());
  s.LockServerName = "127.0.0.1";
  LockServerClient c;
  ScopedLockClient scoped(c);
  // Port 5050 is the protocol's; only the name comes from the session.
  EXPECT_EQ(CurrentLockClient().Connect(s.LockServerName, server->Port()), 0);
  EXPECT_TRUE(c.Connected());
  DisconnectLockServer(s);
  EXPECT_FALSE(c.Connected());
}

// LockFile, UnlockFile and IfVolny of a session that names a lock server.
TEST_F(LockClientTest, LockFileGoesToTheServer) {
  ScopedLockClient scoped(client);
  session.LockServerName = "127.0.0.1";
  session.CurrentUser = "01";
  Session other;
  other.LockServerName = "127.0.0.1";
  other.CurrentUser = "02";
  EXPECT_EQ(LockFile(session, "c:\\data\\org.dta", "w"), LockResult::Held);
  EXPECT_EQ(LockFile(session, "C:\\DATA\\JINY.DTA", ""), LockResult::Held);
  EXPECT_EQ(IfVolny(other, "C:\\DATA\\ORG.DTA"), "W 01");
  EXPECT_EQ(IfVolny(session, "C:\\DATA\\ORG.DTA"), "");
  EXPECT_TRUE(UnlockFile(session, "C:\\DATA\\ORG.DTA"));
  EXPECT_EQ(LockFile(session, "ORG.DTA", "W"), LockResult::Skipped);  // no folder: never sent
  auto r = server->Requests();
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(r[0], "Zamkni<C:\\DATA\\>ORG.DTA     #W$01  ");  // the kind goes out as "W"
  EXPECT_EQ(r[1], "Zamkni<C:\\DATA\\>JINY.DTA    #$01  ");
  EXPECT_EQ(r[2], "IfVolny<C:\\DATA\\>ORG.DTA     #p$02  ");
  EXPECT_EQ(r[4], "Odemkni<C:\\DATA\\>ORG.DTA     #p$01  ");
  EXPECT_EQ(server->LockCount(), 1u);
}

TEST_F(LockClientTest, SilentServerInLockFile) {
  ScopedLockClient scoped(client);
  session.LockServerName = "127.0.0.1";
  session.CurrentUser = "01";
  server->SetSilent(true);
  ReplyTimeout(20);
  EXPECT_EQ(IfVolny(session, "C:\\DATA\\ORG.DTA"), "ERR 50");
  notes.ignoreAnswer = true;
  auto t = client.timing();
  t.replyTimeoutMs = 5;
  t.noticeAfterMs = 20;
  client.SetTiming(t);
  EXPECT_EQ(LockFile(session, "C:\\DATA\\ORG.DTA", "W"), LockResult::GivenUp);
  EXPECT_EQ(session.IgnoreLocks, 1);
  // Esc at the notice: the step the lock was for stops.
  notes.onWait = [](const std::string&, int) { common::CurrentSession().WaitStopped = 1; };
  EXPECT_EQ(LockFile(session, "C:\\DATA\\ORG.DTA", "W"), LockResult::Stopped);
  notes.onWait = nullptr;
  EXPECT_EQ(session.WaitStopped, 1);
  EXPECT_EQ(session.IgnoreLocks, 0);
}

// A server that misbehaves: each failure is said once a wait (no box per retry), the wait
// notice with its way out comes as with a server that refuses, a reply that came too late
// (a reply later than the client waits) is the server not answering, and only printable
// text of a reply is shown.
TEST_F(LockClientTest, AMisbehavingServerIsSaidOnceAWaitAndTheNoticeIsTheWayOut) {
  testing_support::DroppingServer dropping;
  testing_support::ScriptedServer bytes(std::vector<std::string>(60, std::string("\xff\x00\x9a\x1b\x81 busy\r\n", 12)));
  const struct {
    const char* what;
    std::function<std::uint16_t()> port;
    std::string notice;   // the wait notice's text
    std::string boxes;    // the socket messages of one wait, joined
  } cases[] = {
      {"drops each connection", [&] { return dropping.Port(); }, Cz("Soubor je stále obsazený ERR 50"), "Err 10054"},
      {"answers with bytes", [&] { return bytes.Port(); }, Cz("Soubor je stále obsazený \xcb\x99\xc5\xa1 busy"), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LockServerClient one;
    auto t = one.timing();
    t.replyTimeoutMs = 30;
    t.noticeEvery = 5;
    t.noticeAfterMs = 1000000;
    one.SetTiming(t);
    ASSERT_EQ(one.Connect("127.0.0.1", c.port()), 0);
    for (int wait = 1; wait <= 2; ++wait) {
      notes.calls.clear();
      int notices = 0;
      notes.ignoreAnswer = false;
      notes.onWait = [&](const std::string&, int) { notes.ignoreAnswer = ++notices == 3; };
      EXPECT_FALSE(one.ServerLock(session, kDir, kOrg, "W", "01  "));
      EXPECT_EQ(notes.Count(Kind::LockWait, c.notice), 3) << notes.Dump();
      std::string boxes;
      for (const std::string& m : notes.Texts(Kind::Message)) boxes += (boxes.empty() ? "" : " ") + m;
      EXPECT_EQ(boxes, c.boxes) << wait;
    }
  }
  EXPECT_GE(dropping.Dropped(), 2 * 3 * 5);
  // A question that got no reply in time names the server, not anybody at work.
  server->SetDelay(150);
  ReplyTimeout(20);
  const std::string holder = client.ServerIfVolny(kDir, kOrg, "01  ");
  EXPECT_TRUE(NoServerReply(holder)) << holder;
  EXPECT_EQ(HeldByText(Cz("používá"), holder, kDir + "ORG.DTA"), Cz("nelze prověřit, server zámků neodpovídá (ERR 50)"));
  server->SetDelay(0);
}
