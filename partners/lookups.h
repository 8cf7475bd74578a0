// The public-register lookups of a new partner: the business register (REST, a JSON
// reply) and the VAT-payer register (SOAP 1.1), each asked by an external HTTP
// client that writes its reply into a file of the work folder.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace partners {

// Where the lookups go; the defaults are the public services.
struct LookupSettings {
  std::string client = "curl";  // the HTTP client, looked up in PATH
  std::string registerBase = "https://ares.gov.cz";
  std::string vatBase = "https://adisrws.mfcr.cz";
  std::string vatNamespace = "http://adis.mfcr.cz/rozhraniCRPDPH/";
  std::string workFolder;     // Windows form; empty: ProgDir("\ARES")
  int waitMs = 10000;           // for all runs of the client of one lookup together
};
LookupSettings& LookupConfig();

// Creates the work folder when missing. False after its failure was shown.
bool MakeLookupFolder();
// True when the user ended the last lookup with Esc: no further lookup is asked.
bool LookupEndedByUser();

// The IČO as the lookups take it: blanks removed, digits only; nullopt otherwise.
std::optional<std::string> LookupIco(std::string_view typed);

// The register's data of a firm, Windows-1250; the DIČ in upper case.
struct RegisterData {
  std::string dic, name, street, postalCode, town, state, taxOffice;
};
// Asks the business register. Failures have been shown ("Chyba spojení", the
// register's error code) and give nullopt.
std::optional<RegisterData> AresLookup(std::string_view ico);

// The VAT register's answer: the first published account and the payer's status.
struct VatPayerStatus {
  std::string bankCode, account;  // account "prefix-number" when it has a prefix
  std::string status;             // "ANO" unreliable, "NE" reliable, ...
};
// Failures have been shown ("Chyba spojení"; "Dotaz na plátce DPH se nezdařil" for a
// fault, a reply without the status, or account values that are not digits of their
// length) and give nullopt.
std::optional<VatPayerStatus> VatPayerStatusQuery(std::string_view ico);

inline constexpr char kUnreliableMark[] = "NESPOLEHLIVÝ PLÁTCE DPH";  // UTF-8
// Pozn.3 after a query: the mark for an unreliable payer; a mark that stands there
// alone is cleared for any other status; anything else the user wrote stays.
std::string NoteAfterStatus(const VatPayerStatus& status, const std::string& note);

// "Používat ARRES [A,N]": the answer goes to the job entry "ARES" and `AresOn`.
void AskUseAres();

}  // namespace partners
