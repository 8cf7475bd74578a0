// The register lookups through the real HTTP client against a loopback server that
// answers as the public services do.
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "browser/cekej.h"
#include "browser/dotaz.h"
#include "common/encoding.h"
#include "common/jobfile.h"
#include "common/session.h"
#include "partners/lookups.h"
#include "tests/browser/scratchkit.h"
#include "tests/common/processes.h"
#include "tests/partners/loopback.h"

namespace {

class Lookups : public browsertest::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    common::CurrentSession().CurrentUser = "01";
    std::filesystem::create_directories(dir / "ARES");
    partners::LookupConfig() = {};
    partners::LookupConfig().registerBase = server.Base();
    partners::LookupConfig().vatBase = server.Base();
    partners::LookupConfig().workFolder = dir / "ARES/";
    // The wait window closes after its time; the client meanwhile runs for real.
    backend.OnModal("fCekej", [this](ui::Form&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      backend.Advance(1000);
    });
  }
  void TearDown() override { partners::LookupConfig() = {}; }
  // A client that only counts its runs (or sleeps), writing no reply.
  void FakeClient(const std::string& body) {
    const std::string path = dir / "client.sh";
    ostest::WriteRaw(path, "#!/bin/sh\necho run >> " + dir / "runs" + "\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    partners::LookupConfig().client = path;
  }
  int Runs() const {
    const std::string runs = ostest::ReadRaw(dir / "runs");
    return static_cast<int>(std::count(runs.begin(), runs.end(), '\n'));
  }
  std::vector<std::string> Messages() const { return notes.Texts(common::RecordingNotifier::Kind::Message); }

  partnerstest::LoopbackServer server;
};

TEST_F(Lookups, TheRegisterFillsTheCardFromItsJson) {
  // Pretty-printed over several lines, a comma in the name, letters as they are and
  // as escapes, and the DIČ in lower case as the last key of its object.
  server.Reply(R"({
  "ico": "27074358",
  "obchodniJmeno": "Ďáblice Ňuk Ťuk, s.r.o. \"A\"",
  "sidlo": {"nazevStatu": "Česká republika", "nazevObce": "Praha", "nazevUlice": "Na Poříčí",
            "cisloDomovni": 1079, "psc": 11000},
  "financniUrad": "451",
  "dalsi": {"dic": "cz27074358"}
})");
  const auto d = partners::AresLookup(" 27074358 ");
  ASSERT_TRUE(d.has_value()) << (Messages().empty() ? "" : Messages()[0]);
  EXPECT_EQ(d->name, common::Cz("Ďáblice Ňuk Ťuk, s.r.o. \"A\""));
  EXPECT_EQ(static_cast<unsigned char>(d->name[0]), 0xCF);
  EXPECT_EQ(d->street, common::Cz("Na Poříčí 1079"));
  EXPECT_EQ(d->postalCode, "11000");
  EXPECT_EQ(d->dic, "CZ27074358");
  EXPECT_EQ(d->town, "Praha");
  EXPECT_EQ(d->state, common::Cz("Česká republika"));
  EXPECT_EQ(d->taxOffice, "451");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].substr(0, server.Requests()[0].find("\r\n")),
            "GET /ekonomicke-subjekty-v-be/rest/ekonomicke-subjekty/27074358 HTTP/1.1");

  // The \u escapes decode as well.
  server.Reply(R"({"obchodniJmeno": "\u010eas \u0147 \u0164"})");
  EXPECT_EQ(partners::AresLookup("1")->name, common::Cz("Ďas Ň Ť"));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Lookups, AMissingWorkFolderIsMade) {
  std::filesystem::remove_all(dir / "ARES");
  partners::LookupConfig().workFolder = dir / "ARES/sub";
  server.Reply(R"({"obchodniJmeno": "Dub"})");
  ASSERT_TRUE(partners::AresLookup("27074358").has_value());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "ARES/sub"));
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(notes.Texts(common::RecordingNotifier::Kind::BeepMessage).empty());
}

TEST_F(Lookups, FailuresLeaveTheCardAsTyped) {
  struct Case { const char* what; const char* reply; const char* message; };
  const Case cases[] = {
      {"the register's error", R"({"kod": "NENALEZENO", "subKod": "VYSTUP_SUBJEKT_NENALEZEN"})", "\"VYSTUP_SUBJEKT_NENALEZEN\""},
      {"an error page", "<html>502 Bad Gateway</html>", "Chyba spojení"},
      {"a cut reply", R"({"obchodniJmeno": "Fir)", "Chyba spojení"},
  };
  for (const auto& c : cases) {
    notes.calls.clear();
    server.Reply(c.reply);
    EXPECT_FALSE(partners::AresLookup("27074358").has_value()) << c.what;
    ASSERT_EQ(Messages().size(), 1u) << c.what;
    EXPECT_EQ(Messages()[0], common::Cz(c.message)) << c.what;
  }
  // An IČO that is not digits runs no client at all.
  const auto before = server.Requests().size();
  for (const char* typed : {"123 45x", "1 -o /tmp/x", "", "   "}) EXPECT_FALSE(partners::AresLookup(typed).has_value());
  EXPECT_EQ(server.Requests().size(), before);
}

