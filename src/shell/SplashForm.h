#pragma once
#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;

namespace torvelle::shell {

// The window that stands while start-up creates the forms and opens the
// tables. Start-up drives its progress bar; it has no behaviour of its own.
class TSplashForm : public QWidget {
  Q_OBJECT
 public:
  explicit TSplashForm(QWidget* parent = nullptr);

  QFrame* Bevel1;
  QLabel* LogoImage;
  QLabel* Label1;
  QProgressBar* ProgressBar1;
  QLabel* Label2;

  // Sets the bar and paints at once: no event loop runs during start-up.
  void setProgress(int position);
  int progress() const;
  void setSecondLine(const QString& text);
};

}  // namespace torvelle::shell
