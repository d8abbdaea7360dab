// Whole-file reading and atomic writing for the document's files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "document/failure.h"

namespace zelko {

// Larger files are refused unread: no project or settings file comes near this.
inline constexpr std::size_t kMaxDocumentFileBytes = std::size_t{1} << 30;

// Reads the whole file into *bytes. False with the failure when it cannot be opened or read, is no
// regular file, or is larger than maxBytes.
bool ReadFileBytes(const std::string& path, std::string* bytes, Failure* failure,
                   std::size_t maxBytes = kMaxDocumentFileBytes);

// Writes bytes to a temporary file in the target's folder and renames it over the target only
// when everything has been written and flushed, so a failed write leaves the old file as it was.
// An existing target that may not be written (no write permission for its owner or for the
// caller) is refused as a plain write would be; a replaced file keeps its owner where the caller
// may keep it, and its permissions. False with the failure.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, Failure* failure);

}  // namespace zelko
