#pragma once

// Names of the drawing types, for headers that only pass them by reference or pointer: include this
// instead of the full header and keep the full one in the .cpp.

namespace platform::graphics {

struct AffineTransform;
class AttributedString;
class BitmapContext;
class Color;
class Context;
struct Dash;
struct EdgeInsets;
class Font;
struct Gradient;
class Image;
class Path;
struct Point;
struct Rect;
struct Size;
struct TextAttributes;
class TextLayout;
struct TextStyle;

}  // namespace platform::graphics
