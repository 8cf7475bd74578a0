#include "partners/lookups.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "browser/cekej.h"
#include "browser/entries.h"
#include "common/codepages.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/jobfile.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/process.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"

namespace partners {

using namespace common::literals;

namespace {

constexpr char kRegisterReply[] = "ARES_RES.UTF";
constexpr char kVatRequest[] = "RPDPH.REQ";
constexpr char kVatReply[] = "RPDPH.RES";
constexpr int kAttempts = 3;
constexpr int kSlice = 100;                // ms of the wait window between looks at the client
constexpr std::size_t kMaxReply = 1 << 20;  // no reply of the services is near it
constexpr int kMaxDepth = 64;              // nor nested near this deep
bool g_endedByUser = false;

std::string WorkFolderName() {
  std::string folder = LookupConfig().workFolder.empty() ? common::ProgDir("\\ARES") : LookupConfig().workFolder;
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

// The work folder, created when missing; nullopt after the failure was shown.
std::optional<std::string> WorkFolder() {
  const std::string folder = WorkFolderName();
  if (int code = common::MakeDirs(folder)) {
    common::FileErrorMessage(" vytvari slozku: ", folder, code);
    return std::nullopt;
  }
  return folder;
}

std::uint64_t ReplySize(const std::string& reply) {
  std::uint64_t size = 0;
  return common::FileSize(reply, size) == 0 ? size : 0;
}

// Runs the client up to three times until it leaves a reply file of two bytes or
// more, all runs together within the lookup's time. The reply file is watched while
// the client runs: past kMaxReply the client is ended and the lookup fails. Esc in
// the wait window ends the lookup (and the caller's next one). False after "Chyba
// spojení".
bool Ask(const std::vector<std::string>& args, const std::string& folder, const std::string& reply) {
  common::RunOptions options;
  options.hidden = true;
  options.workDir = common::RealPath(folder);
  g_endedByUser = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(LookupConfig().waitMs);
  bool ready = false, tooBig = false;
  for (int attempt = 1; attempt <= kAttempts && !ready && !tooBig && std::chrono::steady_clock::now() < deadline;
       ++attempt) {
    common::ChildProgram client;
    if (client.Start(LookupConfig().client, args, options) != 0) break;
    browser::ShowCekej(attempt * kSlice);
    g_endedByUser = browser::fCekej().WaitAborted;
    common::RunResult result;
    bool ended = false;
    while (!g_endedByUser && !(ended = client.Ended(result))) {
      tooBig = ReplySize(reply) > kMaxReply;
      if (tooBig || std::chrono::steady_clock::now() >= deadline) break;
      browser::ShowCekej(kSlice);
      g_endedByUser = browser::fCekej().WaitAborted;
    }
    client.Kill();
    if (g_endedByUser) break;
    if (!ended) continue;
    tooBig = ReplySize(reply) > kMaxReply;
    ready = !tooBig && result.exitCode == 0 && common::CheckFile(reply) >= 2;
  }
  if (!ready) common::MessageOk("Chyba spojení"_cz);
  return ready;
}

// The reply file, of at most kMaxReply bytes: a larger one is "Chyba spojení", a file
// that cannot be read the framework's file error.
std::optional<std::string> ReadReply(const std::string& name) {
  std::string text(kMaxReply + 1, '\0');
  std::size_t got = 0;
  common::File f;
  int code = f.Open(name, common::kModeReadOnly);
  if (code == 0) code = f.ReadSome(0, text.data(), text.size(), got);
  if (code) {
    common::FileErrorMessage(" cte soubor: ", name, code);
    return std::nullopt;
  }
  if (got > kMaxReply) {
    common::MessageOk("Chyba spojení"_cz);
    return std::nullopt;
  }
  text.resize(got);
  return text;
}

// True when the arrays and objects of a JSON text nest no deeper than kMaxDepth.
bool JsonWithinDepth(std::string_view text) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxDepth) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

// The first value of a key in document order (depth first), as text: strings
// converted to Windows-1250, numbers as written.
std::string FirstValue(const nlohmann::ordered_json& j, const std::string& key, bool anyCase) {
  using Json = nlohmann::ordered_json;
  const std::string upperKey = common::UpperCz(key);
  const Json* found = nullptr;
  std::vector<std::pair<const Json*, Json::const_iterator>> stack;
  if (j.is_structured()) stack.emplace_back(&j, j.cbegin());
  while (!found && !stack.empty()) {
    auto& [node, it] = stack.back();
    if (it == node->cend()) {
      stack.pop_back();
      continue;
    }
    const Json& value = *it;
    if (node->is_object() && (anyCase ? common::UpperCz(it.key()) == upperKey : it.key() == key)) found = &value;
    ++it;
    if (value.is_structured()) stack.emplace_back(&value, value.cbegin());
  }
  if (!found || found->is_null()) return {};
  if (found->is_string()) return common::Utf8ToCp1250(found->get<std::string>());
  return common::Utf8ToCp1250(found->dump());
}

std::string XmlEscape(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// The node after `n` in document order below `root` (null at the end), and its depth.
pugi::xml_node NextNode(pugi::xml_node n, pugi::xml_node root, int& depth) {
  if (n.first_child()) {
    ++depth;
    return n.first_child();
  }
  while (n != root && !n.next_sibling()) {
    n = n.parent();
    --depth;
  }
  return n == root ? pugi::xml_node() : n.next_sibling();
}

bool XmlWithinDepth(pugi::xml_node root) {
  int depth = 0;
  for (pugi::xml_node n = NextNode(root, root, depth); n; n = NextNode(n, root, depth))
    if (depth > kMaxDepth) return false;
  return true;
}

// The first element of a local name (any namespace prefix) below `root`.
pugi::xml_node FindLocal(pugi::xml_node root, std::string_view local) {
  int depth = 0;
  for (pugi::xml_node n = NextNode(root, root, depth); n; n = NextNode(n, root, depth)) {
    std::string_view name = n.name();
    if (auto colon = name.find(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
    if (n.type() == pugi::node_element && name == local) return n;
  }
  return {};
}

// Digits only, at most `most` of them (`exactly` when given); an empty text too.
bool DigitsOrEmpty(const std::string& s, std::size_t most, bool exactly = false) {
  if (s.empty()) return true;
  if (s.size() > most || (exactly && s.size() != most)) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool MakeLookupFolder() { return WorkFolder().has_value(); }

bool LookupEndedByUser() { return g_endedByUser; }

LookupSettings& LookupConfig() {
  static LookupSettings settings;
  return settings;
}

std::optional<std::string> LookupIco(std::string_view typed) {
  std::string ico = common::RemoveSpaces(typed);
  if (ico.empty()) return std::nullopt;
  for (char c : ico)
    if (c < '0' || c > '9') return std::nullopt;
  return ico;
}

std::optional<RegisterData> AresLookup(std::string_view typed) {
  const auto ico = LookupIco(typed);
  if (!ico) return std::nullopt;
  const auto work = WorkFolder();
  if (!work) return std::nullopt;
  const std::string& folder = *work;
  const std::string reply = folder + kRegisterReply;
  // Another workstation's lookup in the same folder must not read this reply.
  common::ScopedFileLock lock(reply, "W");
  if (lock.Stopped()) return std::nullopt;
  common::EraseFiles(reply);
  if (!Ask({"-X", "GET", LookupConfig().registerBase + "/ekonomicke-subjekty-v-be/rest/ekonomicke-subjekty/" + *ico,
            "-s", "--max-filesize", std::to_string(kMaxReply), "-o", kRegisterReply},
           folder, reply))
    return std::nullopt;
  const auto text = ReadReply(reply);
  if (!text) return std::nullopt;
  const auto json = JsonWithinDepth(*text) ? nlohmann::ordered_json::parse(*text, nullptr, false)
                                             : nlohmann::ordered_json(nlohmann::ordered_json::value_t::discarded);
  if (json.is_discarded()) {
    common::MessageOk("Chyba spojení"_cz);
    return std::nullopt;
  }
  if (const std::string sub = FirstValue(json, "subKod", false); !sub.empty()) {
    common::MessageOk("\"" + sub + "\"");
    return std::nullopt;
  }
  RegisterData d;
  d.name = FirstValue(json, "obchodniJmeno", false);
  const std::string street = common::StripLeftSp(common::StripRightSp(FirstValue(json, "nazevUlice", false)));
  const std::string number = common::StripLeftSp(common::StripRightSp(FirstValue(json, "cisloDomovni", false)));
  d.street = street.empty() ? number : street + " " + number;
  d.postalCode = FirstValue(json, "psc", false);
  d.dic = common::UpperCz(FirstValue(json, "dic", true));
  d.town = FirstValue(json, "nazevObce", false);
  d.state = FirstValue(json, "nazevStatu", false);
  d.taxOffice = FirstValue(json, "financniUrad", false);
  return d;
}

std::optional<VatPayerStatus> VatPayerStatusQuery(std::string_view typed) {
  const auto ico = LookupIco(typed);
  if (!ico) return std::nullopt;
  const auto work = WorkFolder();
  if (!work) return std::nullopt;
  const std::string& folder = *work;
  const std::string reply = folder + kVatReply;
  common::ScopedFileLock lock(reply, "W");
  if (lock.Stopped()) return std::nullopt;
  common::EraseFiles(reply);
  const std::string envelope =
      "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\"><soapenv:Body>"
      "<StatusNespolehlivyPlatceRequest xmlns=\"" + XmlEscape(LookupConfig().vatNamespace) + "\"><dic>" +
      XmlEscape(*ico) + "</dic></StatusNespolehlivyPlatceRequest></soapenv:Body></soapenv:Envelope>\r\n";
  const std::string request = folder + kVatRequest;
  if (int code = common::ReplaceFileContents(request, envelope)) {
    common::FileErrorMessage(" pise soubor: ", request, code);
    return std::nullopt;
  }
  // The client takes the request by its name on disk.
  const std::string onDisk(common::NamePart(common::RealPath(request)));
  if (!Ask({"--header", "Content-Type: text/xml;charset=UTF-8", "--header", "SOAPAction:Get", "--data", "@" + onDisk,
            LookupConfig().vatBase + "/adistc/axis2/services/rozhraniCRPDPH.rozhraniCRPDPHSOAP?SOAP", "-s",
            "--max-filesize", std::to_string(kMaxReply), "-o", kVatReply},
           folder, reply))
    return std::nullopt;
  const auto text = ReadReply(reply);
  if (!text) return std::nullopt;
  pugi::xml_document doc;
  const bool parsed = static_cast<bool>(doc.load_buffer(text->data(), text->size()));
  if (parsed && !XmlWithinDepth(doc)) {
    common::MessageOk("Chyba spojení"_cz);
    return std::nullopt;
  }
  // A fault, a reply without the payer's status, or values no account has: nothing is taken.
  const auto failed = [] {
    common::MessageOk("Dotaz na plátce DPH se nezdařil"_cz);
    return std::nullopt;
  };
  const pugi::xml_node payer = parsed ? FindLocal(doc, "statusPlatceDPH") : pugi::xml_node();
  const pugi::xml_attribute status = payer.attribute("nespolehlivyPlatce");
  if (!status) return failed();
  VatPayerStatus s;
  s.status = common::Utf8ToCp1250(status.value());
  if (const pugi::xml_node account = FindLocal(payer, "standardniUcet")) {
    const std::string prefix = account.attribute("predcisli").value();
    const std::string number = account.attribute("cislo").value();
    s.bankCode = account.attribute("kodBanky").value();
    if (!DigitsOrEmpty(s.bankCode, 4, true) || !DigitsOrEmpty(prefix, 6) || !DigitsOrEmpty(number, 10)) return failed();
    s.account = prefix.empty() ? number : prefix + "-" + number;
  }
  return s;
}

std::string NoteAfterStatus(const VatPayerStatus& status, const std::string& note) {
  const std::string mark = common::Cz(kUnreliableMark);
  if (status.status == "ANO") return mark;
  return common::StripLeftSp(common::StripRightSp(note)) == mark ? std::string() : note;
}

void AskUseAres() {
  common::Session& s = common::CurrentSession();
  if (browser::AskOne(10, 10, "Používat ARRES [A,N]"_cz)) {
    common::WriteJob("ARES", "");
    s.AresOn = 1;
  } else {
    common::WriteJob("ARES", "N");
    s.AresOn = 0;
  }
}

}  // namespace partners
