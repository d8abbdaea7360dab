#include "document/failure.h"

#include <cstring>

namespace zelko {

std::string Failure::Text() const {
  const auto because = [&](const char* what) {
    return std::string(what) + " " + Path + ": " + std::strerror(Errno);
  };
  switch (Kind) {
    case FailureKind::None:
      return "";
    case FailureKind::Open:
      return because("cannot open");
    case FailureKind::NotRegularFile:
      return "not a regular file: " + Path;
    case FailureKind::TooLarge:
      return "file too large: " + Path;
    case FailureKind::Read:
      return because("cannot read");
    case FailureKind::NoFileName:
      return "no file name: " + Path;
    case FailureKind::NotWritable:
      return because("cannot write");
    case FailureKind::Write:
      // Detail names the step that failed when it was not the writing itself.
      return because(Detail.empty() ? "cannot write" : Detail.c_str());
    case FailureKind::CreateTemporary:
      return because("cannot create a file in the folder of");
    case FailureKind::Replace:
      return because("cannot replace");
    case FailureKind::Damaged:
    case FailureKind::NotProject:
    case FailureKind::Unwritable:
      return Detail;
  }
  return Detail;
}

}  // namespace zelko
