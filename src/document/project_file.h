// The binary project file: the current layout (header "Zelko Version 2.8.1 ") for writing, and
// that layout plus the older 2.8, 2.7 and 2.2 ones for reading.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "document/failure.h"
#include "document/project_data.h"

namespace zelko {

// The file in the current layout; nullopt with a reason when a value does not fit its field
// (marker tenths, counts, bytes, a text over 65535 bytes, Cx and Cy of different lengths, a
// group with fewer points than NumPoints, an image path with a character CP932 cannot hold).
std::optional<std::string> SerializeProject(const ProjectData& data, Failure* failure);

// Serialises and writes atomically: the previous file survives any failure.
bool WriteProjectFile(const std::string& path, const ProjectData& data, Failure* failure);

enum class ProjectReadStatus {
  Ok,
  NotProject,  // the header names none of the binary versions; try the keyed-text reader
  Failed,      // a binary project that cannot be read; Error says why
};

struct ProjectReadResult {
  ProjectReadStatus Status = ProjectReadStatus::Failed;
  Failure Error;     // Kind None when Status is Ok
  ProjectData Data;  // complete only when Status is Ok
};

// Parses a whole file. Nothing is allocated beyond what the remaining bytes can hold. A file of
// version 2.8 (without ".1"), 2.7 or 2.2 that ends inside the marker font, the notes font or the
// notes keeps what it holds before that point (Has… flags); a current-version file must be
// complete. A file whose groups hold more than maxPoints points in all is refused before any
// group is allocated.
ProjectReadResult ParseProject(std::string_view bytes, std::size_t maxPoints = kMaxProjectPoints);

// The first bytes name one of the binary versions: the file is a project whatever its name.
bool IsBinaryProjectHeader(std::string_view bytes);
// The same for a file's first bytes; false when it cannot be read.
bool IsBinaryProjectFile(const std::string& path);

// Reads and parses the file; a file that cannot be opened or read is Failed.
ProjectReadResult ReadProjectFile(const std::string& path);

}  // namespace zelko
