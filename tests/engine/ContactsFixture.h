#pragma once
// A small keyed table of contacts, Section;Name, on disk, opened through the
// engine. Shared by the cursor tests.
#include <memory>

#include "TableFixture.h"
#include "engine/Session.h"
#include "engine/Table.h"

namespace torvelle::testing {

class ContactsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir / "Contacts.db";
    makeTable(path, {alpha("Section"), alpha("Name"), alpha("Phone", 20)}, 2,
              {{text("Family"), text("Anna"), text("111")},
               {text("Family"), text("Boris"), text("222")},
               {text("Work"), text("Carl"), text("333")},
               {text("Work"), text("Dora"), text("444")},
               {text("Work"), text("Emil"), text("555")}});
    table = std::make_unique<engine::Table>(session);
    table->setTableName(path);
    table->setIndexFieldNames("Section;Name");
  }

  std::vector<std::string> visibleNames() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < table->rowCount(); ++i) out.emplace_back(table->row(i).text(1));
    return out;
  }

  TempDir dir;
  std::filesystem::path path;
  engine::Session session;
  std::unique_ptr<engine::Table> table;
};

using Names = std::vector<std::string>;

}  // namespace torvelle::testing
