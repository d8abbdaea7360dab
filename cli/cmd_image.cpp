// zelko-cli image: builds the working image of a photo exactly as the window does and writes it.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "document/numbers.h"
#include "imaging/image_file.h"
#include "imaging/working_image.h"

namespace zelko::cli {
namespace {

constexpr char kUsage[] =
    "image IN [--contrast STRENGTH] [--rgb R,G,B] [--angle DEG] [--factor F] -o OUT.bmp|OUT.jpg";

int BadArguments(const std::string& why) {
  std::fprintf(stderr, "zelko-cli image: %s\nusage: zelko-cli %s\n", why.c_str(), kUsage);
  return 2;
}

std::optional<int> IntegerIn(const std::string& text, int lo, int hi) {
  const auto v = TryParseInteger(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return static_cast<int>(*v);
}

int RunImage(const std::vector<std::string>& args) {
  std::string in, out;
  WorkingImageSettings s;
  bool angleGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--contrast" || a == "--rgb" || a == "--angle" || a == "--factor" || a == "-o") {
      if (!hasValue) return BadArguments(a + " needs a value");
      const std::string& v = args[++i];
      if (a == "--contrast") {
        const auto strength = IntegerIn(v, 0, 100);
        if (!strength) return BadArguments("--contrast takes a strength from 0 to 100: " + v);
        s.contrast = true;
        s.strength = *strength / 100.0;
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
      } else if (a == "--angle") {
        const auto deg = TryParseNumber(v);
        if (!deg) return BadArguments("--angle takes a number of degrees: " + v);
        s.rotationAngle = static_cast<float>(*deg);
        angleGiven = true;
      } else if (a == "--factor") {
        const auto f = TryParseNumber(v);
        if (!f || !(*f > 0)) return BadArguments("--factor takes a number above 0: " + v);
        s.factor = *f;
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
  if (ext != ".BMP" && ext != ".JPG") return BadArguments("the output must end in .bmp or .jpg");

  try {
    const DecodedImage decoded = LoadImage(in, MachineDecodeLimits());
    const Bitmap& original = decoded.bitmap;
    if (!decoded.warning.empty())
      std::fprintf(stderr, "zelko-cli image: %s: %s\n", in.c_str(), decoded.warning.c_str());
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
