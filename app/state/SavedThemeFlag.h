#pragma once

namespace app::state {

// The dark-theme flag "SETTINGS_APPINDARKMODE" as the preference file holds it now. Every colour asks,
// and follows the file at once, whoever wrote it. A screen asks for hundreds of colours while it builds,
// and parsing the file for each of them cost a tenth of a start, so the flag parsed last is kept with the
// file's stamp (platform::foundation::FileStamp) and the file is parsed again only once it is another
// file or was written since; each question costs one stat(2). Kept per path, so another container (a
// test's, another --home) answers from its own file.
class SavedThemeFlag {
 public:
  // The flag as last saved: NO without a file, with a file that cannot be read, or without the key.
  static bool isDark();
  // The preference file was just written (or found as a save would write it): the next question parses
  // it again, which a write that left the file's stamp as it was could otherwise hide.
  static void fileWritten(bool dark);
  // The file changed in a way that may keep its stamp (moved aside and back, a failed write): the next
  // question parses it again.
  static void fileChanged();
};

}  // namespace app::state
