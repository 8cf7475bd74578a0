// The one-off tools of the partner register's tools menu, on layouts of this program:
// "Orvek2017" (renumbering of partners 1 to 2700 and the partners of "843.dta"),
// "Naber CSV2 Hubra" (org.csv with a share file "podily.dta") and "Naber CSV Lufri"
// (org.csv with transport notes). Input files lie beside the partner file. Each reads
// and checks all its input first: a refusal names the file and the line (or record)
// and writes nothing. The writes go under the lock "ORGANIZA.CE" and one rollback copy.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace partners {

class TfOrg;

// podily.dta: per imported partner its number (16-bit), IČO [8], name [30], share [15].
inline constexpr int kShareRecordLength = 58;
std::string ShareRecord(std::uint16_t number, std::string_view ico, std::string_view name, std::string_view share);

// "Orvek2017" with the DIČ prefix (blank: none).
void RenumberOrvek(TfOrg& w, const std::string& prefix);
void ImportHubra(TfOrg& w);  // "Naber CSV2 Hubra"
void ImportLufri(TfOrg& w);  // "Naber CSV Lufri"
// The refusal of a partner CSV holding a ^Z before its text ends.
std::string EndByteRefusal(const std::string& path, std::int64_t line);
// "Orvek2017" from the menu: asks for the prefix first.
void AskRenumberOrvek(TfOrg& w);

}  // namespace partners
