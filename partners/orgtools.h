// The actions of the partner register's tools menu (F10): whole-file repairs and
// recodings, imports, the compaction of marked partners, the file extension, e-mail
// lists, the list report and the one-off tools of oneoff.h. InstallOrgTools puts them
// into OrgHooks().tools.
#pragma once
#include <string>
#include <string_view>

#include "common/locking.h"

namespace partners {

class TfOrg;

void InstallOrgTools();

// The DIČ of the old forms in the new one: "nnn-rest" -> "CZ" + rest, "x/y" -> "SK" + x.
std::string ConvertDic(std::string_view dic);
// The e-mail list file n ("Maily" + n + ".txt"), numbered with every digit.
std::string MailListName(int n);
// The lock file "ORGANIZA.CE" of the folder the window's partner file lies in.
std::string OrgLockPath(const TfOrg& w);

// The single tools, for callers other than the menu.
void CompactMarked(TfOrg& w);                        // "Sraz označené, ostatní zruš"
void ImportCsv(TfOrg& w, const std::string& path);   // "Naber CSV" over a chosen file
void ConvertOdber(TfOrg& w);                         // "Prevod z GREMO"
void ExtendFile(TfOrg& w, const std::string& answer);  // "Zvětši Organizace" after the question
void WriteMailLists(TfOrg& w);                       // "Mail adresy"
// On opening, at workstation 321 with scrambling on and 15,000 records or more, when
// the last partner's IČO reads other than digits and blanks: partners 15,000 to the
// last whose IČO so reads and is stored plain are stored scrambled.
void RepairWorkstation321(TfOrg& w);

}  // namespace partners
