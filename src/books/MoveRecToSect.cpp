#include "books/MoveRecToSect.h"

namespace torvelle::books {

TMoveRecToSectForm::TMoveRecToSectForm(QWidget* parent)
    : QDialog(parent),
      ListBox(new QListWidget(this)),
      OKButton(new QPushButton(QStringLiteral("OK"), this)),
      CancelButton(new QPushButton(QStringLiteral("Отмена"), this)) {
  setObjectName(QStringLiteral("MoveRecToSectForm"));
  setWindowTitle(QStringLiteral("Move records to section:"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ListBox->setObjectName(QStringLiteral("ListBox"));
  ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  // A double click on a section is a choice too.
  connect(ListBox, &QListWidget::itemActivated, this, [this] {
    if (OKButton->isEnabled()) accept();
  });
  connect(ListBox, &QListWidget::currentRowChanged, this,
          [this](int row) { OKButton->setEnabled(row >= 0); });

  setFixedSize(209, 190);
  ListBox->setGeometry(0, 0, 209, 148);
  OKButton->setGeometry(32, 157, 81, 25);
  CancelButton->setGeometry(120, 157, 81, 25);
}

void TMoveRecToSectForm::setSections(const QStringList& sections) {
  ListBox->clear();
  ListBox->addItems(sections);
  ListBox->setCurrentRow(sections.isEmpty() ? -1 : 0);
  OKButton->setEnabled(!sections.isEmpty());
}

QString TMoveRecToSectForm::chosenSection() const {
  const QListWidgetItem* item = ListBox->currentItem();
  return item ? item->text() : QString();
}

}  // namespace torvelle::books
