#pragma once

#include <string>

typedef struct _PangoFontDescription PangoFontDescription;

namespace platform::graphics {

// A font by the name the app asks for and a size in points. The name stays on the font as asked;
// what is drawn is the installed family it maps to: the app's "Avenir-Roman", "Avenir-Medium" and
// "Avenir-Heavy" are drawn in Lato Regular, Medium and Heavy. Names this machine does not know fall back
// to the default sans family (through fontconfig), never to nothing.
class Font {
 public:
  static Font named(const std::string& name, double size);
  // The system font in a weight from 100 to 900.
  static Font systemFont(double size, int weight = 400);
  static Font boldSystemFont(double size) { return systemFont(size, 700); }
  static Font italicSystemFont(double size);

  const std::string& fontName() const { return name_; }
  double pointSize() const { return size_; }
  const std::string& familyName() const { return family_; }
  int weight() const { return weight_; }
  bool italic() const { return italic_; }
  Font withSize(double size) const;

  // Metrics in points; the descender is negative, as on the phone.
  double ascender() const;
  double descender() const;
  double lineHeight() const;
  double capHeight() const;
  double xHeight() const;

  // Full name of the installed face that draws this font, e.g. "Lato Heavy" (for checks and dumps).
  std::string resolvedFace() const;

  // A new Pango description of this font; the caller frees it with pango_font_description_free.
  PangoFontDescription* newPangoDescription() const;

  bool operator==(const Font&) const = default;

 private:
  Font(std::string name, std::string family, int weight, bool italic, double size);
  struct Metrics;
  const Metrics& metrics() const;

  std::string name_;
  std::string family_;
  int weight_ = 400;
  bool italic_ = false;
  double size_ = 17;
};

}  // namespace platform::graphics
