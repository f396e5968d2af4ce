#pragma once

namespace platform::graphics {

// What the leak checker must not report in a program that draws, one "leak:<library>" line each.
// fontconfig keeps its patterns behind encoded offsets the checker cannot follow, so every font lookup
// looks like a leak; the session bus client that SDL's X layer starts keeps a buffer for the process's
// life. The checker asks for the list through __lsan_default_suppressions, defined beside it.
// A static library member that nothing names is left out of a program, so a file each such program
// links for other reasons takes this function's address (kept with [[gnu::used]]).
const char* leakSuppressions();

}  // namespace platform::graphics
