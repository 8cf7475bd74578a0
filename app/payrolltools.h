// The main window's hidden tools for the monthly employer report: the term list filled
// from a CSV file, XML element names taken from an annotated template, further terms
// for existing keys; the element skeleton and the type list of a schema written line
// by line ("JHmatr.TXT"); the identifiers of the registration copied into the employee
// file; the layout description of the supplement file ("PrDod.pol").
//
// Each routine works on a chosen file; the main window's buttons choose it and show
// the window the tool ends in.
#pragma once
#include <string>
#include <string_view>

namespace payroll {
class TfJHcis;
class Tfpr_rol;
}

namespace app {

// "JH vytvor": every CSV line (after the header) whose first column, stripped, is a
// five-digit number becomes a new term with that key and the second column as name,
// the other fields blank. Appended to the opened term list. The terms added, or -1
// after a message.
int ImportTermsFromCsv(payroll::TfJHcis& terms, const std::string& csvPath);
// "JH pridej XML": a line holding the comment of a five-character key gives that term,
// when it has no XML name yet, the tag name of the line before. The names set, or -1.
int AddXmlNamesFromTemplate(payroll::TfJHcis& terms, const std::string& path);
// "Pridej Další": each line "KKKKK name" whose key the list holds adds a copy of that
// term with the line's name, no XML name, Povinný and Default blank. The terms added,
// or -1.
int AddFurtherTerms(payroll::TfJHcis& terms, const std::string& path);

// "Xsd-Mat" and "XSD-Mat2": the skeleton and the type list of a schema written with
// one declaration per line. 0, or the I/O code after a message.
int WriteXsdSkeleton(const std::string& xsdPath, const std::string& outPath);
int WriteXsdTypeList(const std::string& xsdPath, const std::string& outPath);

// The birth number YYMMDD+suffix of an employee record (a woman's month + 50), and the
// kind code of a ">Druh čin." text.
std::string EmployeeBirthNumber(const payroll::Tfpr_rol& w, std::string_view record);
std::string EmployeeKindCode(std::string_view kind);
// "OIC do Prac": for each CSV line (after the header) the first employee of the opened
// file with the birth number of column 1 and the kind code of column 6 gets OIČ :=
// column 10 right-aligned and the text at 1545 := column 9. The employees written,
// or -1.
int ImportEmployeeIdentifiers(payroll::Tfpr_rol& employees, const std::string& csvPath);

// "Prev Dod": the layout description of the supplement file from (code, UTF-8 caption)
// line pairs. 0, or the I/O code after a message.
int WriteSupplementLayout(const std::string& listPath, const std::string& outPath);

// The file the XSD tools and "Prev Dod" write into: the start folder.
std::string WorkFolderFile(const std::string& name);

}  // namespace app
