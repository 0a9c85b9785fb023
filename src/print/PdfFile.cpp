#include "print/PdfFile.h"

#include <QFile>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <stdexcept>

namespace torvelle::print {

void writePdfFile(const QString& path, const std::function<void(QPagedPaintDevice&)>& render) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    throw std::runtime_error(path.toStdString() + ": " + file.errorString().toStdString());
  {
    QPdfWriter writer(&file);
    writer.setResolution(300);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setCreator(QStringLiteral("Torvelle"));
    render(writer);
  }
  if (!file.commit())
    throw std::runtime_error(path.toStdString() + ": " + file.errorString().toStdString());
}

}  // namespace torvelle::print
