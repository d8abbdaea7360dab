#include "document/project_file.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <stdexcept>

#include "document/color_text.h"
#include "document/cp932.h"
#include "document/file_io.h"
#include "document/numbers.h"

namespace zelko {
namespace {

static_assert(sizeof(kProjectHeader) - 1 == kProjectHeaderSize);

// The extension block of a 2.9 file: a mark, tagged items with their lengths, an end tag.
constexpr char kExtensionMark[] = "ZXT1";
constexpr std::uint16_t kExtensionEnd = 0;
constexpr std::uint16_t kExtensionClickPrecision = 1;  // F64, pixels
// A coordinate reference system would take tag 2.

// ---------------------------------------------------------------------------------------------
// Writing

struct WriteError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class ByteWriter {
 public:
  void U8(long long value, const std::string& what) {
    if (value < 0 || value > 0xFF)
      throw WriteError(what + " " + std::to_string(value) + " does not fit 0 to 255");
    out_.push_back(static_cast<char>(value));
  }
  void U16(long long value, const std::string& what) {
    if (value < 0 || value > 0xFFFF)
      throw WriteError(what + " " + std::to_string(value) + " does not fit 0 to 65535");
    out_.push_back(static_cast<char>(value & 0xFF));
    out_.push_back(static_cast<char>(value >> 8));
  }
  void U32(std::size_t value, const std::string& what) {
    if (value > 0xFFFFFFFFu) throw WriteError(what + " does not fit 32 bits");
    Raw(value, 4);
  }
  void Bool(bool value) { out_.push_back(value ? 1 : 0); }
  void F32(float value) { Raw(std::bit_cast<std::uint32_t>(value), 4); }
  void F64(double value) { Raw(std::bit_cast<std::uint64_t>(value), 8); }
  void Text(const std::string& utf8, const std::string& what) {
    const std::string bytes = Utf8ToCp932(utf8);
    if (bytes.size() > 0xFFFF) throw WriteError(what + " is longer than 65535 bytes");
    U16(static_cast<long long>(bytes.size()), what);
    out_ += bytes;
  }
  void Color(TColor color, const std::string& what) { Text(ColorToText(color), what); }
  void Font(const FontData& font, const std::string& what) {
    Color(font.Color, what + " colour");
    Text(font.Name, what + " name");
    U8(font.Size, what + " size");
    U8(font.Charset, what + " character set");
  }
  void Bytes(std::string_view bytes) { out_.append(bytes); }
  std::string Take() { return std::move(out_); }

