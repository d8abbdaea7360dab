// libFuzzer target for the project readers: the binary reader, the keyed-text reader and the
// keyed-text files beneath it. Besides not crashing, a binary file that reads must write, and
// what is written must read back and write again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/ini_file.h"
#include "document/keyed_text_project.h"
#include "document/project_file.h"

namespace {

// One write puts every value into the writer's form (labels renumbered, colour names as
// written), so from the second write on the bytes must not change.
void CheckRewrite(const zelko::ProjectData& data, bool mustWrite) {
  zelko::Failure error;
  const auto first = zelko::SerializeProject(data, &error);
  if (!first) {
    if (mustWrite) __builtin_trap();
    return;
  }
  const zelko::ProjectReadResult once = zelko::ParseProject(*first);
  if (once.Status != zelko::ProjectReadStatus::Ok) __builtin_trap();
  const auto second = zelko::SerializeProject(once.Data, &error);
  if (!second) __builtin_trap();
  const zelko::ProjectReadResult twice = zelko::ParseProject(*second);
  if (twice.Status != zelko::ProjectReadStatus::Ok) __builtin_trap();
  const auto third = zelko::SerializeProject(twice.Data, &error);
  if (!third || *third != *second) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const zelko::ProjectReadResult binary = zelko::ParseProject(bytes);
  if (binary.Status == zelko::ProjectReadStatus::Ok) CheckRewrite(binary.Data, true);
  if (binary.Status != zelko::ProjectReadStatus::NotProject) return 0;

  const zelko::KeyedTextReadResult keyed = zelko::ParseKeyedTextProject(bytes);
  if (keyed.Ok) {
    zelko::ProjectData converted;
    std::string error;
    if (zelko::KeyedTextToProjectData(keyed.Data, zelko::ProjectData(), &converted, &error))
      CheckRewrite(converted, false);
  }

  zelko::IniFile ini = zelko::IniFile::Parse(bytes);
  ini.WriteString("File", "File 0", "x");
  const zelko::IniFile reparsed = zelko::IniFile::Parse(ini.Serialize());
  if (reparsed.ReadString("File", "File 0", "") != "x") __builtin_trap();
  return 0;
}
