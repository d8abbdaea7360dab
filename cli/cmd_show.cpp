// zelko-cli show FILE [--json]: every stored value of a project, of any version or form.
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "coords/transform.h"
#include "document/any_project.h"
#include "document/color_text.h"
#include "document/numbers.h"

namespace zelko::cli {
namespace {

constexpr std::array<const char*, 5> kAngleChoices{"0度", "90度", "180度", "270度", "任意"};
const std::array<const char*, kMethodCount> kMethods = std::to_array(kMethodNames);
constexpr std::array<const char*, 7> kUnits{"pixels", "μm", "mm", "cm", "m", "km", "度"};
constexpr std::array<const char*, 3> kLineTypes{"曲線", "領域（閉曲線）", "点"};
constexpr std::array<char, 3> kLineLetters{'L', 'C', 'P'};

template <size_t N>
std::string Named(const std::array<const char*, N>& names, int index) {
  return index >= 0 && static_cast<size_t>(index) < N ? names[static_cast<size_t>(index)] : "?";
}

// Shortest text that reads back as the same value.
template <typename T>
std::string Number(T value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

// Control characters are escaped so that every value stays on its line; with quoting (JSON
// and quoted values) also quotes and backslashes.
std::string Escaped(const std::string& text, bool quoting) {
  std::string out;
  for (unsigned char c : text) {
    if (quoting && (c == '"' || c == '\\')) {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Quoted(const std::string& text) { return "\"" + Escaped(text, true) + "\""; }

std::string ColorText(TColor color) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", color);
  return ColorToText(color) + " (" + hex + ")";
}

// Output handed to stdout whenever a block has gathered: the text of a large project would take
// many times its memory.
class Out {
 public:
  Out() = default;
  Out(const Out&) = delete;
  ~Out() { Flush(); }
  Out& operator+=(const std::string& text) {
    buf_ += text;
    if (buf_.size() >= kBlock) Flush();
    return *this;
  }
  Out& operator+=(char c) { return *this += std::string(1, c); }
  void Flush() {
    std::fwrite(buf_.data(), 1, buf_.size(), stdout);
    buf_.clear();
  }

 private:
  static constexpr std::size_t kBlock = 1 << 16;
  std::string buf_;
};

// A JSON document built front to back; commas are placed by the nesting level.
class Json {
 public:
  explicit Json(Out& out) : out_(out) {}
  Json& Open(const char* key, char bracket) {
    Key(key);
    out_ += bracket;
    first_.push_back(true);
    return *this;
  }
  Json& Close(char bracket) {
    first_.pop_back();
    out_ += bracket;
    return *this;
  }
  Json& Raw(const char* key, const std::string& value) {
    Key(key);
    out_ += value;
    return *this;
  }
  Json& Str(const char* key, const std::string& value) { return Raw(key, Quoted(value)); }
  Json& Int(const char* key, long long value) { return Raw(key, std::to_string(value)); }
  Json& Bool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
  template <typename T>
  Json& Real(const char* key, T value) {
    return Raw(key, std::isfinite(value) ? Number(value) : Quoted(Number(value)));
  }
  Json& Null(const char* key) { return Raw(key, "null"); }

 private:
  // key is null inside arrays.
  void Key(const char* key) {
    if (!first_.empty()) {
      if (!first_.back()) out_ += ',';
      first_.back() = false;
    }
    if (key) out_ += Quoted(key) + ':';
  }
  Out& out_;
  std::vector<bool> first_;
};

void JsonFont(Json& j, const char* key, bool present, const FontData& font) {
  if (!present) {
    j.Null(key);
    return;
  }
  j.Open(key, '{')
      .Str("color", ColorToText(font.Color))
      .Str("name", font.Name)
      .Int("size", font.Size)
      .Int("charset", font.Charset)
      .Close('}');
}

void JsonLines(Json& j, const std::vector<TLine>& lines, bool withSort) {
  j.Open("groups", '[');
  for (const TLine& line : lines) {
    j.Open(nullptr, '{');
    if (withSort) j.Int("sort", line.Sort);
    j.Int("lineType", line.LineType).Open("points", '[');
    for (const TMarker& p : line.Points) {
      j.Open(nullptr, '{');
      if (withSort) j.Str("label", p.nm.str());
      j.Real("x", p.x).Real("y", p.y).Close('}');
    }
    j.Close(']').Close('}');
  }
  j.Close(']');
}

void BinaryJson(Out& out, const std::string& path, const ProjectData& d) {
  Json j(out);
  j.Open(nullptr, '{').Str("file", path).Str("form", "binary").Str("header", d.Header);
  j.Int("minorVersion", d.MinorVersion).Str("imagePath", d.ImagePath);
  j.Int("contrast", d.Contrast).Bool("contrastOn", d.ContrastOn);
  j.Int("red", d.Red).Int("green", d.Green).Int("blue", d.Blue).Bool("adjustRGB", d.AdjustRGB);
  j.Real("angle", d.Angle).Int("angleChoice", d.AngleChoice).Int("method", d.Method);
  j.Str("meshSize", d.MeshSize).Int("scaleUnit", d.ScaleUnit);
  j.Open("markers", '[');
  for (const MarkerRecord& m : d.Markers)
    j.Open(nullptr, '{')
        .Int("xTenths", m.XTenths)
        .Int("yTenths", m.YTenths)
        .Str("X", m.X)
        .Str("Y", m.Y)
        .Close('}');
  j.Close(']');
  j.Open("Cx", '[');
  for (double c : d.Cx) j.Real(nullptr, c);
  j.Close(']').Open("Cy", '[');
  for (double c : d.Cy) j.Real(nullptr, c);
  j.Close(']').Str("numDecimal", d.NumDecimal);
  JsonLines(j, d.Lines, true);
  if (d.HasCategories) {
    j.Open("categories", '[');
    for (const auto& name : d.Categories) j.Str(nullptr, name);
    j.Close(']');
  } else {
    j.Null("categories");
  }
  const SymbolColors& c = d.Colors;
  j.Open("colors", '{')
      .Str("clFrameMonitorImage", ColorToText(c.clFrameMonitorImage))
      .Str("clMarker", ColorToText(c.clMarker))
      .Str("clMarkerFontBackColor", ColorToText(c.clMarkerFontBackColor))
      .Str("clMesh", ColorToText(c.clMesh))
      .Str("clPresentPoint", ColorToText(c.clPresentPoint))
      .Str("clRegistPoints", ColorToText(c.clRegistPoints))
      .Str("clPlusArea", ColorToText(c.clPlusArea))
      .Str("clMinusArea", ColorToText(c.clMinusArea))
      .Str("clLine", ColorToText(c.clLine))
      .Close('}');
  const SymbolSizes& s = d.Sizes;
  j.Open("sizes", '{')
      .Int("FrameLineWidth", s.FrameLineWidth)
      .Int("GridLineWidth", s.GridLineWidth)
      .Int("MarkerSize", s.MarkerSize)
      .Int("MarkerLineWidth", s.MarkerLineWidth)
      .Int("RegistPointSize", s.RegistPointSize);
  if (d.HasPointLineWidth)
    j.Int("PointLineWidth", s.PointLineWidth);
  else
    j.Null("PointLineWidth");
  j.Close('}');
  JsonFont(j, "markerFont", d.HasMarkerFont, d.MarkerFont);
  JsonFont(j, "notesFont", d.HasNotesFont, d.NotesFont);
  if (d.HasNotes) {
    j.Open("notes", '[');
    for (const auto& line : d.Notes) j.Str(nullptr, line);
    j.Close(']');
  } else {
    j.Null("notes");
  }
  j.Close('}');
}

template <typename T, typename F>
void JsonOptional(Json& j, const char* key, const std::optional<T>& value, F put) {
  if (value)
    put(key, *value);
  else
    j.Null(key);
}

void KeyedTextJson(Out& out, const std::string& path, const KeyedTextProject& p) {
  Json j(out);
  auto intOpt = [&](const char* key, const std::optional<int>& v) {
    JsonOptional(j, key, v, [&](const char* k, int x) { j.Int(k, x); });
  };
  auto boolOpt = [&](const char* key, const std::optional<bool>& v) {
    JsonOptional(j, key, v, [&](const char* k, bool x) { j.Bool(k, x); });
  };
  auto strOpt = [&](const char* key, const std::optional<std::string>& v) {
    JsonOptional(j, key, v, [&](const char* k, const std::string& x) { j.Str(k, x); });
  };
  j.Open(nullptr, '{').Str("file", path).Str("form", "keyed text").Str("imageFile", p.ImageFile);
  intOpt("contrast", p.Contrast);
  boolOpt("contrastOn", p.ContrastOn);
  intOpt("red", p.Red);
  intOpt("green", p.Green);
  intOpt("blue", p.Blue);
  boolOpt("adjustRGB", p.AdjustRGB);
  strOpt("angle", p.Angle);
  intOpt("angleChoice", p.AngleChoice);
  j.Int("numMarkers", p.NumMarkers);
  intOpt("colCount", p.ColCount);
  intOpt("rowCount", p.RowCount);
  j.Open("cells", '[');
  for (const auto& [cell, text] : p.Cells)
    j.Open(nullptr, '{')
        .Int("col", cell.first)
        .Int("row", cell.second)
        .Str("text", text)
        .Close('}');
  j.Close(']');
  j.Int("method", p.Method);
  strOpt("meshSize", p.MeshSize);
  intOpt("scaleUnit", p.ScaleUnit);
  j.Str("coefficientSection", p.CoefficientSection).Int("numParameters", p.NumParameters);
  for (const auto* axis : {&p.Cx, &p.Cy}) {
    j.Open(axis == &p.Cx ? "Cx" : "Cy", '[');
    for (const auto& c : *axis) {
      if (c)
        j.Real(nullptr, *c);
      else
        j.Null(nullptr);
    }
    j.Close(']');
  }
  strOpt("numDecimal", p.NumDecimal);
  JsonLines(j, p.Lines, false);
  j.Close('}');
}

// ---------------------------------------------------------------------------------------------

std::string OnOff(bool on) { return on ? "on" : "off"; }

void PrintLines(Out& out, const std::vector<TLine>& lines, bool withSort) {
  out += "groups: " + std::to_string(lines.size()) + "\n";
  for (size_t g = 0; g < lines.size(); ++g) {
    const TLine& line = lines[g];
    out += "  ";
    out += line.LineType < 3 ? kLineLetters[line.LineType] : '?';
    out += std::to_string(g + 1) + ": " + Named(kLineTypes, line.LineType);
    if (withSort) out += ", category " + std::to_string(line.Sort + 1);
    out += ", " + std::to_string(line.Points.size()) + " points\n";
    for (size_t p = 0; p < line.Points.size(); ++p)
      out += "    " +
             (line.Points[p].nm.empty() ? std::to_string(p + 1) : line.Points[p].nm.str()) + ": " +
             Number(line.Points[p].x) + ", " + Number(line.Points[p].y) + "\n";
  }
}

std::string FontText(bool present, const FontData& font) {
  if (!present) return "(not in the file)";
  return Quoted(font.Name) + " " + std::to_string(font.Size) + " pt, character set " +
         std::to_string(font.Charset) + ", colour " + ColorText(font.Color);
}

void BinaryText(Out& out, const std::string& path, const ProjectData& d) {
  out += "file: " + path + "\n";
  out += "form: binary, header " + Quoted(d.Header) + " (version 2." +
         std::to_string(d.MinorVersion) + ")\n";
  out += "image path: " + Quoted(d.ImagePath) + "\n";
  out += "contrast: " + std::to_string(d.Contrast) + ", " + OnOff(d.ContrastOn) + "\n";
  out += "colour balance: red " + std::to_string(d.Red) + ", green " + std::to_string(d.Green) +
         ", blue " + std::to_string(d.Blue) + ", correction " + OnOff(d.AdjustRGB) + "\n";
  out += "rotation: angle " + FormatGeneral15(d.Angle) + ", choice " +
         std::to_string(d.AngleChoice) + " " + Named(kAngleChoices, d.AngleChoice) + "\n";
  out += "method: " + std::to_string(d.Method) + " " + Named(kMethods, d.Method) + "\n";
  out += "grid spacing: " + Quoted(d.MeshSize) + "\n";
  out += "unit: " + std::to_string(d.ScaleUnit) + " " + Named(kUnits, d.ScaleUnit) + "\n";
  out += "markers: " + std::to_string(d.Markers.size()) + "\n";
  for (size_t i = 0; i < d.Markers.size(); ++i) {
    const MarkerRecord& m = d.Markers[i];
    out += "  " + std::to_string(i + 1) + ": x " + MarkerTextFromTenths(m.XTenths) + ", y " +
           MarkerTextFromTenths(m.YTenths) + ", X " + Quoted(m.X) + ", Y " + Quoted(m.Y) + "\n";
  }
  out += "coefficients: " + std::to_string(d.Cx.size()) + "\n";
  for (size_t i = 0; i < d.Cx.size(); ++i)
    out += "  " + std::to_string(i) + ": Cx " + Number(d.Cx[i]) + ", Cy " + Number(d.Cy[i]) + "\n";
  out += "decimal places: " + Quoted(d.NumDecimal) + "\n";
  PrintLines(out, d.Lines, true);
  if (d.HasCategories) {
    out += "categories: " + std::to_string(d.Categories.size()) + "\n";
    for (size_t i = 0; i < d.Categories.size(); ++i)
      out += "  " + std::to_string(i + 1) + ": " + Quoted(d.Categories[i]) + "\n";
  } else {
    out += "categories: (not in the file)\n";
  }
  const SymbolColors& c = d.Colors;
  out += "colours:\n";
  out += "  frame: " + ColorText(c.clFrameMonitorImage) + "\n";
  out += "  marker: " + ColorText(c.clMarker) + "\n";
  out += "  marker label background: " + ColorText(c.clMarkerFontBackColor) + "\n";
  out += "  grid: " + ColorText(c.clMesh) + "\n";
  out += "  current point: " + ColorText(c.clPresentPoint) + "\n";
  out += "  registered points: " + ColorText(c.clRegistPoints) + "\n";
  out += "  positive area: " + ColorText(c.clPlusArea) + "\n";
  out += "  negative area: " + ColorText(c.clMinusArea) + "\n";
  out += "  line: " + ColorText(c.clLine) + "\n";
  const SymbolSizes& s = d.Sizes;
  out += "sizes: frame line " + std::to_string(s.FrameLineWidth) + ", grid line " +
         std::to_string(s.GridLineWidth) + ", marker " + std::to_string(s.MarkerSize) +
         ", marker line " + std::to_string(s.MarkerLineWidth) + ", registered point " +
         std::to_string(s.RegistPointSize) + ", point line " +
         (d.HasPointLineWidth ? std::to_string(s.PointLineWidth) : "(not in the file)") + "\n";
  out += "marker font: " + FontText(d.HasMarkerFont, d.MarkerFont) + "\n";
  out += "notes font: " + FontText(d.HasNotesFont, d.NotesFont) + "\n";
  if (d.HasNotes) {
    out += "notes: " + std::to_string(d.Notes.size()) + " lines\n";
    for (const auto& line : d.Notes) out += "  | " + Escaped(line, false) + "\n";
  } else {
    out += "notes: (not in the file)\n";
  }
}

template <typename T, typename F>
std::string OrMissing(const std::optional<T>& value, F text) {
  return value ? text(*value) : std::string("(missing)");
}

void KeyedTextText(Out& out, const std::string& path, const KeyedTextProject& p) {
  auto num = [](int v) { return std::to_string(v); };
  auto onOff = [](bool v) { return OnOff(v); };
  auto quoted = [](const std::string& v) { return Quoted(v); };
  out += "file: " + path + "\n";
  out += "form: keyed text\n";
  out += "image file: " + Quoted(p.ImageFile) + "\n";
  out += "contrast: " + OrMissing(p.Contrast, num) + ", " + OrMissing(p.ContrastOn, onOff) + "\n";
  out += "colour balance: red " + OrMissing(p.Red, num) + ", green " + OrMissing(p.Green, num) +
         ", blue " + OrMissing(p.Blue, num) + ", correction " + OrMissing(p.AdjustRGB, onOff) +
         "\n";
  out += "rotation: angle " + OrMissing(p.Angle, quoted) + ", choice " +
         OrMissing(p.AngleChoice, num) + "\n";
  out += "markers: " + std::to_string(p.NumMarkers) + ", table " + OrMissing(p.ColCount, num) +
         " columns × " + OrMissing(p.RowCount, num) + " rows\n";
  for (const auto& [cell, text] : p.Cells)
    out += "  C" + std::to_string(cell.first) + "R" + std::to_string(cell.second) + ": " +
           Quoted(text) + "\n";
  out += "method: " + std::to_string(p.Method) + " " + Named(kMethods, p.Method) + "\n";
  out += "grid spacing: " + OrMissing(p.MeshSize, quoted) + "\n";
  out += "unit: " +
         OrMissing(p.ScaleUnit, [](int u) { return std::to_string(u) + " " + Named(kUnits, u); }) +
         "\n";
  out += "coefficients: " + std::to_string(p.NumParameters) + " (section " + p.CoefficientSection +
         ")\n";
  auto real = [](double v) { return Number(v); };
  for (size_t i = 0; i < p.Cx.size(); ++i)
    out += "  " + std::to_string(i) + ": Cx " + OrMissing(p.Cx[i], real) + ", Cy " +
           OrMissing(p.Cy[i], real) + "\n";
  out += "decimal places: " + OrMissing(p.NumDecimal, quoted) + "\n";
  PrintLines(out, p.Lines, false);
}

int Show(const std::vector<std::string>& args) {
  std::string path;
  bool json = false;
  for (const auto& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (path.empty() && !arg.empty() && arg[0] != '-') {
      path = arg;
    } else {
      path.clear();
      break;
    }
  }
  if (path.empty()) {
    std::fprintf(stderr, "usage: zelko-cli show FILE [--json]\n");
    return 2;
  }
  const AnyProjectResult r = ReadAnyProjectFile(path);
  if (!r.Ok) {
    std::fprintf(stderr, "zelko-cli show: %s\n", r.Error.Text().c_str());
    return 1;
  }
  {
    Out out;
    if (r.Form == ProjectForm::Binary && json)
      BinaryJson(out, path, r.Binary);
    else if (r.Form == ProjectForm::Binary)
      BinaryText(out, path, r.Binary);
    else if (json)
      KeyedTextJson(out, path, r.KeyedText);
    else
      KeyedTextText(out, path, r.KeyedText);
    if (json) out += '\n';
  }
  return 0;  // the output is checked once the command is done
}

CommandRegistrar reg("show", &Show, "show FILE [--json]   print every stored value of a project");

}  // namespace
}  // namespace zelko::cli
