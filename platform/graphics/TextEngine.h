#pragma once

typedef struct _PangoContext PangoContext;

namespace platform::graphics {

// The Pango context every measurement and drawing uses: one for the process (main thread only), 72 dots per inch so a point is
// one unit, no hinting and unrounded glyph positions, so text measures the same at every scale and
// renders to the same pixels on every run.
PangoContext* textContext();

// Makes the text context now. Its font map has fontconfig read the machine's font configuration on a
// thread of its own, and the first text layout waits for that: a program that will lay text out calls
// this first, so the reading overlaps its other start-up work instead.
void startTextEngine();

}  // namespace platform::graphics
