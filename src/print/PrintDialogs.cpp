#include "print/PrintDialogs.h"

#include <QFileDialog>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "print/PdfFile.h"

namespace torvelle::print {

void printWithPreview(QWidget* parent, const Render& render) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  QPrintPreviewDialog preview(&printer, parent);
  preview.setObjectName(QStringLiteral("PrintPreview"));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [&render](QPrinter* target) { render(*target); });
  preview.exec();
}

QString exportPdf(QWidget* parent, const Render& render, const QString& caption,
                  const QString& filter, QString path) {
  if (path.isEmpty())
    path = QFileDialog::getSaveFileName(parent, caption, QString(),
                                        filter + QStringLiteral(" (*.pdf)"));
  if (path.isEmpty()) return {};
  if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
  writePdfFile(path, render);
  return path;
}

}  // namespace torvelle::print
