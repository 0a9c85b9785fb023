#pragma once

namespace torvelle::store {
class TChangePasswordDlg;
class TPasswordDlg;
}  // namespace torvelle::store

namespace torvelle::books {
class TMoveRecOnDateForm;
class TMoveRecToSectForm;
}  // namespace torvelle::books

namespace torvelle::shell {

class TAboutBox;
class TMainForm;
class TSplashForm;
class TToolsForm;

// The program's one instance of each window, for the parts that reach them
// from elsewhere. Start-up owns them and sets these while they live.
extern TMainForm* MainForm;
extern TToolsForm* ToolsForm;
extern store::TPasswordDlg* PasswordDlg;
extern store::TChangePasswordDlg* ChangePasswordDlg;
extern books::TMoveRecOnDateForm* MoveRecOnDateForm;
extern books::TMoveRecToSectForm* MoveRecToSectForm;
extern TAboutBox* AboutBox;
extern TSplashForm* SplashForm;  // only during start-up

}  // namespace torvelle::shell