 private:
  void Raw(std::uint64_t bits, int count) {
    for (int i = 0; i < count; ++i) out_.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
  }
  std::string out_;
};

float NarrowPoint(double value, const std::string& what) {
  if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
    throw WriteError(what + " does not fit single precision");
  return static_cast<float>(value);
}

void CheckChoice(int value, int last, const std::string& what) {
  if (value < 0 || value > last)
    throw WriteError(what + " " + std::to_string(value) + " is not 0 to " + std::to_string(last));
}

void CheckClickPrecision(double value, const std::function<void(const std::string&)>& refuse) {
  if (!(value > 0 && value <= kMaxClickPrecision))
    refuse("click precision " + FormatGeneral15(value) + " is not above 0 and at most " +
           FormatGeneral15(kMaxClickPrecision) + " pixels");
}

// The items of a 2.9 file after the notes: the mark, then for each item its tag (2 bytes), its
// length (4 bytes) and its bytes, then the end tag. Only items that differ from their defaults
// are written, and none at all when none does, so a file without them is what earlier versions
// of 2.9 wrote.
void WriteExtensions(ByteWriter& w, const ProjectData& d) {
  std::vector<std::pair<std::uint16_t, std::string>> items;
  if (d.ClickPrecision != kDefaultClickPrecision) {
    CheckClickPrecision(d.ClickPrecision, [](const std::string& m) { throw WriteError(m); });
    ByteWriter item;
    item.F64(d.ClickPrecision);
    items.emplace_back(kExtensionClickPrecision, item.Take());
  }
  if (items.empty()) return;
  w.Bytes(std::string_view(kExtensionMark, sizeof kExtensionMark - 1));
  for (const auto& [tag, bytes] : items) {
    w.U16(tag, "extension tag");
    w.U32(bytes.size(), "extension length");
    w.Bytes(bytes);
  }
  w.U16(kExtensionEnd, "extension end");
}

std::string Serialize(const ProjectData& d) {
  ByteWriter w;
  if (ProjectNeeds29(d)) {
    std::string header(kProjectHeader29);
    header.resize(kProjectHeaderSize, '\0');
    w.Bytes(header);
  } else {
    w.Bytes(std::string_view(kProjectHeader, kProjectHeaderSize));
  }
  // Other texts may lose a character; a path that loses one names a file that is not there.
  if (!FitsCp932(d.ImagePath))
    throw WriteError("the image path " + d.ImagePath + " has characters CP932 cannot hold");
  w.Text(d.ImagePath, "image path");
  w.U16(d.Contrast, "contrast");
  w.Bool(d.ContrastOn);
  w.U16(d.Red, "red");
  w.U16(d.Green, "green");
  w.U16(d.Blue, "blue");
  w.Bool(d.AdjustRGB);
  w.F32(d.Angle);
  CheckChoice(d.AngleChoice, 4, "angle choice");
  w.U8(d.AngleChoice, "angle choice");
  CheckChoice(d.Method, kLastMethod, "transformation method");
  w.U8(d.Method, "transformation method");
  w.Text(d.MeshSize, "grid spacing");
  CheckChoice(d.ScaleUnit, 6, "scale unit");
  w.U8(d.ScaleUnit, "scale unit");

  w.U16(static_cast<long long>(d.Markers.size()), "marker count");
  for (size_t i = 0; i < d.Markers.size(); ++i) {
    const auto& m = d.Markers[i];
    const std::string what = "marker " + std::to_string(i + 1);
    w.U16(m.XTenths, what + " x");
    w.U16(m.YTenths, what + " y");
    w.Text(m.X, what + " X");
    w.Text(m.Y, what + " Y");
  }

  if (d.Cx.size() != d.Cy.size()) throw WriteError("Cx and Cy differ in length");
  w.U8(static_cast<long long>(d.Cx.size()), "coefficient count");
  for (size_t i = 0; i < d.Cx.size(); ++i) {
    w.F64(d.Cx[i]);
    w.F64(d.Cy[i]);
  }
  w.Text(d.NumDecimal, "decimal places");

  size_t groupCount = 0;
  for (const auto& line : d.Lines)
    if (line.NumPoints > 0) ++groupCount;
  w.U16(static_cast<long long>(groupCount), "group count");
  for (size_t g = 0; g < d.Lines.size(); ++g) {
    const TLine& line = d.Lines[g];
    if (line.NumPoints <= 0) continue;
    const std::string what = "group " + std::to_string(g + 1);
    if (static_cast<size_t>(line.NumPoints) > line.Points.size())
      throw WriteError(what + " has fewer points than its point count");
    CheckChoice(line.LineType, 2, what + " line type");
    w.U16(line.Sort, what + " category");
    w.U8(line.LineType, what + " line type");
    w.U16(line.NumPoints, what + " point count");
    for (int p = 0; p < line.NumPoints; ++p) {
      const TMarker& point = line.Points[static_cast<size_t>(p)];
      const std::string pointWhat = what + " point " + std::to_string(p + 1);
      w.Text(point.nm.str(), pointWhat + " label");
      w.F32(NarrowPoint(point.x, pointWhat + " x"));
      w.F32(NarrowPoint(point.y, pointWhat + " y"));
    }
  }

  w.U16(static_cast<long long>(d.Categories.size()), "category count");
  for (size_t i = 0; i < d.Categories.size(); ++i)
    w.Text(d.Categories[i], "category " + std::to_string(i + 1));

  const SymbolColors& c = d.Colors;
  w.Color(c.clFrameMonitorImage, "frame colour");
  w.Color(c.clMarker, "marker colour");
  w.Color(c.clMarkerFontBackColor, "marker label background colour");
  w.Color(c.clMesh, "grid colour");
  w.Color(c.clPresentPoint, "current point colour");
  w.Color(c.clRegistPoints, "registered point colour");
  w.Color(c.clPlusArea, "positive area colour");
  w.Color(c.clMinusArea, "negative area colour");
  w.Color(c.clLine, "line colour");
  const SymbolSizes& s = d.Sizes;
  w.U8(s.FrameLineWidth, "frame line width");
  w.U8(s.GridLineWidth, "grid line width");
  w.U8(s.MarkerSize, "marker size");
  w.U8(s.MarkerLineWidth, "marker line width");
  w.U8(s.RegistPointSize, "registered point size");
  w.U8(s.PointLineWidth, "point line width");
  w.Font(d.MarkerFont, "marker font");
  w.Font(d.NotesFont, "notes font");
  w.U16(static_cast<long long>(d.Notes.size()), "notes line count");
  for (size_t i = 0; i < d.Notes.size(); ++i)
    w.Text(d.Notes[i], "notes line " + std::to_string(i + 1));
  if (ProjectNeeds29(d)) WriteExtensions(w, d);
  return w.Take();
}

// ---------------------------------------------------------------------------------------------
// Reading

struct ReadError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The data ends before the value being read.
struct OutOfData {};

class ByteReader {
 public:
  explicit ByteReader(std::string_view data) : data_(data) {}

