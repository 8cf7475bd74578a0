#include "partners/lookups.h"

#include <chrono>
#include <functional>
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
constexpr int kSlice = 100;  // ms of the wait window between looks at the client

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

// Runs the client up to three times until the reply file holds two bytes or more:
// each run is waited for (in the wait window, attempt x 100 ms at least, at most the
// client's time limit) before the file is looked at. False after "Chyba spojení".
bool Ask(const std::vector<std::string>& args, const std::string& folder, const std::string& reply) {
  common::RunOptions options;
  options.hidden = true;
  options.workDir = common::RealPath(folder);
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    common::ChildProgram client;
    if (client.Start(LookupConfig().client, args, options) != 0) break;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(LookupConfig().clientTimeoutMs);
    browser::ShowCekej(attempt * kSlice);
    bool aborted = browser::fCekej().WaitAborted;
    common::RunResult result;
    while (!aborted && !client.Ended(result)) {
      if (std::chrono::steady_clock::now() >= deadline) {
        client.Kill();
        break;
      }
      browser::ShowCekej(kSlice);
      aborted = browser::fCekej().WaitAborted;
    }
    if (aborted) {
      client.Kill();
      break;
    }
    if (!result.timedOut && common::CheckFile(reply) >= 2) return true;
  }
  common::MessageOk("Chyba spojení"_cz);
  return false;
}

// The reply file whole; a file that cannot be read is the framework's file error.
std::optional<std::string> ReadReply(const std::string& name) {
  std::string text;
  if (int code = common::ReadFileText(name, text)) {
    common::FileErrorMessage(" cte soubor: ", name, code);
    return std::nullopt;
  }
  return text;
}

// The first value of a key in document order (depth first), as text: strings
// converted to Windows-1250, numbers as written.
std::string FirstValue(const nlohmann::ordered_json& j, const std::string& key, bool anyCase) {
  std::function<const nlohmann::ordered_json*(const nlohmann::ordered_json&)> find =
      [&](const nlohmann::ordered_json& node) -> const nlohmann::ordered_json* {
    if (node.is_object()) {
      for (auto it = node.begin(); it != node.end(); ++it) {
        if (anyCase ? common::UpperCz(it.key()) == common::UpperCz(key) : it.key() == key) return &it.value();
        if (const auto* inner = find(it.value())) return inner;
      }
    } else if (node.is_array()) {
      for (const auto& item : node)
        if (const auto* inner = find(item)) return inner;
    }
    return nullptr;
  };
  const auto* v = find(j);
  if (!v || v->is_null()) return {};
  if (v->is_string()) return common::Utf8ToCp1250(v->get<std::string>());
  return common::Utf8ToCp1250(v->dump());
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

// The first element of a local name (any namespace prefix) below `node`.
pugi::xml_node FindLocal(pugi::xml_node node, std::string_view local) {
  for (pugi::xml_node child : node.children()) {
    std::string_view name = child.name();
    if (auto colon = name.find(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
    if (name == local) return child;
    if (pugi::xml_node inner = FindLocal(child, local)) return inner;
  }
  return {};
}

}  // namespace

bool MakeLookupFolder() { return WorkFolder().has_value(); }

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
  common::EraseFiles(reply);
  if (!Ask({"-X", "GET", LookupConfig().registerBase + "/ekonomicke-subjekty-v-be/rest/ekonomicke-subjekty/" + *ico,
            "-s", "-o", kRegisterReply},
           folder, reply))
    return std::nullopt;
  const auto text = ReadReply(reply);
  if (!text) return std::nullopt;
  const auto json = nlohmann::ordered_json::parse(*text, nullptr, false);
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
            LookupConfig().vatBase + "/adistc/axis2/services/rozhraniCRPDPH.rozhraniCRPDPHSOAP?SOAP", "-s", "-o",
            kVatReply},
           folder, reply))
    return std::nullopt;
  const auto text = ReadReply(reply);
  if (!text) return std::nullopt;
  pugi::xml_document doc;
  if (!doc.load_buffer(text->data(), text->size())) return std::nullopt;
  const pugi::xml_node payer = FindLocal(doc, "statusPlatceDPH");
  const pugi::xml_attribute status = payer.attribute("nespolehlivyPlatce");
  if (!status) return std::nullopt;
  VatPayerStatus s;
  s.status = common::Utf8ToCp1250(status.value());
  if (const pugi::xml_node account = FindLocal(payer, "standardniUcet")) {
    const std::string prefix = common::Utf8ToCp1250(account.attribute("predcisli").value());
    const std::string number = common::Utf8ToCp1250(account.attribute("cislo").value());
    s.bankCode = common::Utf8ToCp1250(account.attribute("kodBanky").value());
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
