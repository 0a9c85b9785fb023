#include "shell/ToolsForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/AutoStartStore.h"
#include "shell/Options.h"
#include "shell/RestoreDlg.h"
#include "store/TableSet.h"
#include "store/dialogs/ChangePasswordDlg.h"
#include "store/dialogs/DialogFrame.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::shell {
namespace {

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, bool checked) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QLatin1String(name));
  box->setChecked(checked);
  return box;
}

}  // namespace

TToolsForm::TToolsForm(TOptions& options, platform::TAutoStartStore& autoStart, QString programPath,
                       QWidget* parent)
    : QDialog(parent),
      options_(options),
      autoStart_(autoStart),
      programPath_(std::move(programPath)) {
  setObjectName(QStringLiteral("ToolsForm"));
  setWindowTitle(QStringLiteral("Инструменты"));
  store::makeFixedDialog(*this, 175, 218);

  ToolsTB = new QToolBar(this);
  ToolsTB->setObjectName(QStringLiteral("ToolsTB"));
  ToolsTB->setIconSize(QSize(20, 20));
  ToolsTB->setMovable(false);
  PasswordTB = ToolsTB->addAction(style()->standardIcon(QStyle::SP_DialogApplyButton), QString());
  PasswordTB->setObjectName(QStringLiteral("PasswordTB"));
  PasswordTB->setToolTip(QStringLiteral("Смена пароля"));
  Sep1 = ToolsTB->addSeparator();
  Sep1->setObjectName(QStringLiteral("Sep1"));
  PackTB = ToolsTB->addAction(style()->standardIcon(QStyle::SP_DriveHDIcon), QString());
  PackTB->setObjectName(QStringLiteral("PackTB"));
  PackTB->setToolTip(QStringLiteral("Упаковка базы"));
  PackProgressBar = new QProgressBar;
  PackProgressBar->setObjectName(QStringLiteral("PackProgressBar"));
  PackProgressBar->setRange(0, 7);
  PackProgressBar->setValue(0);
  PackProgressBar->setTextVisible(false);
  PackProgressBar->setFixedHeight(12);
  PackProgressBar->setMinimumWidth(80);
  ToolsTB->addWidget(PackProgressBar);

  ShowInTaskBarCB =
      checkBox(this, "ShowInTaskBarCB", QStringLiteral("Кнопка в панели задач"), true);
  ShowHintsCB = checkBox(this, "ShowHintsCB", QStringLiteral("Подсказки"), true);
  AutoStartCB = checkBox(this, "AutoStartCB", QStringLiteral("Автозагрузка"), false);

  WindowGB = new QGroupBox(QStringLiteral(" Окно "), this);
  WindowGB->setObjectName(QStringLiteral("WindowGB"));
  SaveWindowPositionCB =
      checkBox(WindowGB, "SaveWindowPositionCB", QStringLiteral("Запомнить позицию"), false);
  SaveWindowSizeCB =
      checkBox(WindowGB, "SaveWindowSizeCB", QStringLiteral("Запомнить размеры"), false);
  SetWindowToCenterSB = new QPushButton(QStringLiteral("В центр"), WindowGB);
  SetWindowToCenterSB->setObjectName(QStringLiteral("SetWindowToCenterSB"));
  DefaultWindowSizeSB = new QPushButton(QStringLiteral("По умолчанию"), WindowGB);
  DefaultWindowSizeSB->setObjectName(QStringLiteral("DefaultWindowSizeSB"));
  SetWindowToCenterSB->setAutoDefault(false);
  DefaultWindowSizeSB->setAutoDefault(false);

  // The reminders' options, below the designed controls.
  RemindTasksCB = checkBox(this, "RemindTasksCB", QStringLiteral("Напоминать о задачах"), true);
  RemindDatesCB = checkBox(this, "RemindDatesCB", QStringLiteral("Напоминать о датах"), true);
  RemindDaysBeforeLabel = new QLabel(QStringLiteral("Дней заранее"), this);
  RemindDaysBeforeLabel->setObjectName(QStringLiteral("RemindDaysBeforeLabel"));
  RemindDaysBeforeSE = new QSpinBox(this);
  RemindDaysBeforeSE->setObjectName(QStringLiteral("RemindDaysBeforeSE"));
  RemindDaysBeforeSE->setRange(0, TOptions::kMostRemindDaysBefore);
  RemindDaysBeforeLabel->setBuddy(RemindDaysBeforeSE);

  // Laid out rather than placed, so that longer texts of another language
  // or a wider desktop font never get cut.
  auto* group = new QGridLayout(WindowGB);
  group->setContentsMargins(8, 4, 8, 8);
  group->setVerticalSpacing(4);
  group->addWidget(SaveWindowPositionCB, 0, 0, 1, 2);
  group->addWidget(SaveWindowSizeCB, 1, 0, 1, 2);
  group->addWidget(SetWindowToCenterSB, 2, 0);
  group->addWidget(DefaultWindowSizeSB, 2, 1);
  createBackupControls();
  auto* body = new QVBoxLayout;
  body->setContentsMargins(8, 4, 8, 8);
  body->setSpacing(4);
  body->addWidget(ShowInTaskBarCB);
  body->addWidget(ShowHintsCB);
  body->addWidget(AutoStartCB);
  body->addWidget(WindowGB);
  body->addWidget(RemindTasksCB);
  body->addWidget(RemindDatesCB);
  auto* daysBefore = new QHBoxLayout;
  daysBefore->addWidget(RemindDaysBeforeLabel);
  daysBefore->addWidget(RemindDaysBeforeSE);
  daysBefore->addStretch();
  body->addLayout(daysBefore);
  body->addWidget(BackupGB);
  body->addStretch();
  auto* form = new QVBoxLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->setSpacing(0);
  form->addWidget(ToolsTB);
  form->addLayout(body);
  fitToTexts();
  showOptions();
  connectControls();
  connect(&options_, &TOptions::changed, this, [this] { showOptions(); });
}

