#include "store/dialogs/SessionPassword.h"

#include <QLineEdit>

#include "engine/Session.h"
#include "store/TableSet.h"
#include "store/dialogs/ChangePasswordDlg.h"
#include "store/dialogs/PasswordDlg.h"

namespace torvelle::store {

bool SessionPassword(engine::Session& session, TTableSet& tables, TPasswordDlg& prompt,
                     TChangePasswordDlg& changeDialog) {
  // A request means the tables are protected, whatever the prompt's outcome.
  tables.SetNoPassword(false);
  changeDialog.setOldPasswordEnabled(true);
  if (prompt.PromptCount >= 3) return false;
  if (prompt.exec() != QDialog::Accepted) return false;
  session.addPassword(prompt.PassEdit->text().toStdString());
  return true;
}

}  // namespace torvelle::store
