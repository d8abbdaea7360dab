// Reading a project of any form, binary or keyed text, for tools that take whatever they get.
#pragma once

#include <string>

#include "document/keyed_text_project.h"
#include "document/project_data.h"

namespace zelko {

enum class ProjectForm { Binary, KeyedText };

struct AnyProjectResult {
  bool Ok = false;
  Failure Error;
  ProjectForm Form = ProjectForm::Binary;
  ProjectData Binary;          // when Form is Binary
  KeyedTextProject KeyedText;  // when Form is KeyedText
};

// The binary reader first; a file it does not recognise is read as keyed text, which must at
// least name an image ("File" "ImageFile") to count as a project.
AnyProjectResult ReadAnyProjectFile(const std::string& path);

}  // namespace zelko