void TToolsForm::connectControls() {
  // A control reacts to every change of its value, also from code; that is
  // what the options' loading() is for. Failures to store end in the error
  // box.
  const auto bind = [this](QCheckBox* box, void (TToolsForm::*handler)()) {
    connect(box, &QCheckBox::toggled, this,
            [this, handler] { toolkit::ErrorBox::guard([this, handler] { (this->*handler)(); }); });
  };
  bind(ShowInTaskBarCB, &TToolsForm::ShowInTaskBarCBClick);
  bind(ShowHintsCB, &TToolsForm::ShowHintsCBClick);
  bind(AutoStartCB, &TToolsForm::AutoStartCBClick);
  bind(SaveWindowPositionCB, &TToolsForm::SaveWindowPositionCBClick);
  bind(SaveWindowSizeCB, &TToolsForm::SaveWindowSizeCBClick);
  bind(RemindTasksCB, &TToolsForm::RemindTasksCBClick);
  bind(RemindDatesCB, &TToolsForm::RemindDatesCBClick);
  connect(RemindDaysBeforeSE, &QSpinBox::valueChanged, this,
          [this] { toolkit::ErrorBox::guard([this] { RemindDaysBeforeSEChange(); }); });
  connect(SetWindowToCenterSB, &QPushButton::clicked, this, [this] { SetWindowToCenterSBClick(); });
  connect(DefaultWindowSizeSB, &QPushButton::clicked, this, [this] { DefaultWindowSizeSBClick(); });
  bind(AutoBackupCB, &TToolsForm::AutoBackupCBClick);
  connect(BackupWhenCoB, &QComboBox::currentIndexChanged, this,
          [this] { toolkit::ErrorBox::guard([this] { BackupWhenCoBChange(); }); });
  connect(BackupKeepSE, &QSpinBox::valueChanged, this,
          [this] { toolkit::ErrorBox::guard([this] { BackupKeepSEChange(); }); });
  connect(RestoreSB, &QPushButton::clicked, this, [this] { RestoreSBClick(); });
  connect(PasswordTB, &QAction::triggered, this, [this] { PasswordTBClick(); });
  connect(PackTB, &QAction::triggered, this,
          [this] { toolkit::ErrorBox::guard([this] { PackTBClick(); }); });
}

void TToolsForm::createBackupControls() {
  BackupGB = new QGroupBox(QStringLiteral(" Резервные копии "), this);
  BackupGB->setObjectName(QStringLiteral("BackupGB"));
  AutoBackupCB = checkBox(BackupGB, "AutoBackupCB", QStringLiteral("Автоматические копии"), true);
  BackupWhenCoB = new QComboBox(BackupGB);
  BackupWhenCoB->setObjectName(QStringLiteral("BackupWhenCoB"));
  BackupWhenCoB->addItems({QStringLiteral("раз в день"), QStringLiteral("после изменений")});
  auto* keepLabel = new QLabel(QStringLiteral("хранить"), BackupGB);
  keepLabel->setObjectName(QStringLiteral("BackupKeepLabel"));
  BackupKeepSE = new QSpinBox(BackupGB);
  BackupKeepSE->setObjectName(QStringLiteral("BackupKeepSE"));
  BackupKeepSE->setRange(TOptions::kFewestBackups, TOptions::kMostBackups);
  keepLabel->setBuddy(BackupKeepSE);
  RestoreSB = new QPushButton(QStringLiteral("Восстановить..."), BackupGB);
  RestoreSB->setObjectName(QStringLiteral("RestoreSB"));
  RestoreSB->setAutoDefault(false);
  RestoreDlg = new TRestoreDlg(this);
  auto* grid = new QGridLayout(BackupGB);
  grid->setContentsMargins(8, 4, 8, 8);
  grid->setVerticalSpacing(4);
  grid->addWidget(AutoBackupCB, 0, 0, 1, 2);
  grid->addWidget(BackupWhenCoB, 1, 0, 1, 2);
  grid->addWidget(keepLabel, 2, 0);
  grid->addWidget(BackupKeepSE, 2, 1);
  grid->addWidget(RestoreSB, 3, 0, 1, 2);
}

