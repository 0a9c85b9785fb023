#include "shell/Forms.h"

namespace torvelle::shell {

TMainForm* MainForm = nullptr;
TToolsForm* ToolsForm = nullptr;
store::TPasswordDlg* PasswordDlg = nullptr;
store::TChangePasswordDlg* ChangePasswordDlg = nullptr;
books::TMoveRecOnDateForm* MoveRecOnDateForm = nullptr;
books::TMoveRecToSectForm* MoveRecToSectForm = nullptr;
TAboutBox* AboutBox = nullptr;
TSplashForm* SplashForm = nullptr;

}  // namespace torvelle::shell
