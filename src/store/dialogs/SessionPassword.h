#pragma once

namespace torvelle::engine {
class Session;
}

namespace torvelle::store {

class TChangePasswordDlg;
class TPasswordDlg;
class TTableSet;

// The answer to the session's password request while the tables open: true
// to try again with the password just added to the session, false to give
// up. Asks at most three times until the prompt's count is reset.
bool SessionPassword(engine::Session& session, TTableSet& tables, TPasswordDlg& prompt,
                     TChangePasswordDlg& changeDialog);

}  // namespace torvelle::store
