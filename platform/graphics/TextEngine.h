#pragma once

typedef struct _PangoContext PangoContext;

namespace platform::graphics {

// The Pango context every measurement and drawing uses: one for the process (main thread only), 72 dots per inch so a point is
// one unit, no hinting and unrounded glyph positions, so text measures the same at every scale and
// renders to the same pixels on every run.
PangoContext* textContext();

}  // namespace platform::graphics
