#pragma once
#include <QDialog>
#include <QPixmap>
#include <QTimer>
#include <array>

class QFrame;
class QLabel;
class QPushButton;

namespace torvelle::platform {
class TShellOpen;
}

namespace torvelle::shell {

// The program's name, version and maker, with three link labels that hand
// an address to the desktop.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  // `logo` is the splash screen's picture, shown again as the program icon.
  TAboutBox(platform::TShellOpen& shell, const QPixmap& logo, QWidget* parent = nullptr);

  QFrame* Panel1;
  QLabel* Image1;
  QLabel* Label2;
  QFrame* Bevel1;
  QLabel* Label1;
  QLabel* ProgramIcon;
  QLabel* RealizImage;
  QLabel* Label5;
  QLabel* PrgImage;
  QLabel* Label4;
  QLabel* WebImage;
  QLabel* Label3;
  QPushButton* Button1;
  // Single shot, 10 ms; fires once after a release on a link label.
  QTimer Timer1;
  // Which link the next tick acts on: 0 Label3, 1 Label4, 2 Label5.
  int Timer1Tag = -1;

  void FormCreate(const QPixmap& logo);
  void FormMouseMove();
  void LabelMouseMove(QLabel* label);
  void LabelMouseDown(QLabel* label);
  void LabelMouseUp(QLabel* label);
  void Timer1Timer();

  // The pause after handing a composed address to the desktop, before the
  // label's colour is reset.
  void setHandOverWait(int milliseconds) { handOverWait_ = milliseconds; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QLabel* linkLabel(const char* name, int x, int y);
  void resetColour(QLabel* label);
  void setColour(QLabel* label, const QColor& colour);
  bool isLink(QObject* object) const;

  platform::TShellOpen& shell_;
  std::array<QLabel*, 3> links_{};
  int handOverWait_ = 500;
};

}  // namespace torvelle::shell
