// A print into a file: a PDF where there is no printer, or the file the print dialog
// names. Which file it is, whether it can be written, whether it came out whole, and
// what the user is told when it cannot (texts in Windows-1250, paths real and UTF-8).
#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace ui {

// A print that cannot start or finish; what() is the message for the user.
struct PrintFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// "<folder>\<job>.pdf": the job's name without its folder, extension and the blanks
// around it, "tisk" when none is left. A Windows name, relative to the start folder.
std::string DefaultPrintFile(std::string_view folder, std::string_view job);
// The real path of the file a Windows name stands for (its parts matched on disk
// without regard to case), made whole from the start folder.
std::string PrintFileOf(std::string_view winName);
// A file name as the user typed it in the print dialog: a relative one lies in the
// start folder, the folder the program was started in, as every relative name does.
std::string PrintFilePath(std::string_view typed);

// Why the file cannot be written, in words that follow its name ("složka ... neexistuje",
// "do složky ... nemáte právo zapisovat"); empty when it can. The probe goes through the
// program's file layer and leaves no file behind that was not there.
std::string PrintFileProblem(const std::string& path);
// Whether a finished PDF ends as a whole one does (its end-of-file mark).
bool PrintFileComplete(const std::string& path);
// "Tisk nelze uložit do souboru <path>: <why>".
std::string PrintFileFailureText(const std::string& path, const std::string& why);
// A PDF that came out cut: it is erased, and the message says so.
std::string DiscardCutPrintFile(const std::string& path);

}  // namespace ui
