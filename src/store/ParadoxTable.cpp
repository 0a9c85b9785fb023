#include "store/ParadoxTable.h"

#include <exception>

#include "engine/DbError.h"
#include "engine/Restructure.h"

namespace torvelle::store {

using engine::DbError;

namespace {
const char* const kNotParadox = "Not a Paradox table";
}

TParadoxTable::TParadoxTable(engine::Session& session, std::string objectName)
    : Table(session), objectName_(std::move(objectName)) {}

void TParadoxTable::open() {
  try {
    Table::open();
  } catch (const DbError& e) {
    if (e.kind() == DbError::Kind::NotParadox)
      throw DbError(DbError::Kind::NotParadox, kNotParadox);
    throw;
  }
  if (driverType() != "PARADOX") {
    close();
    throw DbError(DbError::Kind::NotParadox, kNotParadox);
  }
}

void TParadoxTable::Pack() {
  // Packing keeps the table's password as it is; the protected state the
  // program counts (NoPassword) only mirrors it.
  const bool wasOpen = isOpen();
  if (wasOpen) {
    checkBrowseMode();
    close();
  }
  std::exception_ptr failure;
  try {
    engine::packTable(session(), tableName());
  } catch (...) {
    failure = std::current_exception();
  }
  if (wasOpen) {
    try {
      open();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void TParadoxTable::SetPassword(const std::string& password) {
  const bool wasNoPassword = NoPassword;
  const bool wasOpen = isOpen();
  NoPassword = password.empty();
  if (wasOpen) {
    checkBrowseMode();
    close();
  }
  try {
    engine::setTablePassword(session(), tableName(), password);
  } catch (...) {
    // The file layer left the old table whole: so is our view of it.
    NoPassword = wasNoPassword;
    if (wasOpen) {
      try {
        open();
      } catch (...) {
      }
    }
    throw;
  }
  if (wasOpen) open();
}

}  // namespace torvelle::store
