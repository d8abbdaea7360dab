// Whole-file reading and atomic writing for the document's files.
#pragma once

#include <cstddef>
#include <functional>
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
// An existing target that is no regular file after following links (a device, a pipe, a
// folder) is refused: it would be replaced, not written.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, Failure* failure);

// Takes a file's contents in pieces as they are made.
using ByteSink = std::function<void(std::string_view)>;

// As WriteFileAtomically, for contents too large to hold whole: produce gives them to the sink
// piece by piece. When it returns false (having said why in the failure it was given) the old
// file stays as it was.
bool WriteFileAtomicallyFrom(const std::string& path,
                             const std::function<bool(const ByteSink&)>& produce, Failure* failure);

}  // namespace zelko