TEST_F(Lookups, NoReplyAfterThreeRunsOfTheClient) {
  FakeClient("exit 7");
  EXPECT_FALSE(partners::AresLookup("27074358").has_value());
  EXPECT_EQ(Runs(), 3);
  EXPECT_EQ(Messages(), std::vector<std::string>{common::Cz("Chyba spojení")});
}

TEST_F(Lookups, EscAndTheLookupsTimeEndTheClientAndLeaveTheLockTable) {
  server.Reply(R"({"obchodniJmeno": "Dub"})");
  ASSERT_TRUE(partners::AresLookup("27074358").has_value());
  const std::string table = ostest::ReadRaw(dir / "ARES/FOT.tab");
  ASSERT_FALSE(table.empty());
  FakeClient("sleep 30; echo late > ARES_RES.UTF");
  partners::LookupConfig().waitMs = 400;
  struct Case { const char* what; bool esc; };
  for (const Case c : {Case{"Esc", true}, Case{"the lookup's time", false}}) {
    std::filesystem::remove(dir / "runs");
    backend.OnModal("fCekej", [this, c](ui::Form& f) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      int key = ui::vk::Esc;
      if (c.esc) static_cast<browser::TfCekej&>(f).FormKeyDown(key, {});
      else backend.Advance(1000);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(partners::AresLookup("27074358").has_value()) << c.what;
    EXPECT_FALSE(partners::VatPayerStatusQuery("27074358").has_value()) << c.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.what;
    // One run each: the time is for all runs together.
    EXPECT_EQ(Runs(), 2) << c.what;
    EXPECT_EQ(partners::LookupEndedByUser(), c.esc) << c.what;
    EXPECT_EQ(ostest::ReadRaw(dir / "ARES/FOT.tab"), table) << c.what;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "ARES/ARES_RES.UTF"));
}

// Another workstation's lookup holds the reply file: Esc at the wait runs no client and
// leaves its reply as it is, said; ignoring the protection asks.
TEST_F(Lookups, EscAtTheWaitForTheReplyAsksNothing) {
  FakeClient("exit 7");
  struct Case {
    const char* reply;
    std::function<bool()> ask;
  };
  const Case cases[] = {{"ARES_RES.UTF", [] { return partners::AresLookup("27074358").has_value(); }},
                        {"RPDPH.RES", [] { return partners::VatPayerStatusQuery("27074358").has_value(); }}};
  for (const Case& c : cases) {
    for (const bool esc : {true, false}) {
      SCOPED_TRACE(std::string(c.reply) + (esc ? ": Esc" : ": ignore protection"));
      std::filesystem::remove(dir / "runs");
      notes.calls.clear();
      ostest::WriteRaw(dir / ("ARES/" + std::string(c.reply)), "another's reply");
      ostest::LockHeldByOther other(dir / ("ARES/" + std::string(c.reply)));
      ASSERT_TRUE(other.held());
      (esc ? notes.stopAnswer : notes.ignoreAnswer) = true;
      EXPECT_FALSE(c.ask());
      notes.stopAnswer = notes.ignoreAnswer = false;
      EXPECT_EQ(other.Release(), 0);
      if (esc) {
        EXPECT_EQ(Runs(), 0);
        EXPECT_EQ(Messages(), std::vector<std::string>{common::Cz("Čekání na uvolnění ") + c.reply +
                                                       common::Cz(" bylo přerušeno, nic se neprovedlo")});
        EXPECT_EQ(ostest::ReadRaw(dir / ("ARES/" + std::string(c.reply))), "another's reply");
      } else {
        EXPECT_EQ(Runs(), 3);
        EXPECT_EQ(Messages(), std::vector<std::string>{common::Cz("Chyba spojení")});
      }
    }
  }
}

