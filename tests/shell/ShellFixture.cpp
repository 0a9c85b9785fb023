#include "ShellFixture.h"

#include "engine/Session.h"
#include "store/TableSet.h"

void protectTables(const std::filesystem::path& root, const std::string& password) {
  torvelle::engine::Session session;
  session.addPassword(password);
  torvelle::store::TTableSet tables(session, root);
  tables.SetTablesPassword(password, "");
}
