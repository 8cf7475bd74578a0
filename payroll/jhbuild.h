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

// The rows of source with each employee's identifier and contract kind, summary
// terms under the personal number "zzzzz", sorted into target. An empty source
// erases target, says so and gives false. The personal numbers that have no employee
// are added to unmatched (when given).
bool ExtendRowsWithOic(const std::string& source, const std::string& target, const TermIndex& terms,
                       const StatusText& status, std::vector<std::string>* unmatched);

// Builds the monthly report from the rows of source into output; false when it stopped.
bool BuildReportXml(const std::string& source, const std::string& output, const StatusText& status);
// Builds the registration from the rows of source (sorted in place) into output.
bool BuildRegistrationXml(const std::string& source, const std::string& output, const StatusText& status);

}  // namespace payroll
