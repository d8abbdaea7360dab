#include "render/symbols.h"

#include <QPalette>

namespace zelko {

void ApplyDefaultSymbols(SymbolSettings& s) {
  const QFont font = s.MarkerFont;
  s = SymbolSettings{};
  s.MarkerFont = font;
  s.MarkerFont.setFamily(QString::fromUtf8("ＭＳ ゴシック"));
  s.MarkerFont.setPointSize(11);
  s.MarkerFontColor = 0x000000;
  s.MarkerFontCharset = 128;
}

QColor ToQColor(TColor c) {
  if ((c & 0xFF000000u) == 0xFF000000u) {
    // System colours: the few that matter map onto the palette; the rest show grey.
    switch (c & 0xFF) {
      case 5:
        return QPalette().color(QPalette::Base);
      case 8:
        return QPalette().color(QPalette::Text);
      case 15:
        return QPalette().color(QPalette::Button);
      default:
        return QColor(128, 128, 128);
    }
  }
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

TColor FromQColor(const QColor& c) {
  return static_cast<TColor>(c.red()) | (static_cast<TColor>(c.green()) << 8) |
         (static_cast<TColor>(c.blue()) << 16);
}

FontData ToFontData(const QFont& f, TColor color, int charset) {
  FontData d;
  d.Color = color;
  d.Name = f.family().toStdString();
  d.Size = f.pointSize() > 0 ? f.pointSize() : 10;
  d.Charset = charset;
  return d;
}

QFont FromFontData(const FontData& d) {
  QFont f;
  f.setFamily(QString::fromStdString(d.Name));
  if (d.Size > 0) f.setPointSize(d.Size);
  return f;
}

}  // namespace zelko
