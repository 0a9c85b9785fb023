#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "sync/ItemFields.h"

// One book's sync decided from three views: the table now, the server now,
// and what both looked like after the last sync. Pure: the plan it returns
// is carried out by the caller (local changes first, then the server's).
namespace torvelle::sync {

// What the last sync left for one item.
struct ItemState {
  std::string uid;   // the record's identity
  std::string href;  // the item's path on the server
  std::string etag;
  FieldMap localBase;  // the record's synced fields then
  std::string item;    // the item's text then (the server's side)
};

struct LocalItem {
  std::string uid;
  FieldMap fields;
};

// The server's side of one collection.
struct ServerView {
  std::string collection;  // the collection's path, ending in '/'
  // A whole listing (every href with its ETag) or, after a sync token, only
  // the changed ones and the removed hrefs.
  bool complete = true;
  std::map<std::string, std::string> etags;
  std::set<std::string> removed;
  // The texts of the items fetched: the new and changed ones.
  std::map<std::string, std::string> texts;
};

struct LocalChange {
  enum class Kind { Insert, Update, Remove } kind = Kind::Update;
  std::string uid;
  FieldMap fields;  // Insert/Update: the synced fields wanted
};

struct Push {
  std::string uid;
  std::string href;
  std::string ifMatch;  // empty: the item must not exist yet (If-None-Match: *)
  bool remove = false;
  std::string text;  // what is put
};

struct Plan {
  std::vector<LocalChange> local;
  std::vector<Push> pushes;
  // State after the local changes: present = keep/replace, null = forget.
  // The local base of a kept state is filled in once the table has it. An
  // item with a push keeps its old state until the server took the push.
  std::map<std::string, std::optional<ItemState>> state;
  std::vector<std::string> conflicts;  // for the summary, one line each
  std::vector<std::string> refused;    // server items we cannot take
  std::size_t pulled = 0, pushed = 0, removedHere = 0, removedThere = 0;
};

struct ReconcileInput {
  SyncBook book = SyncBook::Tasks;
  const format::TableInfo* info = nullptr;
  std::vector<LocalItem> local;
  std::map<std::string, ItemState> state;  // by uid
  ServerView server;
  std::string extension;  // ".vcf" or ".ics", for new items' paths
  bool allowEmpty = false;
};

// Thrown when one side holds nothing of what was synced before: a wiped
// table or collection is not mirrored to the other side without a yes.
class EmptySide : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Plan reconcile(const ReconcileInput& input);

// Field-by-field merge of both sides against their last-seen states: a
// field one side changed takes that change; where both changed it to
// different values the server's wins and ours is listed in `lost`.
struct Merged {
  FieldMap local;                                         // what the record should hold
  FieldMap server;                                        // what the item should hold
  std::vector<std::pair<std::string, std::string>> lost;  // field, our value
};
Merged merge(SyncBook book, const FieldMap& localBase, const FieldMap& local,
             const FieldMap& serverBase, const FieldMap& server);

// The local identity for a server item: its UID when it fits the field,
// else one made from its path, the same each time.
std::string localUidFor(const std::string& itemUid, const std::string& href);

// Section of the phone book that keeps our side of a conflicting contact.
inline constexpr const char* kConflictSection = "Conflicts";

}  // namespace torvelle::sync
