#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "ShellFixture.h"
#include "lang/LanguageSwitch.h"
#include "shell/AboutBox.h"
#include "shell/MainForm.h"
#include "shell/ToolsForm.h"
#include "shell/WindowPlacement.h"
#include "store/dialogs/ChangePasswordDlg.h"
#include "store/dialogs/PasswordDlg.h"

// Every label, button text and column title of every window, measured in
// its own font against the room it is given, in each shipped language at the
// design size: a text may neither be cut nor touch the control beside it.
class TextFitTest : public QObject {
  Q_OBJECT
 private slots:
  void noTextIsCutOrTouchesItsNeighbour();
};

namespace {

// Less room than this between a text and the next control reads as touching.
constexpr int kGap = 2;

QString shown(const QString& text) {
  QString s = text;
  s.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  return s;
}

QString name(const QWidget* w) {
  return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                   : w->objectName();
}

// The visible widgets beside `w` under the same parent.
QList<QWidget*> siblings(QWidget* w) {
  QList<QWidget*> list;
  if (!w->parentWidget()) return list;
  for (QObject* o : w->parentWidget()->children()) {
    auto* s = qobject_cast<QWidget*>(o);
    if (s && s != w && s->isVisible() && !s->isWindow()) list << s;
  }
  return list;
}

// `text`, in parent coordinates, comes within kGap of a sibling beside it.
QString touching(QWidget* w, QRect text) {
  text = text.translated(w->pos()).adjusted(-kGap, 0, kGap, 0);
  for (QWidget* s : siblings(w)) {
    const QRect g = s->geometry();
    if (g.top() > text.bottom() || g.bottom() < text.top()) continue;
    if (g.intersects(text)) return QStringLiteral("touches ") + name(s);
  }
  return {};
}

void checkLabel(QLabel* l, QStringList& problems) {
  if (l->text().isEmpty() || !l->pixmap().isNull() || l->wordWrap()) return;
  if (Qt::mightBeRichText(l->text())) return;
  const QString text = l->buddy() ? shown(l->text()) : l->text();
  const int needed = l->fontMetrics().horizontalAdvance(text);
  QRect room = l->contentsRect().adjusted(l->margin(), 0, -l->margin(), 0);
  int indent = l->indent();
  if (indent < 0 && l->frameWidth() > 0)
    indent = l->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
  if (indent > 0) room.adjust(indent, 0, -indent, 0);
  if (needed > room.width()) {
    problems << QStringLiteral("label %1 \"%2\" is cut: %3 > %4")
                    .arg(name(l), text)
                    .arg(needed)
                    .arg(room.width());
    return;
  }
  const QRect drawn =
      QStyle::alignedRect(l->layoutDirection(), l->alignment() & Qt::AlignHorizontal_Mask,
                          QSize(needed, room.height()), room);
  const QString t = touching(l, drawn);
  if (!t.isEmpty()) problems << QStringLiteral("label %1 \"%2\" %3").arg(name(l), text, t);
}

void checkButton(QAbstractButton* b, QStringList& problems) {
  if (b->text().isEmpty()) return;
  // A tool button showing only its icon keeps the text for its menu entry.
  if (auto* t = qobject_cast<QToolButton*>(b);
      t && t->toolButtonStyle() == Qt::ToolButtonIconOnly && !t->icon().isNull())
    return;
  const QString text = shown(b->text());
  const int needed = b->fontMetrics().horizontalAdvance(text);
  QStyleOptionButton opt;
  opt.initFrom(b);
  opt.text = b->text();
  QRect room;
  if (qobject_cast<QCheckBox*>(b))
    room = b->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, b);
  else if (qobject_cast<QRadioButton*>(b))
    room = b->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, b);
  else if (qobject_cast<QPushButton*>(b))
    room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
  else
    room = b->rect().adjusted(2, 0, -2, 0);
  if (needed > room.width()) {
    problems << QStringLiteral("button %1 \"%2\" is cut: %3 > %4")
                    .arg(name(b), text)
                    .arg(needed)
                    .arg(room.width());
    return;
  }
  if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) {
    const QString t = touching(b, QRect(room.left(), room.top(), needed, room.height()));
    if (!t.isEmpty()) problems << QStringLiteral("button %1 \"%2\" %3").arg(name(b), text, t);
  }
}

void checkGroupBox(QGroupBox* g, QStringList& problems) {
  const int needed = g->fontMetrics().horizontalAdvance(shown(g->title())) + 2 * kGap;
  if (!g->title().isEmpty() && needed > g->width())
    problems << QStringLiteral("group %1 \"%2\" is cut").arg(name(g), g->title());
}

