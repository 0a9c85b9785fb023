#pragma once
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QWidget;

namespace torvelle::print {

// Paints one document on the device it is given.
using Render = std::function<void(QPagedPaintDevice& device)>;

// The print preview with the system's print dialog behind its print button.
void printWithPreview(QWidget* parent, const Render& render);

// Writes the document to a PDF file; the file is asked for when `path` is
// empty. Returns the file written, empty when the user cancelled.
QString exportPdf(QWidget* parent, const Render& render, const QString& caption,
                  const QString& filter, QString path = {});

}  // namespace torvelle::print
