#include "document/any_project.h"

#include "document/file_io.h"
#include "document/project_file.h"

namespace zelko {

AnyProjectResult ReadAnyProjectFile(const std::string& path) {
  AnyProjectResult result;
  std::string bytes;
  if (!ReadFileBytes(path, &bytes, &result.Error)) return result;
  ProjectReadResult binary = ParseProject(bytes);
  if (binary.Status == ProjectReadStatus::Ok) {
    result.Ok = true;
    result.Binary = std::move(binary.Data);
    return result;
  }
  if (binary.Status == ProjectReadStatus::Failed) {
    result.Error = binary.Error;
    result.Error.Path = path;
    result.Error.Detail = "cannot read the project " + path + ": " + binary.Error.Detail;
    return result;
  }
  KeyedTextReadResult keyed = ParseKeyedTextProject(bytes);
  result.Form = ProjectForm::KeyedText;
  if (!keyed.Data.HasImageFile) {
    result.Error = {FailureKind::NotProject, path, 0, path + " is not a Zelko project file"};
    return result;
  }
  if (!keyed.Ok) {
    result.Error = keyed.Error;
    result.Error.Path = path;
    result.Error.Detail = "cannot read the keyed-text project " + path + ": " + keyed.Error.Detail;
    return result;
  }
  result.Ok = true;
  result.KeyedText = std::move(keyed.Data);
  return result;
}

}  // namespace zelko