  size_t Remaining() const { return data_.size() - pos_; }
  std::uint8_t U8() {
    Need(1);
    return static_cast<std::uint8_t>(data_[pos_++]);
  }
  std::uint16_t U16() {
    Need(2);
    const auto lo = static_cast<std::uint8_t>(data_[pos_]);
    const auto hi = static_cast<std::uint8_t>(data_[pos_ + 1]);
    pos_ += 2;
    return static_cast<std::uint16_t>(lo | (hi << 8));
  }
  void Skip(size_t n) {
    Need(n);
    pos_ += n;
  }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Raw(4)); }
  std::string_view Bytes(size_t n) {
    Need(n);
    const std::string_view bytes = data_.substr(pos_, n);
    pos_ += n;
    return bytes;
  }
  float F32() { return std::bit_cast<float>(static_cast<std::uint32_t>(Raw(4))); }
  double F64() { return std::bit_cast<double>(Raw(8)); }
  std::string Text() {
    const std::uint16_t count = U16();
    Need(count);
    const std::string_view bytes = data_.substr(pos_, count);
    pos_ += count;
    return Cp932ToUtf8(bytes);
  }
  // Refuses a count whose records cannot fit in what is left, before anything is allocated.
  void CheckCount(size_t count, size_t minRecordSize, const std::string& what) const {
    if (count > Remaining() / minRecordSize)
      throw ReadError(what + " " + std::to_string(count) + " is more than the file holds");
  }

 private:
  void Need(size_t n) const {
    if (Remaining() < n) throw OutOfData{};
  }
  std::uint64_t Raw(int count) {
    Need(static_cast<size_t>(count));
    std::uint64_t bits = 0;
    for (int i = 0; i < count; ++i)
      bits |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(data_[pos_ + i])) << (8 * i);
    pos_ += static_cast<size_t>(count);
    return bits;
  }

  std::string_view data_;
  size_t pos_ = 0;
};

TColor ReadColor(ByteReader& r, const std::string& what) {
  const std::string text = r.Text();
  const auto color = ColorFromText(text);
  if (!color) throw ReadError(what + " '" + text + "' is no colour");
  return *color;
}

FontData ReadFont(ByteReader& r, const std::string& what) {
  FontData font;
  font.Color = ReadColor(r, what + " colour");
  font.Name = r.Text();
  font.Size = r.U8();
  font.Charset = r.U8();
  return font;
}

void CheckRange(int value, int last, const std::string& what) {
  if (value > last)
    throw ReadError(what + " " + std::to_string(value) + " is not 0 to " + std::to_string(last));
}

