// "Volba jazykové verze": lists 10, 20, 21, 22 and 30 exist in Czech, English, German
// and Italian. The working file of each is "ci" + NN + ".dta"; each language keeps its
// copy "ci" + code + NN + ".dta" beside it, and "jazyk.dta" (key "Rec") names the
// language the working files are in.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace app {

struct CodeListLanguage {
  const char* code;
  const char* label;  // UTF-8
};
inline constexpr std::array<CodeListLanguage, 4> kCodeListLanguages = {{
    {"CZ", " Česky"}, {"AN", " Anglicky"}, {"NE", " Německy"}, {"IT", " Italsky"}}};
inline constexpr std::array<const char*, 5> kLanguageLists = {"10", "20", "21", "22", "30"};

// The stored code, two characters ("CZ" for none).
std::string CurrentCodeListLanguage();

// A code that can stand in a file name: no path separator, ":" or control character.
bool LanguageCodeUsable(std::string_view code);

// Saves the five working files as the copies of `from`, then brings in the copies of
// `to` and stores `to` in "jazyk.dta" on disk. Nothing changes unless every save
// worked; when bringing in a copy or storing the code fails, the working files
// already replaced are put back. False (after its message) when the language stays.
bool SwitchCodeListLanguage(const std::string& from, const std::string& to);

// The rows of the choice: mark, blank, code, label; "*" marks the language in use.
std::vector<std::string> LanguageChoiceRows(const std::string& current);

// The button: closes the code lists kept open, offers the four languages and switches.
void ChooseCodeListLanguage();

}  // namespace app
