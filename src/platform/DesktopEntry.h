#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace torvelle::platform {

// The Exec value of a desktop entry for a command line, as it is written
// after "Exec=": every argument quoted where it must be, '%' doubled, and the
// string escapes of the file format applied on top.
QString desktopExecValue(const QStringList& arguments);

// The command line an Exec value (as read after "Exec=") stands for, or
// nothing when the value is malformed (an unclosed quote, a bad escape).
// Field codes other than "%%" are kept as they are.
std::optional<QStringList> desktopExecArguments(const QString& value);

}  // namespace torvelle::platform