double FinitePoint(float value, size_t group, size_t point, const char* axis) {
  if (!std::isfinite(value))
    throw ReadError("group " + std::to_string(group + 1) + " point " + std::to_string(point + 1) +
                    " " + axis + " is not a finite number");
  return value;
}

// The points of the groups in all, counted over the group records without keeping any; stops
// where the data ends, which the reading proper then reports.
size_t CountGroupPoints(ByteReader r, size_t groupCount, bool withSort, size_t limit) {
  size_t total = 0;
  try {
    for (size_t g = 0; g < groupCount && total <= limit; ++g) {
      r.Skip(withSort ? 3 : 1);
      const size_t pointCount = r.U16();
      total += pointCount;
      for (size_t p = 0; p < pointCount && total <= limit; ++p) r.Skip(r.U16() + size_t{8});
    }
  } catch (const OutOfData&) {
  }
  return total;
}

struct Layout {
  bool sort = true;
  bool categories = true;
  bool pointLineWidth = true;
  bool completeTail = true;  // the trailing fonts and notes must be there
  int lastMethod = kLastMethod281;
};

// The block WriteExtensions writes. Items this version does not know are passed over by their
// length, so that a later version's items leave the rest readable; a known item must have its
// length and a sound value, and each may appear once.
void ReadExtensions(ByteReader& r, ProjectData& d) {
  if (r.Bytes(sizeof kExtensionMark - 1) != kExtensionMark)
    throw ReadError("unexpected data after the notes");
  bool clickPrecision = false;
  for (;;) {
    const std::uint16_t tag = r.U16();
    if (tag == kExtensionEnd) break;
    const std::uint32_t length = r.U32();
    if (length > r.Remaining())
      throw ReadError("extension item " + std::to_string(tag) + " is longer than the file");
    ByteReader item(r.Bytes(length));
    if (tag != kExtensionClickPrecision) continue;
    if (clickPrecision || length != 8)
      throw ReadError(clickPrecision ? "the click precision is given twice"
                                     : "the click precision item has " + std::to_string(length) +
                                           " bytes instead of 8");
    clickPrecision = true;
    d.ClickPrecision = item.F64();
    CheckClickPrecision(d.ClickPrecision, [](const std::string& m) { throw ReadError(m); });
  }
  if (r.Remaining() > 0) throw ReadError("unexpected data after the extensions");
}

