#pragma once

namespace app::state {

// The dark-theme flag "SETTINGS_APPINDARKMODE" as the preference file holds it. The file stays the
// theme's one authority, but a screen asks for hundreds of colours while it builds, and reading and
// parsing the file for each of them cost a tenth of a start. So the flag is read once and kept until
// the file changes; whatever changes the file says so. Kept per app container, so another container
// (a test's, another --home) starts from its own file.
class SavedThemeFlag {
 public:
  // The flag as last saved: NO without a file, with a file that cannot be read, or without the key.
  static bool isDark();
  // The preference file now holds `dark` (a save wrote it, or found it already so).
  static void fileWritten(bool dark);
  // The file changed in a way not known here (moved aside, written by someone else, a failed write):
  // the next question reads it again.
  static void fileChanged();
};

}  // namespace app::state

