// The project files kept under tests/data/projects: sample files of every form, and inputs that
// once broke a reader. Each must go through the readers, and whatever reads must write again.
#include <gtest/gtest.h>

#include <filesystem>

#include "document/any_project.h"
#include "document/keyed_text_project.h"
#include "document/project_file.h"
#include "test_support.h"

namespace zelko {
namespace {

std::vector<std::filesystem::path> StoredInputs() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(ZELKO_TEST_DATA) + "/projects"))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(StoredInputs, ReadWithoutHarmAndRewrite) {
  const auto files = StoredInputs();
  ASSERT_FALSE(files.empty());
  for (const auto& file : files) {
    SCOPED_TRACE(file.filename().string());
    const std::string bytes = test::ReadWholeFile(file.string());
    const ProjectReadResult binary = ParseProject(bytes);
    if (binary.Status == ProjectReadStatus::Ok) {
      Failure error;
      const auto written = SerializeProject(binary.Data, &error);
      ASSERT_TRUE(written) << error;
      EXPECT_EQ(ParseProject(*written).Status, ProjectReadStatus::Ok);
    } else if (binary.Status == ProjectReadStatus::NotProject) {
      const KeyedTextReadResult keyed = ParseKeyedTextProject(bytes);
      ProjectData converted;
      std::string error;
      if (keyed.Ok && KeyedTextToProjectData(keyed.Data, ProjectData(), &converted, &error)) {
        if (const auto written = SerializeProject(converted, nullptr))
          EXPECT_EQ(ParseProject(*written).Status, ProjectReadStatus::Ok);
      }
    }
    if (file.filename().string().rfind("seed-", 0) == 0)
      EXPECT_TRUE(ReadAnyProjectFile(file.string()).Ok);
  }
}

}  // namespace
}  // namespace zelko