// The body after the header; `where` names the part being read for the message on running out.
void ParseBody(ByteReader& r, const Layout& layout, ProjectData& d, std::string& where,
               size_t maxPoints) {
  where = "the image path";
  d.ImagePath = r.Text();
  where = "the image adjustment";
  d.Contrast = r.U16();
  d.ContrastOn = r.U8() == 1;
  d.Red = r.U16();
  d.Green = r.U16();
  d.Blue = r.U16();
  d.AdjustRGB = r.U8() == 1;
  d.Angle = r.F32();
  if (!std::isfinite(d.Angle)) throw ReadError("the rotation angle is not a finite number");
  d.AngleChoice = r.U8();
  CheckRange(d.AngleChoice, 4, "angle choice");
  where = "the grid settings";
  d.Method = r.U8();
  CheckRange(d.Method, layout.lastMethod, "transformation method");
  d.MeshSize = r.Text();
  d.ScaleUnit = r.U8();
  CheckRange(d.ScaleUnit, 6, "scale unit");

  where = "the markers";
  const size_t markerCount = r.U16();
  r.CheckCount(markerCount, 8, "marker count");
  d.Markers.resize(markerCount);
  for (auto& m : d.Markers) {
    m.XTenths = r.U16();
    m.YTenths = r.U16();
    m.X = r.Text();
    m.Y = r.Text();
  }

  where = "the coefficients";
  const size_t coefficientCount = r.U8();
  r.CheckCount(coefficientCount, 16, "coefficient count");
  d.Cx.resize(coefficientCount);
  d.Cy.resize(coefficientCount);
  for (size_t i = 0; i < coefficientCount; ++i) {
    d.Cx[i] = r.F64();
    d.Cy[i] = r.F64();
  }
  d.NumDecimal = r.Text();

  where = "the groups";
  const size_t groupCount = r.U16();
  r.CheckCount(groupCount, layout.sort ? 5 : 3, "group count");
  if (CountGroupPoints(r, groupCount, layout.sort, maxPoints) > maxPoints)
    throw ReadError(TooManyPointsError(maxPoints));
  d.Lines.resize(groupCount);
  for (size_t g = 0; g < groupCount; ++g) {
    TLine& line = d.Lines[g];
    const std::string what = "group " + std::to_string(g + 1);
    line.Sort = layout.sort ? r.U16() : 0;
    line.LineType = r.U8();
    CheckRange(line.LineType, 2, what + " line type");
    const size_t pointCount = r.U16();
    r.CheckCount(pointCount, 10, what + " point count");
    line.NumPoints = static_cast<std::int32_t>(pointCount);
    line.Points.resize(pointCount);
    for (size_t p = 0; p < pointCount; ++p) {
      TMarker& point = line.Points[p];
      r.Text();  // the stored label is not kept: points are numbered afresh
      point.nm = PointLabel::Number(static_cast<std::uint32_t>(p + 1));
      point.x = FinitePoint(r.F32(), g, p, "x");
      point.y = FinitePoint(r.F32(), g, p, "y");
    }
  }

  where = "the categories";
  d.HasCategories = layout.categories;
  d.Categories.clear();
  if (layout.categories) {
    const size_t categoryCount = r.U16();
    r.CheckCount(categoryCount, 2, "category count");
    d.Categories.resize(categoryCount);
    for (auto& name : d.Categories) name = r.Text();
  } else {
    d.Categories = ProjectData().Categories;
  }

  where = "the symbol colours";
  SymbolColors& c = d.Colors;
  c.clFrameMonitorImage = ReadColor(r, "frame colour");
  c.clMarker = ReadColor(r, "marker colour");
  c.clMarkerFontBackColor = ReadColor(r, "marker label background colour");
  c.clMesh = ReadColor(r, "grid colour");
  c.clPresentPoint = ReadColor(r, "current point colour");
  c.clRegistPoints = ReadColor(r, "registered point colour");
  c.clPlusArea = ReadColor(r, "positive area colour");
  c.clMinusArea = ReadColor(r, "negative area colour");
  c.clLine = ReadColor(r, "line colour");
  where = "the symbol sizes";
  SymbolSizes& s = d.Sizes;
  s.FrameLineWidth = r.U8();
  s.GridLineWidth = r.U8();
  s.MarkerSize = r.U8();
  s.MarkerLineWidth = r.U8();
  s.RegistPointSize = r.U8();
  d.HasPointLineWidth = layout.pointLineWidth;
  if (layout.pointLineWidth) s.PointLineWidth = r.U8();

  // Older files may stop anywhere in the fonts and notes: keep the complete blocks read so far.
  d.HasMarkerFont = d.HasNotesFont = d.HasNotes = false;
  d.Notes.clear();
  try {
    where = "the marker font";
    d.MarkerFont = ReadFont(r, "marker font");
    d.HasMarkerFont = true;
    where = "the notes font";
    d.NotesFont = ReadFont(r, "notes font");
    d.HasNotesFont = true;
    where = "the notes";
    const size_t lineCount = r.U16();
    d.HasNotes = true;
    if (layout.completeTail) r.CheckCount(lineCount, 2, "notes line count");
    d.Notes.reserve(std::min(lineCount, r.Remaining() / 2));
    for (size_t i = 0; i < lineCount; ++i) d.Notes.push_back(r.Text());
  } catch (const OutOfData&) {
    if (layout.completeTail) throw;
    if (!d.HasMarkerFont) d.MarkerFont = DefaultMarkerFont();
    if (!d.HasNotesFont) d.NotesFont = DefaultNotesFont();
  }
  d.ClickPrecision = kDefaultClickPrecision;
  if (layout.lastMethod == kLastMethod && r.Remaining() > 0) {
    where = "the extensions";
    ReadExtensions(r, d);
  }
}

}  // namespace

