// The builders of the monthly employer report ("\JH\VYKAZ.xml") and of the
// registration ("\JH\PRIHLASKA.XML"): the report rows are cut into value files
// under the data folder's "\JH\" and the payroll module's templates under
// "\MZ8\jmhz\" of the program folder are filled with them, fragment by fragment.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "payroll/jhcis.h"

namespace payroll {

// The builder's progress, shown at once (Windows-1250).
using StatusText = std::function<void(const std::string&)>;

// The extended rows of the last report build, in the current folder.
inline constexpr char kExtendedRowsFile[] = "JHvyk1.dta";

// The term list read once for a build; false (the failure shown) when it cannot be read.
bool LoadTermIndex(TermIndex& terms);

// A personal number whose rows carry no employee identifier, so that they cannot reach
// the report, and why: no employee has it, or the employee's identifier is blank.
struct LeftOut {
  std::string person;
  bool unknown = true;
};

// The rows of source with each employee's identifier and contract kind, summary
// terms of an employee under the personal number "zzzzz" (the employer's keep their
// blank one), sorted into target. An empty source erases target, says so and gives
// false. The personal numbers left without an identifier are added to leftOut (when given).
// A rollback copy a sort left beside either file is put back first; false (said) when one
// cannot be, with both files as they were.
bool ExtendRowsWithOic(const std::string& source, const std::string& target, const TermIndex& terms,
                       const StatusText& status, std::vector<LeftOut>* leftOut);

// Both builders check their templates before anything is erased, build the document
// under a name beside output and put it in place only once it is whole and parses:
// on any failure (shown) output stays as it was and the result is false.
// Builds the monthly report from the rows of source into output.
bool BuildReportXml(const std::string& source, const std::string& output, const StatusText& status);
// Builds the registration from the rows of source (sorted in place) into output.
bool BuildRegistrationXml(const std::string& source, const std::string& output, const StatusText& status);

}  // namespace payroll
