#pragma once

#include <string>
#include <vector>

#include "platform/graphics/Font.h"

typedef struct _PangoContext PangoContext;
typedef struct _PangoFont PangoFont;

namespace platform::graphics {

// The Pango context every measurement and drawing uses: one for the process, 72 dots per inch so a
// point is one unit, no hinting and unrounded glyph positions, so text measures the same at every scale
// and renders to the same pixels on every run. Text is laid out on the main thread; the first call
// waits for the fonts being prepared (prepareFonts) to be ready.
PangoContext* textContext();

// Makes the text context now. Its font map has fontconfig read the machine's font configuration on a
// thread of its own, and the first text layout waits for that: a program that will lay text out calls
// this first, so the reading overlaps its other start-up work instead.
void startTextEngine();

// Loads the given fonts (fontconfig's match, the font files, their shaping tables and glyph metrics)
// on a thread of the engine's own, so that work overlaps the caller's other start-up work instead of
// holding up its first text layout. Meant for the fonts a program's first screen lays text in; it
// only helps before any text is laid out, and later calls, or a second one, do nothing.
void prepareFonts(const std::vector<Font>& fonts);

// The full name of the face a loaded font draws with ("Lato Medium"); empty when the face has none.
std::string fullFaceName(PangoFont* font);

}  // namespace platform::graphics
