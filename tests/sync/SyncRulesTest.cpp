// The merge rules and the writing of items, without a server.
#include <gtest/gtest.h>

#include "engine/ShippedTables.h"
#include "sync/ItemWriter.h"
#include "sync/Reconcile.h"

namespace torvelle::sync {
namespace {

format::TableInfo infoOf(const char* object) {
  for (const auto& t : engine::shippedTables()) {
    if (std::string(t.objectName) == object) {
      format::TableInfo info;
      info.fields = t.fields;
      info.fields.push_back({"UID", format::FieldType::Alpha, 64});
      info.keyFieldCount = t.keyFieldCount;
      info.codePage = 1251;
      return info;
    }
  }
  throw std::runtime_error(object);
}

TEST(SyncMerge, EachSideKeepsItsOwnFieldsAndTheServerWinsAFieldBothChanged) {
  const FieldMap base = {{"Task", "Call Bob"}, {"Date", "2026-12-10"}, {"Time", "1000"}};
  const FieldMap serverBase = {{"Task", "Call Bob"}, {"Date", "2026-12-10"}};
  const FieldMap local = {{"Task", "Call Robert"},
                          {"Date", "2026-12-10"},
                          {"Time", "1000"},
                          {"Description", "the car"}};
  const FieldMap server = {{"Task", "Call Bob now"}, {"Date", "2026-12-11"}};
  const Merged m = merge(SyncBook::Tasks, base, local, serverBase, server);
  EXPECT_EQ(m.local.at("Task"), "Call Bob now");
  EXPECT_EQ(m.local.at("Date"), "2026-12-11");
  EXPECT_EQ(m.server.at("Description"), "the car");
  // A time only this side spells (moved on to a free second) is not news.
  EXPECT_EQ(m.local.at("Time"), "1000");
  EXPECT_EQ(m.server.at("Time"), "");
  ASSERT_EQ(m.lost.size(), 1u);
  EXPECT_EQ(m.lost[0], std::make_pair(std::string("Task"), std::string("Call Robert")));
  // Both made the same change: no conflict.
  EXPECT_TRUE(merge(SyncBook::Tasks, base, server, serverBase, server).lost.empty());
}

TEST(SyncItems, AChangedContactKeepsPhotoExtraPhonesAndUnknownProperties) {
  const std::string card =
      "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:abc\r\nFN:Olga\r\nN:;Olga;;;\r\n"
      "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n"
      "TEL;TYPE=HOME:111\r\nTEL;TYPE=HOME:222\r\nTEL;TYPE=FAX:333\r\n"
      "ADR;TYPE=HOME:PO 7;;Old St 1;Kyiv;;01001;Ukraine\r\n"
      "CATEGORIES:Friends,Golf\r\nX-CUSTOM;X-P=1:keep me\r\nEND:VCARD\r\n";
  const auto info = infoOf("PhonesTable");
  FieldMap fields = *fieldsOfItem(SyncBook::Phones, info, card);
  EXPECT_EQ(fields["HomePhone"], "111");
  fields["HomePhone"] = "999";
  fields["Street"] = "New St 2";
  fields["Section"] = "Семья";
  fields["Email"] = "olga@example.org";
  const std::string out = changedItem(SyncBook::Phones, info, card, fields,
                                      {"HomePhone", "Street", "Section", "Email"});
  for (const char* kept : {"PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD",
                           "TEL;TYPE=HOME:222", "TEL;TYPE=FAX:333", "X-CUSTOM;X-P=1:keep me",
                           "ADR;TYPE=HOME:PO 7;;New St 2;Kyiv;;01001;Ukraine",
                           "CATEGORIES:Семья,Golf", "TEL;TYPE=HOME:999", "UID:abc"}) {
    EXPECT_NE(out.find(kept), std::string::npos) << kept << "\n" << out;
  }
  EXPECT_EQ(out.find("111"), std::string::npos) << out;
  EXPECT_EQ(*fieldsOfItem(SyncBook::Phones, info, out), fields);
}

TEST(SyncItems, AChangedToDoKeepsItsAlarmAndXPropertiesAndNewItemsCarryOurUid) {
  const std::string todo =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\nBEGIN:VTODO\r\nUID:t-1\r\n"
      "DTSTAMP:20261201T000000Z\r\nSUMMARY:Old\r\nDUE;VALUE=DATE:20261210\r\nX-FOO:bar\r\n"
      "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Ring\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
      "END:VTODO\r\nEND:VCALENDAR\r\n";
  const auto info = infoOf("TaskTable");
  FieldMap fields = *fieldsOfItem(SyncBook::Tasks, info, todo);
  fields["Task"] = "Новая задача";
  fields["Done"] = "1";
  fields["Date"] = "2026-12-24";
  const std::string out =
      changedItem(SyncBook::Tasks, info, todo, fields, {"Task", "Done", "Date"});
  for (const char* kept : {"X-FOO:bar", "BEGIN:VALARM", "TRIGGER:-PT15M", "UID:t-1",
                           "STATUS:COMPLETED", "DUE;VALUE=DATE:20261224"}) {
    EXPECT_NE(out.find(kept), std::string::npos) << kept << "\n" << out;
  }
  EXPECT_EQ(*fieldsOfItem(SyncBook::Tasks, info, out), fields);

  const auto dates = infoOf("DatesTable");
  const FieldMap date = {{"Section", "Birthdays, family"},
                         {"Date", "1990-05-01"},
                         {"Event", "Anna"},
                         {"Time", ""},
                         {"Description", ""}};
  const std::string item = newItem(SyncBook::Dates, dates, date, "0f1e-uid");
  EXPECT_EQ(uidOfItem(item), "0f1e-uid");
  EXPECT_NE(item.find("RRULE:FREQ=YEARLY"), std::string::npos) << item;
  EXPECT_EQ(*fieldsOfItem(SyncBook::Dates, dates, item), date);
}

TEST(SyncReconcile, EditsBeatDeletionsAndAnEmptiedSideIsNotMirrored) {
  const auto info = infoOf("TaskTable");
  const FieldMap a = {{"Date", "2026-12-10"}, {"Task", "A"}};
  const FieldMap b = {{"Date", "2026-12-10"}, {"Time", "1000"}, {"Task", "B"}};
  const std::string aItem = newItem(SyncBook::Tasks, info, a, "a");
  const std::string bItem = newItem(SyncBook::Tasks, info, b, "b");
  ReconcileInput in;
  in.book = SyncBook::Tasks;
  in.info = &info;
  in.extension = ".ics";
  in.server.collection = "/u/tasks/";
  in.state["a"] = {"a", "/u/tasks/a.ics", "\"1\"", *fieldsOfItem(SyncBook::Tasks, info, aItem),
                   aItem};
  in.state["b"] = {"b", "/u/tasks/b.ics", "\"2\"", *fieldsOfItem(SyncBook::Tasks, info, bItem),
                   bItem};
  // Nothing left on the server: refused.
  in.local = {{"a", in.state["a"].localBase}, {"b", in.state["b"].localBase}};
  EXPECT_THROW(reconcile(in), EmptySide);

  // A deleted here but edited there; B edited here but deleted there.
  FieldMap aThere = in.state["a"].localBase;
  aThere["Task"] = "A edited";
  in.server.etags["/u/tasks/a.ics"] = "\"3\"";
  in.server.texts["/u/tasks/a.ics"] = changedItem(SyncBook::Tasks, info, aItem, aThere, {"Task"});
  FieldMap bHere = in.state["b"].localBase;
  bHere["Task"] = "B edited";
  in.local = {{"b", bHere}};
  const Plan plan = reconcile(in);
  ASSERT_EQ(plan.local.size(), 1u);
  EXPECT_EQ(plan.local[0].kind, LocalChange::Kind::Insert);
  EXPECT_EQ(plan.local[0].fields.at("Task"), "A edited");
  ASSERT_EQ(plan.pushes.size(), 1u);
  EXPECT_EQ(plan.pushes[0].href, "/u/tasks/b.ics");
  EXPECT_EQ(plan.pushes[0].ifMatch, "");  // must not exist: If-None-Match
  EXPECT_EQ(fieldsOfItem(SyncBook::Tasks, info, plan.pushes[0].text)->at("Task"), "B edited");
}

}  // namespace
}  // namespace torvelle::sync
