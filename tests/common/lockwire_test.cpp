#include "common/lockwire.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "common/fottab.h"

using namespace common;

TEST(LockWire, RequestBytes) {
  EXPECT_EQ(FormatLockRequest({"Zamkni", "C:\\DATA\\", "ORG.DTA     ", "", "01  "}),
            "Zamkni<C:\\DATA\\>ORG.DTA     #$01  ");
  EXPECT_EQ(FormatLockRequest({"Zamkni", "C:\\DATA\\", "ORG.DTA     ", "W", "01  "}),
            "Zamkni<C:\\DATA\\>ORG.DTA     #W$01  ");
  EXPECT_EQ(FormatLockRequest({"Odemkni", "C:\\DATA\\", "ORG.DTA     ", "p", "01  "}),
            "Odemkni<C:\\DATA\\>ORG.DTA     #p$01  ");
  EXPECT_EQ(FormatLockRequest({"Client", "Vata", "", "", ""}), "Client<Vata>#$");
}

TEST(LockWire, ReplyAndKind) {
  EXPECT_TRUE(LockReplyGrants("OK"));
  EXPECT_TRUE(LockReplyGrants("OK zamceno"));
  EXPECT_FALSE(LockReplyGrants("ok"));
  EXPECT_FALSE(LockReplyGrants("O"));
  EXPECT_FALSE(LockReplyGrants("ERR 50"));
  EXPECT_EQ(NormalLockKind(""), "");
  EXPECT_EQ(NormalLockKind("w"), "W");
  EXPECT_EQ(NormalLockKind("Write"), "W");
}

TEST(LockWire, ParseRoundTripAndStream) {
  LockRequest lock{"Zamkni", "C:\\DATA\\", "A#B$C<D>.DTA", "W", "01  "};
  LockRequest client{"Client", "Vata", "", "", ""};
  std::string stream = FormatLockRequest(lock) + FormatLockRequest(client);
  auto p = ParseLockRequest(stream);
  ASSERT_EQ(p.status, LockRequestParse::kComplete);
  EXPECT_EQ(p.request, lock);
  auto q = ParseLockRequest(std::string_view(stream).substr(p.consumed));
  ASSERT_EQ(q.status, LockRequestParse::kComplete);
  EXPECT_EQ(q.request, client);
  EXPECT_EQ(p.consumed + q.consumed, stream.size());
  // Every proper prefix of a request is incomplete, never malformed.
  std::string one = FormatLockRequest(lock);
  for (std::size_t n = 0; n < one.size(); ++n)
    EXPECT_EQ(ParseLockRequest(std::string_view(one).substr(0, n)).status, LockRequestParse::kIncomplete) << n;
}

TEST(LockWire, ParseRejectsGarbage) {
  EXPECT_EQ(ParseLockRequest("12<x>").status, LockRequestParse::kMalformed);
  EXPECT_EQ(ParseLockRequest("AVeryLongCommandName<x>").status, LockRequestParse::kMalformed);
  EXPECT_EQ(ParseLockRequest("Zamkni<C:\\>ORG.DTA     X$01  ").status, LockRequestParse::kMalformed);
  EXPECT_EQ(ParseLockRequest("Zamkni<" + std::string(300, 'x')).status, LockRequestParse::kMalformed);
  EXPECT_EQ(ParseLockRequest("Zamkni<C:\\>ORG.DTA     #" + std::string(40, 'W')).status, LockRequestParse::kMalformed);
}

namespace {
std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int x : b) s += static_cast<char>(x);
  return s;
}
}  // namespace

TEST(LockTableCodec, EntryBytes) {
  FotTable t;
  std::string fresh = t.Encode();
  ASSERT_EQ(fresh.size(), 1980u);
  std::string freeEntry = Bytes({0x0C, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 0x04, 32, 32, 32, 32, 0x01, 32});
  for (int i = 0; i < 99; ++i) EXPECT_EQ(fresh.substr(i * 20, 20), freeEntry) << i;
  t.at(1).Set("ORG.DTA     ", "01  ", 'R');
  EXPECT_EQ(t.Encode().substr(0, 20), Bytes({0x0C, 0x4F, 0x52, 0x47, 0x2E, 0x44, 0x54, 0x41, 0x20, 0x20, 0x20, 0x20,
                                             0x20, 0x04, 0x30, 0x31, 0x20, 0x20, 0x01, 0x52}));
  EXPECT_THROW(t.at(0), RangeError);
  EXPECT_THROW(t.at(100), RangeError);
}

TEST(LockTableCodec, OldShortTableAndForeignBytes) {
  FotTable old;
  old.at(23).Set("LAST.DTA    ", "05  ", 'W');
  std::string bytes = old.Encode().substr(0, FotTable::kOldSize);
  bytes[20 * 5 + 19] = 'X';  // an entry this program never writes stays as it was
  bytes[20 * 5 + 1] = 'Q';
  FotTable t = FotTable::Decode(bytes);
  EXPECT_EQ(t.FindConflict("LAST.DTA    ", false), 23);
  std::string out = t.Encode();
  ASSERT_EQ(out.size(), 1980u);
  EXPECT_EQ(out.substr(0, 460), bytes);
  EXPECT_EQ(out.substr(460), FotTable().Encode().substr(460));
}

TEST(LockTableCodec, ConflictRules) {
  FotTable t;
  t.at(1).Set("ORG.DTA     ", "01  ", 'R');
  t.at(2).Set("ORG.DTA     ", "02  ", 'R');
  t.at(4).Set("JINY.DTA    ", "03  ", 'W');
  EXPECT_EQ(t.FindConflict("ORG.DTA     ", false), 0);  // readers share
  EXPECT_EQ(t.FindConflict("ORG.DTA     ", true), 1);
  EXPECT_EQ(t.FindConflict("JINY.DTA    ", false), 4);
  EXPECT_EQ(t.FindFree(), 3);
  EXPECT_EQ(t.FindOwn("ORG.DTA     ", "02  "), 2);
  EXPECT_EQ(t.FindOwn("ORG.DTA     ", "03  "), 0);
  EXPECT_EQ(t.FindOtherHolder("ORG.DTA     ", "01"), 2);
  EXPECT_EQ(t.FindOtherHolder("JINY.DTA    ", "03"), 0);
  // A free entry never matches, whatever a request's key.
  EXPECT_EQ(t.FindConflict("            ", true), 0);
}
