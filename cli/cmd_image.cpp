// zelko-cli image: builds the working image of a photo exactly as the window does and writes it;
// from a project, also georeferenced (a world file and .prj beside the picture) or rectified
// onto the map as a GeoTIFF.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "coords/crs.h"
#include "coords/transform.h"
#include "document/file_io.h"
#include "document/image_path.h"
#include "document/numbers.h"
#include "document/project_file.h"
#include "imaging/georeference.h"
#include "imaging/geotiff_writer.h"
#include "imaging/image_file.h"
#include "imaging/rectify.h"
#include "imaging/working_image.h"
#include "measure/formats.h"
#include "measure/project_tables.h"

namespace zelko::cli {
namespace {

constexpr int kMetreUnit = 4;  // "m" in the unit list

constexpr char kUsage[] =
    "image IN [--contrast STRENGTH] [--rgb R,G,B] [--angle DEG] [--factor F] -o OUT.bmp|OUT.jpg\n"
    "       image PROJECT.pqs [those options] --georeference --crs EPSG:CODE -o OUT.bmp|OUT.jpg\n"
    "       image PROJECT.pqs --rectify RESOLUTION|auto --crs EPSG:CODE -o OUT.tif";

int BadArguments(const std::string& why) {
  std::fprintf(stderr, "zelko-cli image: %s\nusage: zelko-cli %s\n", why.c_str(), kUsage);
  return 2;
}

std::optional<int> IntegerIn(const std::string& text, int lo, int hi) {
  const auto v = TryParseInteger(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return static_cast<int>(*v);
}

void Say(const std::string& text) { std::fprintf(stderr, "zelko-cli image: %s\n", text.c_str()); }

// The stored adjustment of a project, as the window applies it on opening.
WorkingImageSettings ProjectSettings(const ProjectData& d) {
  WorkingImageSettings s;
  s.contrast = d.ContrastOn;
  s.strength = d.Contrast / 100.0;
  s.adjustRgb = d.AdjustRGB;
  const auto offset = [](int v) { return static_cast<std::int8_t>(std::clamp(v, 0, 255) - 128); };
  s.offsetR = offset(d.Red);
  s.offsetG = offset(d.Green);
  s.offsetB = offset(d.Blue);
  s.rotationAngle = d.Angle;
  return s;
}

// A system's unit as PROJ names it: geographic systems are in degrees, projected ones in metres.
const char* UnitName(const Crs& crs) { return crs.Geographic() ? "degree" : "metre"; }

bool WriteText(const std::string& path, const std::string& text) {
  Failure failure;
  if (WriteFileAtomically(path, text, &failure)) return true;
  Say(failure.Text());
  return false;
}

// A picture and its georeference from a project: the world file and the .prj beside it.
int WriteGeoreferenced(const ProjectData& data, const Bitmap& original, const WorkingImage& working,
                       const WorkingImageSettings& s, const Crs& crs, const std::string& out) {
  const PixelAffine pictureToFit =
      Compose(LoadedToFitFrame(original.Width(), original.Height(), data.Angle),
              WorkingToLoaded(original.Width(), original.Height(), s));
  std::string why;
  const auto world =
      MakeWorldFile(data.Method, data.Cx, data.Cy, pictureToFit, crs.NorthingFirst(), &why);
  if (!world) {
    Say(why);
    return 1;
  }
  if (Failure failure;
      !WriteImageFileAtomically(out, EncodeImageForPath(working.image, out), &failure)) {
    Say(failure.Text());
    return 1;
  }
  if (!WriteText(WorldFilePath(out), WorldFileText(*world))) return 1;
  if (!WriteText(PrjFilePath(out), crs.Wkt1Esri())) return 1;
  return 0;
}

int WriteRectified(const ProjectData& data, const Bitmap& original, const Crs& crs,
                   std::optional<double> resolution, const std::string& out) {
  RectifySource source;
  source.method = data.Method;
  source.cx = data.Cx;
  source.cy = data.Cy;
  source.width = original.Width();
  source.height = original.Height();
  source.loadedToFit = LoadedToFitFrame(original.Width(), original.Height(), data.Angle);
  source.northingFirst = crs.NorthingFirst();
  std::string why;
  const auto plan = Rectifier::Plan(source, resolution, MachineDecodeLimits(),
                                    static_cast<std::uint64_t>(original.ByteSize()), &why);
  if (!plan) {
    Say(why);
    return 1;
  }
  const RectifiedGrid& g = plan->Grid();
  GeoTiffPlacement place{g.width,      g.height,   g.west,           g.north,
                         g.resolution, crs.Epsg(), crs.Geographic(), crs.Name()};
  Failure failure;
  const bool written = WriteGeoTiff(
      out, place,
      [&](int y0, int count, std::uint8_t* rgba, std::string* reason) {
        return plan->Render(original, y0, count, rgba, reason);
      },
      &failure);
  if (!written) {
    Say(failure.Text());
    return 1;
  }
  std::printf("%s: %d x %d pixels, %.17g %s a pixel, upper-left corner (%.17g, %.17g)\n",
              out.c_str(), g.width, g.height, g.resolution, UnitName(crs), g.west, g.north);
  return 0;
}

int RunImage(const std::vector<std::string>& args) {
  std::string in, out, crsText, rectifyText;
  WorkingImageSettings s;
  bool angleGiven = false, contrastGiven = false, rgbGiven = false, factorGiven = false;
  bool georeference = false, rectify = false, crsGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--georeference") {
      georeference = true;
    } else if (a == "--crs" || a == "--rectify") {
      if (!hasValue) return BadArguments(a + " needs a value");
      (a == "--crs" ? crsText : rectifyText) = args[++i];
      (a == "--crs" ? crsGiven : rectify) = true;
    } else if (a == "--contrast" || a == "--rgb" || a == "--angle" || a == "--factor" ||
               a == "-o") {
      if (!hasValue) return BadArguments(a + " needs a value");
      const std::string& v = args[++i];
      if (a == "--contrast") {
        const auto strength = IntegerIn(v, 0, 100);
        if (!strength) return BadArguments("--contrast takes a strength from 0 to 100: " + v);
        s.contrast = true;
        s.strength = *strength / 100.0;
        contrastGiven = true;
      } else if (a == "--rgb") {
        std::vector<std::string> parts;
        size_t start = 0;
        for (size_t comma; (comma = v.find(',', start)) != std::string::npos; start = comma + 1)
          parts.push_back(v.substr(start, comma - start));
        parts.push_back(v.substr(start));
        std::optional<int> pos[3];
        if (parts.size() == 3)
          for (int k = 0; k < 3; ++k) pos[k] = IntegerIn(parts[k], 0, 255);
        if (!pos[0] || !pos[1] || !pos[2])
          return BadArguments("--rgb takes three positions from 0 to 255 (128 neutral): " + v);
        s.adjustRgb = true;
        s.offsetR = static_cast<std::int8_t>(*pos[0] - 128);
        s.offsetG = static_cast<std::int8_t>(*pos[1] - 128);
        s.offsetB = static_cast<std::int8_t>(*pos[2] - 128);
        rgbGiven = true;
      } else if (a == "--angle") {
        const auto deg = TryParseNumber(v);
        if (!deg) return BadArguments("--angle takes a number of degrees: " + v);
        s.rotationAngle = static_cast<float>(*deg);
        angleGiven = true;
      } else if (a == "--factor") {
        const auto f = TryParseNumber(v);
        if (!f || !(*f > 0)) return BadArguments("--factor takes a number above 0: " + v);
        s.factor = *f;
        factorGiven = true;
      } else {
        out = v;
      }
    } else if (!a.empty() && a[0] == '-') {
      return BadArguments("unknown option " + a);
    } else if (in.empty()) {
      in = a;
    } else {
      return BadArguments("more than one input file");
    }
  }
  if (in.empty()) return BadArguments("no input file");
  if (out.empty()) return BadArguments("no output file (-o)");
  const std::string ext = UpperExtension(out);
  std::optional<double> resolution;
  if (rectify) {
    if (georeference) return BadArguments("--georeference and --rectify exclude each other");
    if (contrastGiven || rgbGiven || angleGiven || factorGiven)
      return BadArguments(
          "--rectify resamples the loaded image itself; --contrast, --rgb, --angle and --factor "
          "do not apply");
    if (ext != ".TIF" && ext != ".TIFF") return BadArguments("--rectify writes .tif (GeoTIFF)");
    if (rectifyText != "auto") {
      resolution = TryParseNumber(rectifyText);
      if (!resolution || !(*resolution > 0) || !std::isfinite(*resolution))
        return BadArguments("--rectify takes map units per pixel above 0, or auto: " + rectifyText);
    }
  } else if (ext != ".BMP" && ext != ".JPG") {
    return BadArguments("the output must end in .bmp or .jpg");
  }
  const bool geo = georeference || rectify;
  if (crsGiven && !geo) return BadArguments("--crs goes with --georeference or --rectify");
  if (geo && !crsGiven)
    return BadArguments(std::string(georeference ? "--georeference" : "--rectify") +
                        " needs --crs EPSG:CODE: projects do not name their coordinate "
                        "reference system yet");
  std::optional<int> epsg;
  if (geo) {
    epsg = EpsgCodeFromText(crsText);
    if (!epsg) return BadArguments("--crs takes EPSG:CODE, e.g. EPSG:6677: " + crsText);
  }
  // An image keeps its own path; only a regular file is looked into (a pipe would wait).
  const bool project = UpperExtension(in) == ".PQS" ||
                       (!IsImageExtension(in) && FileExists(in) && IsBinaryProjectFile(in));
  if (geo && !project)
    return BadArguments("--georeference and --rectify take a project (.pqs), whose fit they use");

