// Why a file could not be read or written: what went wrong, with which file, and the system's
// error number where the system refused. The command-line tools print it in English; the window
// words it in Japanese for its users.
#pragma once

#include <ostream>
#include <string>

namespace zelko {

enum class FailureKind {
  None,
  Open,             // the file cannot be opened (Errno)
  NotRegularFile,   // a folder, a device or a pipe
  TooLarge,         // larger than any file of its kind
  Read,             // reading stopped (Errno)
  NoFileName,       // the path names a folder, not a file
  NotWritable,      // an existing file that may not be written
  CreateTemporary,  // no new file can be made in the target's folder (Errno)
  Write,            // writing, flushing or setting permissions failed (Errno)
  Replace,          // the complete new file could not take the old one's place (Errno)
  Damaged,          // the contents are not what the format holds (Detail says where)
  NotProject,       // no project of any known form
  Unwritable,       // the data cannot be put into the format (Detail says why)
};

struct Failure {
  FailureKind Kind = FailureKind::None;
  std::string Path;
  int Errno = 0;
  std::string Detail;  // the reader's or writer's own finding, in English

  bool Failed() const { return Kind != FailureKind::None; }
  // One line in English, as the tools print it.
  std::string Text() const;
};

inline std::ostream& operator<<(std::ostream& out, const Failure& f) { return out << f.Text(); }

}  // namespace zelko
