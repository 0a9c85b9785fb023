#pragma once
#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;

namespace torvelle::shell {

// The window that stands while start-up creates the forms and opens the
// tables. Start-up drives its progress bar. A modal prompt that appears
// meanwhile (the password) takes the splash's place, above everything and
// with the keyboard, and the splash returns when the prompt is gone.
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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool stepAsideFor_ = false;
};

}  // namespace torvelle::shell
