// The toolkit's own texts (its print, page setup, file, colour and font dialogs, the
// buttons of its boxes) in Czech, whatever the system's locale.
#pragma once

namespace ui::qt {

// Installs the toolkit's Czech translations into the running application, once per
// application; false when they are not installed on this machine. The few texts the
// toolkit's translation lacks come from a table of our own; its number and date
// formats are the Czech ones, in its dialogs only (the program formats its numbers
// itself, and stored numbers keep their point).
bool InstallToolkitTranslations();

}  // namespace ui::qt
