#pragma once
#include <string>

#include "engine/Table.h"

namespace torvelle::store {

// The table class of the seven tables: an engine table that checks on
// opening that it really is a Paradox table, and knows how to pack itself
// and change its master password.
class TParadoxTable : public engine::Table {
 public:
  TParadoxTable(engine::Session& session, std::string objectName);

  const std::string& objectName() const { return objectName_; }

  // True while the program counts the table as having no master password.
  bool NoPassword = true;

  // Fails with "Not a Paradox table" for a file of another kind.
  void open() override;

  // Drops the space of deleted records. A pending change is posted first
  // (or cancelled when unmodified); the table is open afterwards exactly when
  // it was before, also when packing fails.
  void Pack();

  // Gives the table a new master password, or removes it when empty. The
  // session must hold the new password for the table to open again. On a
  // failure the table keeps its old password and its open state.
  void SetPassword(const std::string& password);

 private:
  std::string objectName_;
};

}  // namespace torvelle::store
