// zelko-cli convert IN OUT: reads a project of any version or form and writes it in the
// current layout to OUT. IN is never changed.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "command.h"
#include "document/any_project.h"
#include "document/image_path.h"
#include "document/project_file.h"

namespace zelko::cli {
namespace {

constexpr char kUsage[] = "usage: zelko-cli convert IN OUT\n";

std::string FolderOfFile(const std::string& path) {
  const std::string folder = FolderOf(path);
  return folder.empty() ? "./" : folder;
}

int Convert(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0].empty() || args[1].empty() || args[0][0] == '-' ||
      args[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& in = args[0];
  const std::string& out = args[1];
  std::error_code ec;
  if (std::filesystem::exists(out, ec) && std::filesystem::equivalent(in, out, ec)) {
    std::fputs("zelko-cli convert: IN and OUT are the same file\n", stderr);
    std::fputs(kUsage, stderr);
    return 2;
  }

  const AnyProjectResult r = ReadAnyProjectFile(in);
  if (!r.Ok) {
    std::fprintf(stderr, "zelko-cli convert: %s\n", r.Error.Text().c_str());
    return 1;
  }
  ProjectData data;
  std::string error;
  if (r.Form == ProjectForm::Binary) {
    data = r.Binary;
    // The stored path is relative to the project's folder: written into another folder, it is
    // re-based there, or the copy could not find its image. Not found, the text stays.
    const std::string inFolder = FolderOfFile(in), outFolder = FolderOfFile(out);
    if (!std::filesystem::equivalent(inFolder, outFolder, ec)) {
      if (const auto image = ResolveStoredImagePath(inFolder, data.ImagePath))
        data.ImagePath = RelativeImagePath(outFolder, *image);
      else
        std::fprintf(stderr, "zelko-cli convert: warning: the image %s was not found\n",
                     data.ImagePath.c_str());
    }
  } else {
    // What the program holds after starting: the values the keyed-text form leaves out.
    if (!KeyedTextToProjectData(r.KeyedText, ProjectData(), &data, &error)) {
      std::fprintf(stderr, "zelko-cli convert: cannot convert %s: %s\n", in.c_str(), error.c_str());
      return 1;
    }
    // Store the image the way the program would after finding it; keep the text otherwise.
    const std::string candidate = KeyedTextImageCandidate(FolderOfFile(in), r.KeyedText.ImageFile);
    if (FileExists(candidate))
      data.ImagePath = RelativeImagePath(FolderOfFile(out), candidate);
    else
      std::fprintf(stderr, "zelko-cli convert: warning: the image %s was not found\n",
                   r.KeyedText.ImageFile.c_str());
  }
  if (Failure failure; !WriteProjectFile(out, data, &failure)) {
    std::fprintf(stderr, "zelko-cli convert: cannot write %s: %s\n", out.c_str(),
                 failure.Text().c_str());
    return 1;
  }
  return 0;
}

CommandRegistrar reg("convert", &Convert,
                     "convert IN OUT       write a project of any version in the current layout");

}  // namespace
}  // namespace zelko::cli
