// The toolkit's own texts (its print, page setup, file, colour and font dialogs, the
// buttons of its boxes) in Czech, whatever the system's locale.
#pragma once

namespace ui::qt {

// Installs the toolkit's Czech translations into the running application, once per
// application; false when they are not installed on this machine.
bool InstallToolkitTranslations();

}  // namespace ui::qt