void TToolsForm::fitToTexts() {
  // The designed size is the least; the texts may ask for more. Every
  // layout forgets what it knew of the old texts first: a hidden dialog's
  // nested layouts are not told.
  for (QLayout* nested : findChildren<QLayout*>()) nested->invalidate();
  const QSize wanted = layout()->sizeHint();
  setFixedSize(std::max(wanted.width(), 175), std::max(wanted.height(), 218));
}

void TToolsForm::attach(store::TTableSet* tables, store::TChangePasswordDlg* changePasswordDlg) {
  tables_ = tables;
  changePasswordDlg_ = changePasswordDlg;
}

bool TToolsForm::AutoStartEnabled() const {
  return autoStart_.exists();
}

void TToolsForm::showOptions() {
  ShowInTaskBarCB->setChecked(options_.showInTaskBar());
  ShowHintsCB->setChecked(options_.showHints());
  if (options_.loading()) AutoStartCB->setChecked(AutoStartEnabled());
  SaveWindowPositionCB->setChecked(options_.saveWindowPosition());
  SaveWindowSizeCB->setChecked(options_.saveWindowSize());
  AutoBackupCB->setChecked(options_.automaticBackups());
  BackupWhenCoB->setCurrentIndex(options_.backupWhen() == backup::BackupWhen::AfterChanges ? 1 : 0);
  BackupKeepSE->setValue(options_.backupsToKeep());
  RemindTasksCB->setChecked(options_.reminders().tasks);
  RemindDatesCB->setChecked(options_.reminders().dates);
  RemindDaysBeforeSE->setValue(options_.reminders().daysBefore);
}

void TToolsForm::ShowInTaskBarCBClick() {
  if (!options_.loading()) options_.setShowInTaskBar(ShowInTaskBarCB->isChecked());
}

void TToolsForm::ShowHintsCBClick() {
  if (!options_.loading()) options_.setShowHints(ShowHintsCB->isChecked());
}

void TToolsForm::AutoStartCBClick() {
  if (options_.loading()) return;
  const bool on = AutoStartCB->isChecked();
  if (on ? autoStart_.write(programPath_) : autoStart_.remove()) return;
  // The box must not claim what is not so: it shows the entry as it is.
  {
    const QSignalBlocker quiet(AutoStartCB);
    AutoStartCB->setChecked(autoStart_.exists());
  }
  toolkit::ErrorBox::report(
      (on ? AutoStartOnError : AutoStartOffError).arg(autoStart_.lastError()));
}

void TToolsForm::SaveWindowPositionCBClick() {
  if (!options_.loading()) options_.setSaveWindowPosition(SaveWindowPositionCB->isChecked());
}

void TToolsForm::SaveWindowSizeCBClick() {
  if (!options_.loading()) options_.setSaveWindowSize(SaveWindowSizeCB->isChecked());
}

void TToolsForm::RemindTasksCBClick() {
  if (!options_.loading()) options_.setRemindTasks(RemindTasksCB->isChecked());
}

void TToolsForm::RemindDatesCBClick() {
  if (!options_.loading()) options_.setRemindDates(RemindDatesCB->isChecked());
}

void TToolsForm::RemindDaysBeforeSEChange() {
  if (!options_.loading()) options_.setRemindDaysBefore(RemindDaysBeforeSE->value());
}

void TToolsForm::SetWindowToCenterSBClick() {
  emit centreWindowRequested();
}

void TToolsForm::DefaultWindowSizeSBClick() {
  emit defaultWindowSizeRequested();
}

void TToolsForm::PasswordTBClick() {
  if (changePasswordDlg_) changePasswordDlg_->exec();
}

void TToolsForm::PackTBClick() {
  if (!tables_) return;
  // On a failure the bar stays at the table that failed.
  int position = 0;
  for (store::TParadoxTable* table : tables_->openOrder()) {
    PackProgressBar->setValue(++position);
    PackProgressBar->repaint();
    table->Pack();
  }
  PackProgressBar->setValue(0);
}

void TToolsForm::AutoBackupCBClick() {
  if (!options_.loading()) options_.setAutomaticBackups(AutoBackupCB->isChecked());
}

void TToolsForm::BackupWhenCoBChange() {
  if (options_.loading()) return;
  options_.setBackupWhen(BackupWhenCoB->currentIndex() == 1 ? backup::BackupWhen::AfterChanges
                                                            : backup::BackupWhen::Daily);
}

void TToolsForm::BackupKeepSEChange() {
  if (!options_.loading()) options_.setBackupsToKeep(BackupKeepSE->value());
}

void TToolsForm::RestoreSBClick() {
  emit restoreRequested();
}

void TToolsForm::FormClose() {
  emit closing();
}

void TToolsForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TToolsForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) store::centreOnScreen(*this);
}

}  // namespace torvelle::shell
