// The look of the overlays: nine colours, six widths and sizes and the marker font.
#pragma once

#include <QColor>
#include <QFont>

#include "document/records.h"

namespace zelko {

struct SymbolSettings {
  TColor clFrameMonitorImage = 0x0000FF;
  TColor clMarker = 0x0000FF;
  TColor clMesh = 0x000000;
  TColor clPresentPoint = 0x00FFFF;
  TColor clRegistPoints = 0x0000FF;
  TColor clPlusArea = 0x0000FF;
  TColor clMinusArea = 0xFF0000;
  TColor clLine = 0x0000FF;
  TColor clMarkerFontBackColor = 0xFFFFFF;
  int FrameLineWidth = 1;
  int GridLineWidth = 1;
  int MarkerLineWidth = 1;
  int PointLineWidth = 1;
  int MarkerSize = 4;
  int RegistPointSize = 2;
  QFont MarkerFont;
  int MarkerFontCharset = 128;
  TColor MarkerFontColor = 0x000000;
};

// The defaults of a new document; the marker font becomes black "ＭＳ ゴシック" 11 points.
void ApplyDefaultSymbols(SymbolSettings& s);

// TColor (0x00BBGGRR, system colours 0xFF0000nn) to a displayable colour.
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

// The font as data (colour, face, size, character set; no style) and back.
FontData ToFontData(const QFont& f, TColor color, int charset);
QFont FromFontData(const FontData& d);

}  // namespace zelko
