#pragma once
#include <QString>
#include <functional>

class QPagedPaintDevice;

namespace torvelle::print {

// A PDF file at `path`, A4 at 300 dots per inch, painted by `render`. The
// file appears whole or not at all: it is written beside and renamed into
// place. Throws std::runtime_error when it cannot be written.
void writePdfFile(const QString& path, const std::function<void(QPagedPaintDevice&)>& render);

}  // namespace torvelle::print
