// A field that holds where bank and tax items go: a cash-book key number when the firm
// works with cash-book keys (the session's FjOn), otherwise an account of the chart.
// The own bank accounts and the firm data use it for their posting fields.
#pragma once
#include <string>

namespace codelists {

// True when such fields hold cash-book keys.
bool KeyMode();

// Leaving the field: a key 1..255 is written "###"; an account other than "000000" is
// looked up in the chart, which is shown for a choice while it is not found. The
// field's error mark (1 = wrong).
int CheckKeyOrAccount(std::string& text);
// Enter in the field: the cash-book keys or the chart, positioned at the field's value.
// The error mark.
int PickKeyOrAccount(std::string& text);
// The text beside the field: the key's text, or the account's name (30 blanks when the
// chart has no such account). With keys, a value outside 1..255 empties the field to
// "   " and the label to 27 blanks.
std::string KeyOrAccountLabel(std::string& text);

}  // namespace codelists