  try {
    std::optional<ProjectData> data;
    std::string imagePath = in;
    if (project) {
      std::string error;
      data = LoadProjectData(in, &error);
      if (!data) {
        Say(in + ": " + error);
        return 1;
      }
      const auto found = ResolveStoredImagePath(FolderOf(in), data->ImagePath);
      if (!found) {
        Say(in + ": the project's image " + data->ImagePath + " was not found");
        return 1;
      }
      imagePath = *found;
      // The project's own adjustment, as the window opens it; the options given replace it.
      const WorkingImageSettings stored = ProjectSettings(*data);
      if (!contrastGiven) s.contrast = stored.contrast, s.strength = stored.strength;
      if (!rgbGiven)
        s.adjustRgb = stored.adjustRgb, s.offsetR = stored.offsetR, s.offsetG = stored.offsetG,
        s.offsetB = stored.offsetB;
      if (!angleGiven) s.rotationAngle = stored.rotationAngle;
      angleGiven = true;
    }
    std::optional<Crs> crs;
    if (geo) {
      if (data->Method == tmNone) {
        Say(in + ": the project's method is none (無変換): it has no map position");
        return 1;
      }
      if (!ProjectTransformIsSet(*data)) {
        Say(in + ": the project's transformation is not set");
        return 1;
      }
      CrsResult found = Crs::FromEpsg(*epsg);
      if (!found.crs) {
        Say(found.error);
        return 1;
      }
      crs = std::move(found.crs);
      // The typed coordinates must be in the system's own unit, or the map is off by a factor.
      const bool degrees = data->ScaleUnit == kDegreeUnit;
      if (crs->Geographic() != degrees || (!degrees && data->ScaleUnit != kMetreUnit)) {
        Say(in + ": the project's unit " + ScaleUnitText(data->ScaleUnit) + " is not the unit of " +
            crs->Name() + " (" + UnitName(*crs) + ")");
        return 1;
      }
    }
    const DecodedImage decoded = LoadImage(imagePath, MachineDecodeLimits());
    const Bitmap& original = decoded.bitmap;
    if (!decoded.warning.empty())
      std::fprintf(stderr, "zelko-cli image: %s: %s\n", imagePath.c_str(), decoded.warning.c_str());
    if (rectify) return WriteRectified(*data, original, *crs, resolution, out);
    // Upright as the window shows a photo opened on its own, unless the angle is given.
    if (!angleGiven) {
      s.rotationAngle = static_cast<float>(OrientationTurn(decoded.orientation));
      if (OrientationMirrors(decoded.orientation))
        std::fprintf(stderr, "zelko-cli image: %s\n", kMirroredOrientationMessage);
    }
    WorkingImage working;
    const BuildResult r = BuildWorkingImage(original, s, working);
    if (!r.adjustMessage.empty())
      std::fprintf(stderr, "zelko-cli image: %s\n", r.adjustMessage.c_str());
    if (!r.ok) {
      std::fprintf(stderr, "zelko-cli image: %s %s\n", kBuildFailedMessage, r.error.c_str());
      return 1;
    }
    if (georeference) return WriteGeoreferenced(*data, original, working, s, *crs, out);
    if (Failure failure;
        !WriteImageFileAtomically(out, EncodeImageForPath(working.image, out), &failure)) {
      std::fprintf(stderr, "zelko-cli image: %s\n", failure.Text().c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zelko-cli image: %s\n", e.what());
    return 1;
  }
  return 0;
}

CommandRegistrar reg("image", &RunImage, kUsage);

}  // namespace
}  // namespace zelko::cli
