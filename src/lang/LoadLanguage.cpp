#include "lang/LoadLanguage.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include "support/ProfileFile.h"
#include "toolkit/DBNavigator.h"

namespace torvelle::lang {
namespace {

QString qstr(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A notebook page's caption is the text of its tab.
QTabWidget* pageHolder(QWidget* page, int& index) {
  QWidget* stack = page->parentWidget();
  auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
  index = tabs ? tabs->indexOf(page) : -1;
  return index >= 0 ? tabs : nullptr;
}

QRadioButton* radioItem(QObject* group, int index) {
  const auto items = group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
  return index >= 0 && index < items.size() ? items[index] : nullptr;
}

// Caption and hint go through the object's own properties, so that windows,
// widgets, actions and the tray icon all take them alike.
const char* captionProperty(QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget && widget->isWindow()) return "windowTitle";
  if (qobject_cast<QGroupBox*>(object)) return "title";
  return "text";
}

const char* hintProperty(QObject* object) {
  return object->metaObject()->indexOfProperty("Hint") >= 0 ? "Hint" : "toolTip";
}

// Never makes a dynamic property: a control without the text is a miss.
bool setExisting(QObject* object, const char* name, const QString& text) {
  return object->metaObject()->indexOfProperty(name) >= 0 && object->setProperty(name, text);
}

}  // namespace

void TTextWindows::add(const QString& name, QObject* window) {
  windows_.insert(name, window);
}

QObject* TTextWindows::window(QStringView name) const {
  const QString key = name.toString();
  if (const auto it = windows_.constFind(key); it != windows_.cend()) return it->data();
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == key) return widget;
  return nullptr;
}

QObject* TTextWindows::resolve(const TextTarget& target) const {
  QObject* root = window(qstr(target.window));
  if (!root || target.control.empty() || target.role == TextRole::Field) return root;
  return root->findChild<QObject*>(qstr(target.control));
}

QString targetText(const TTextWindows& windows, const TextTarget& target) {
  QObject* object = windows.resolve(target);
  if (!object) return {};
  switch (target.role) {
    case TextRole::Caption:
      if (auto* page = qobject_cast<QWidget*>(object); page && !page->isWindow()) {
        int index = -1;
        if (QTabWidget* tabs = pageHolder(page, index)) return tabs->tabText(index);
      }
      return object->property(captionProperty(object)).toString();
    case TextRole::Hint:
      return object->property(hintProperty(object)).toString();
    case TextRole::Tab:
      if (auto* bar = qobject_cast<QTabBar*>(object)) return bar->tabText(target.index);
      return {};
    case TextRole::Item:
      if (QRadioButton* item = radioItem(object, target.index)) return item->text();
      if (auto* combo = qobject_cast<QComboBox*>(object)) return combo->itemText(target.index);
      return {};
    case TextRole::ColumnTitle:
      if (auto* view = qobject_cast<QAbstractItemView*>(object); view && view->model())
        return view->model()->headerData(target.index, Qt::Horizontal).toString();
      return {};
    case TextRole::NavigatorHint:
      if (auto* navigator = qobject_cast<toolkit::TDBNavigator*>(object))
        return navigator->hints().value(target.index);
      return {};
    case TextRole::HintList:
      if (auto* navigator = qobject_cast<toolkit::TDBNavigator*>(object))
        return navigator->hints().join(QLatin1Char('\n'));
      return {};
    case TextRole::Field:
      return object->property(std::string(target.control).c_str()).toString();
  }
  return {};
}

namespace {

// A page's caption is its tab's text; any other control's is a property.
bool setCaption(QObject* object, const QString& text) {
  if (auto* page = qobject_cast<QWidget*>(object); page && !page->isWindow()) {
    int index = -1;
    if (QTabWidget* tabs = pageHolder(page, index)) {
      tabs->setTabText(index, text);
      return true;
    }
  }
  return setExisting(object, captionProperty(object), text);
}

// An item of a radio group or of a drop-down list.
bool setItem(QObject* object, int index, const QString& text) {
  if (QRadioButton* item = radioItem(object, index)) {
    item->setText(text);
    return true;
  }
  auto* combo = qobject_cast<QComboBox*>(object);
  if (!combo || index < 0 || index >= combo->count()) return false;
  combo->setItemText(index, text);
  return true;
}

bool setNavigatorHint(QObject* object, int index, const QString& text) {
  auto* navigator = qobject_cast<toolkit::TDBNavigator*>(object);
  if (!navigator) return false;
  QStringList hints = navigator->hints();
  if (index >= hints.size()) return false;
  hints[index] = text;
  navigator->setHints(hints);
  return true;
}

}  // namespace

bool setTargetText(const TTextWindows& windows, const TextTarget& target, const QString& text) {
  QObject* object = windows.resolve(target);
  if (!object) return false;
  switch (target.role) {
    case TextRole::Caption:
      return setCaption(object, text);
    case TextRole::Hint:
      return setExisting(object, hintProperty(object), text);
    case TextRole::Tab:
      if (auto* bar = qobject_cast<QTabBar*>(object); bar && target.index < bar->count()) {
        bar->setTabText(target.index, text);
        return true;
      }
      return false;
    case TextRole::Item:
      return setItem(object, target.index, text);
    case TextRole::ColumnTitle:
      if (auto* view = qobject_cast<QAbstractItemView*>(object); view && view->model())
        return view->model()->setHeaderData(target.index, Qt::Horizontal, text);
      return false;
    case TextRole::NavigatorHint:
      return setNavigatorHint(object, target.index, text);
    case TextRole::HintList:
      if (auto* navigator = qobject_cast<toolkit::TDBNavigator*>(object)) {
        navigator->setHints(text.split(QLatin1Char('\n')));
        return true;
      }
      return false;
    case TextRole::Field: {
      const std::string name(target.control);
      return setExisting(object, name.c_str(), text);
    }
  }
  return false;
}

QString describe(const TextTarget& target) {
  QString text = qstr(target.window);
  if (!target.control.empty()) text += QLatin1Char('.') + qstr(target.control);
  switch (target.role) {
    case TextRole::Caption:
      return text;
    case TextRole::Hint:
      return text + QStringLiteral(" hint");
    case TextRole::Tab:
      return text + QStringLiteral(" tab %1").arg(target.index);
    case TextRole::Item:
      return text + QStringLiteral(" item %1").arg(target.index);
    case TextRole::ColumnTitle:
      return text + QStringLiteral(" column %1").arg(target.index);
    case TextRole::NavigatorHint:
      return text + QStringLiteral(" hint %1").arg(target.index);
    case TextRole::HintList:
      return text + QStringLiteral(" hints");
    case TextRole::Field:
      return text;
  }
  return text;
}

QStringList LoadLanguage(const std::filesystem::path& path, const TTextWindows& windows) {
  const support::ProfileFile file(path, support::ProfileFile::Encoding::Cp1251UnlessUtf8);
  QStringList missing;
  const auto put = [&](const TextTarget& target, const QString& text) {
    if (!setTargetText(windows, target, text)) missing << describe(target);
  };
  for (const TextEntry& entry : interfaceTexts()) {
    QString text = qstr(file.readString(entry.section, entry.key, entry.english));
    if (entry.padded) text = QLatin1Char(' ') + text + QLatin1Char(' ');
    put(entry.target, text);
    for (const TextCopy& copy : textCopies()) {
      if (copy.section != entry.section || copy.key != entry.key) continue;
      if (windows.resolve(copy.from))
        put(copy.to, targetText(windows, copy.from));
      else
        missing << describe(copy.from);
    }
  }
  return missing;
}

}  // namespace torvelle::lang