std::optional<std::string> SerializeProject(const ProjectData& data, Failure* failure) {
  try {
    return Serialize(data);
  } catch (const WriteError& e) {
    if (failure) *failure = Failure{FailureKind::Unwritable, "", 0, e.what()};
  }
  return std::nullopt;
}

bool WriteProjectFile(const std::string& path, const ProjectData& data, Failure* failure) {
  const auto bytes = SerializeProject(data, failure);
  if (!bytes && failure) failure->Path = path;
  return bytes && WriteFileAtomically(path, *bytes, failure);
}

namespace {

std::string_view HeaderText(std::string_view bytes) {
  std::string_view header = bytes.substr(0, std::min(bytes.size(), kProjectHeaderSize));
  if (const auto zero = header.find('\0'); zero != std::string_view::npos)
    header = header.substr(0, zero);
  return header;
}

}  // namespace

bool IsBinaryProjectHeader(std::string_view bytes) {
  const std::string_view header = HeaderText(bytes);
  return header.find("Zelko Version 2.9") != std::string_view::npos ||
         header.find("Zelko Version 2.8") != std::string_view::npos ||
         header.find("Zelko Version 2.7") != std::string_view::npos ||
         header.find("Zelko Version 2.2") != std::string_view::npos;
}

bool IsBinaryProjectFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[kProjectHeaderSize] = {};
  in.read(head, sizeof head);
  return IsBinaryProjectHeader(std::string_view(head, static_cast<std::size_t>(in.gcount())));
}

ProjectReadResult ParseProject(std::string_view bytes, std::size_t maxPoints) {
  ProjectReadResult result;
  const std::string_view header = HeaderText(bytes);
  if (!IsBinaryProjectHeader(bytes)) {
    result.Status = ProjectReadStatus::NotProject;
    result.Error = {FailureKind::NotProject, "", 0, "not a binary Zelko project"};
    return result;
  }
  ProjectData& d = result.Data;
  d.Header = Cp932ToUtf8(header);
  const char minor = header.size() > 16 ? header[16] : ' ';
  d.MinorVersion = minor >= '0' && minor <= '9' ? minor - '0' : 0;
  if (bytes.size() < kProjectHeaderSize) {
    result.Error = {FailureKind::Damaged, "", 0, "the file ends inside the header"};
    return result;
  }
  if (d.MinorVersion != 9 && d.MinorVersion != 8 && d.MinorVersion != 7 && d.MinorVersion != 2) {
    result.Error = {FailureKind::Damaged, "", 0,
                    "unknown version in the header '" + d.Header + "'"};
    return result;
  }

  Layout layout;
  layout.sort = layout.categories = d.MinorVersion >= 7;
  layout.pointLineWidth = d.MinorVersion >= 8;
  layout.completeTail =
      header.find("Zelko Version 2.8.1") != std::string_view::npos || d.MinorVersion == 9;
  if (d.MinorVersion == 9) layout.lastMethod = kLastMethod;

  ByteReader reader(bytes.substr(kProjectHeaderSize));
  std::string where;
  try {
    ParseBody(reader, layout, d, where, maxPoints);
  } catch (const OutOfData&) {
    result.Error = {FailureKind::Damaged, "", 0, "the file ends inside " + where};
    return result;
  } catch (const ReadError& e) {
    result.Error = {FailureKind::Damaged, "", 0, e.what()};
    return result;
  }
  result.Status = ProjectReadStatus::Ok;
  return result;
}

ProjectReadResult ReadProjectFile(const std::string& path) {
  std::string bytes;
  ProjectReadResult result;
  if (!ReadFileBytes(path, &bytes, &result.Error)) return result;
  result = ParseProject(bytes);
  if (result.Error.Failed()) result.Error.Path = path;
  return result;
}

}  // namespace zelko
