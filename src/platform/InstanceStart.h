#pragma once
#include <QString>

#include "platform/InstanceList.h"

namespace torvelle::platform {

enum class TInstanceStart { First, AnotherRuns };

// The single-instance step of start-up. Under the start lock it applies the
// single-instance rule to the other instances' markers. When none of them is
// this program, it publishes our own marker (the title for `exePath`, the
// application class) and answers First; a marker that cannot be published
// does not stop the start. When another copy runs, nothing is published,
// and with `handOverOpen` (a desktop without a notification area, where the
// running copy cannot be reached otherwise) the running copy is asked to
// open its window.
TInstanceStart startInstance(TInstanceList& list, const QString& exePath, bool handOverOpen);

}  // namespace torvelle::platform