TEST_F(Lookups, HostileRepliesGiveAMessageAndNothingElse) {
  const std::string deepJson = std::string(50000, '[') + std::string(50000, ']');
  std::string deepXml;
  for (int i = 0; i < 50000; ++i) deepXml += "<a>";
  for (int i = 0; i < 50000; ++i) deepXml += "</a>";
  // A reliable payer's first account with these attributes, in a reply declaring entities.
  const auto account = [](const std::string& attributes) {
    return "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY lol \"lol\"><!ENTITY lol9 \"&lol;&lol;\">]><Envelope>"
           "<statusPlatceDPH nespolehlivyPlatce=\"NE\"><standardniUcet " + attributes + "/></statusPlatceDPH></Envelope>";
  };
  const char* connection = "Chyba spojení";
  const char* vatFailed = "Dotaz na plátce DPH se nezdařil";
  struct Case { const char* what; bool vat; std::string reply; bool endless; const char* message; };
  const Case cases[] = {
      {"JSON 50,000 deep", false, deepJson, false, connection},
      {"XML 50,000 deep", true, deepXml, false, connection},
      {"an endless reply", false, R"({"obchodniJmeno": ")", true, connection},
      {"an entity for the number", true, account(R"(cislo="&lol9;" kodBanky="0800")"), false, vatFailed},
      {"a long prefix", true, account(R"(predcisli="1234567" cislo="1" kodBanky="0800")"), false, vatFailed},
      {"a short bank code", true, account(R"(cislo="1" kodBanky="800")"), false, vatFailed},
      {"a fault", true, "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\"><soapenv:Body>"
       "<soapenv:Fault><faultstring>chyba</faultstring></soapenv:Fault></soapenv:Body></soapenv:Envelope>", false, vatFailed},
      {"not XML", true, "<html>502 Bad Gateway", false, vatFailed},
  };
  for (const auto& c : cases) {
    notes.calls.clear();
    if (c.endless) server.ReplyUnsized(c.reply, std::string(4096, 'x'), 0, "");
    else server.Reply(c.reply);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(c.vat ? partners::VatPayerStatusQuery("27074358").has_value()
                       : partners::AresLookup("27074358").has_value()) << c.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.what;
    EXPECT_EQ(Messages(), std::vector<std::string>{common::Cz(c.message)}) << c.what;
  }
  // The same account with digits of their lengths is taken.
  server.Reply(account(R"(predcisli="123456" cislo="1234567890" kodBanky="0800")"));
  const auto s = partners::VatPayerStatusQuery("27074358");
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(s->account, "123456-1234567890");
}

TEST_F(Lookups, TheVatRegisterGivesTheAccountAndTheStatus) {
  server.Reply(
      "<?xml version=\"1.0\"?>\n<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\">\n"
      "<soapenv:Body><ns:StatusNespolehlivyPlatceResponse xmlns:ns=\"http://adis.mfcr.cz/rozhraniCRPDPH/\">\n"
      "<ns:status statusCode=\"0\"/><ns:statusPlatceDPH dic=\"27074358\" nespolehlivyPlatce=\"ANO\" cisloFu=\"451\">\n"
      "<ns:zverejneneUcty><ns:ucet><ns:standardniUcet predcisli=\"19\" cislo=\"123457\" kodBanky=\"0800\"/></ns:ucet>\n"
      "<ns:ucet><ns:standardniUcet cislo=\"999\" kodBanky=\"0100\"/></ns:ucet></ns:zverejneneUcty>\n"
      "</ns:statusPlatceDPH></ns:StatusNespolehlivyPlatceResponse></soapenv:Body></soapenv:Envelope>\n");
  const auto s = partners::VatPayerStatusQuery("27074358");
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(s->status, "ANO");
  EXPECT_EQ(s->bankCode, "0800");
  EXPECT_EQ(s->account, "19-123457");
  EXPECT_EQ(partners::NoteAfterStatus(*s, "cokoli"), common::Cz(partners::kUnreliableMark));
  const std::string request = server.Requests().at(0);
  EXPECT_NE(request.find("POST /adistc/axis2/services/rozhraniCRPDPH.rozhraniCRPDPHSOAP?SOAP HTTP/1.1"), std::string::npos);
  EXPECT_NE(request.find("Content-Type: text/xml;charset=UTF-8\r\n"), std::string::npos);
  EXPECT_NE(request.find("SOAPAction:Get\r\n"), std::string::npos);
  EXPECT_NE(request.find("<StatusNespolehlivyPlatceRequest xmlns=\"http://adis.mfcr.cz/rozhraniCRPDPH/\"><dic>27074358</dic>"
                         "</StatusNespolehlivyPlatceRequest></soapenv:Body></soapenv:Envelope>"),
            std::string::npos);

  // A reliable payer clears only the mark.
  partners::VatPayerStatus ne{"", "", "NE"};
  EXPECT_EQ(partners::NoteAfterStatus(ne, common::Cz(partners::kUnreliableMark)), "");
  EXPECT_EQ(partners::NoteAfterStatus(ne, "platit zálohou"), "platit zálohou");
}

TEST_F(Lookups, TheSwitchGoesToTheJobFile) {
  backend.AnswerNextModal([](ui::Form& f) { static_cast<browser::TfDotaz&>(f).Button2Click(); });
  partners::AskUseAres();
  EXPECT_EQ(common::CurrentSession().AresOn, 0);
  EXPECT_EQ(common::GetJob("ARES"), "N");
}

}  // namespace
