// A file failure in the words the window's users read.
#pragma once

#include <QString>

#include "document/failure.h"

namespace zelko {

// One or two sentences in Japanese: what happened to which file, and the system's reason.
QString FailureReason(const Failure& failure);

// The first line says what could not be done; the reason follows on the next line.
QString WithReason(const QString& message, const Failure& failure);

}  // namespace zelko