void checkColumns(QTableView* v, QStringList& problems) {
  QHeaderView* h = v->horizontalHeader();
  if (!h->isVisible() || !v->model()) return;
  const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
  for (int c = 0; c < h->count(); ++c) {
    if (h->isSectionHidden(c)) continue;
    const QString title = v->model()->headerData(c, Qt::Horizontal).toString();
    const int needed = h->fontMetrics().horizontalAdvance(title) + 2 * margin;
    if (needed > h->sectionSize(c))
      problems << QStringLiteral("column %1 of %2 \"%3\" is cut: %4 > %5")
                      .arg(c)
                      .arg(name(v), title)
                      .arg(needed)
                      .arg(h->sectionSize(c));
  }
}

// What is cut or touching among the visible controls of `window`.
QStringList problemsOf(QWidget* window, const QString& where) {
  QStringList problems;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisible()) continue;
    if (auto* l = qobject_cast<QLabel*>(w)) checkLabel(l, problems);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) checkButton(b, problems);
    if (auto* g = qobject_cast<QGroupBox*>(w)) checkGroupBox(g, problems);
    if (auto* v = qobject_cast<QTableView*>(w)) checkColumns(v, problems);
  }
  for (QString& p : problems) p.prepend(where + QStringLiteral(": "));
  return problems;
}

QStringList problemsShown(QWidget* window, const QString& where) {
  window->show();
  if (!QTest::qWaitForWindowExposed(window)) return {where + QStringLiteral(": not shown")};
  QCoreApplication::processEvents();
  QStringList problems = problemsOf(window, where);
  window->hide();
  return problems;
}

}  // namespace

void TextFitTest::noTextIsCutOrTouchesItsNeighbour() {
  ShellFixture f;
  f.languageFolders = {QStringLiteral(TORVELLE_LANGUAGES_DIR)};
  QVERIFY(f.start());
  torvelle::shell::TMainForm& main = f.main();
  torvelle::lang::TLanguageSwitch& languages = main.Languages();
  QStringList problems;
  for (const QString language : {"English", "German", "Russian", "Ukrainian"}) {
    QAction* item = nullptr;
    for (QAction* a : languages.LanguagePopupMenu->actions())
      if (a->data().toString() == language) item = a;
    QVERIFY2(item, qPrintable(language));
    languages.LanguageItemClick(item);

    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    using torvelle::shell::kDefaultHeight;
    using torvelle::shell::kDefaultWidth;
    for (const QSize size : {QSize(kDefaultWidth, kDefaultHeight),
                             QSize(kDefaultWidth * 3 / 2, kDefaultHeight * 3 / 2)}) {
      main.resize(size);
      const QString where =
          QStringLiteral("%1 at %2x%3/").arg(language).arg(size.width()).arg(size.height());
      for (int page = 0; page < main.MainPageControl->count(); ++page) {
        main.MainPageControl->setCurrentIndex(page);
        QCoreApplication::processEvents();
        problems << problemsOf(main.MainPageControl->widget(page),
                               where + main.MainPageControl->tabText(page));
      }
      problems << problemsOf(main.MainTB, where + QStringLiteral("tool bar"));
    }
    // The box a repeating task's occurrence shows in the record box's place.
    const auto* record = main.findChild<QAbstractButton*>(QStringLiteral("DoneDBCB"));
    const auto* occurrence = main.findChild<QAbstractButton*>(QStringLiteral("DoneOccurrenceCB"));
    if (!record || !occurrence || record->text() != occurrence->text())
      problems << language + QStringLiteral("/occurrence's Done box: ") +
                      (occurrence ? occurrence->text() : QStringLiteral("missing"));
    main.hide();
    const auto& s = *f.startup;
    problems << problemsShown(s.toolsForm(), language + QStringLiteral("/options"));
    problems << problemsShown(s.passwordDlg(), language + QStringLiteral("/password"));
    problems << problemsShown(s.changePasswordDlg(), language + QStringLiteral("/new password"));
    problems << problemsShown(s.aboutBox(), language + QStringLiteral("/about"));
  }
  for (const QString& p : problems) qWarning("%s", qPrintable(p));
  QVERIFY2(problems.isEmpty(), "texts cut or touching, listed above");
}

QTEST_MAIN(TextFitTest)
#include "TextFitTest.moc"
