#include "sync/Reconcile.h"

#include <algorithm>

#include "engine/FieldNames.h"
#include "sync/ItemWriter.h"

namespace torvelle::sync {
namespace {

std::string at(const FieldMap& fields, const std::string& name) {
  const auto it = fields.find(name);
  return it == fields.end() ? std::string() : it->second;
}

std::set<std::string> differing(SyncBook book, const FieldMap& a, const FieldMap& b) {
  std::set<std::string> names;
  for (const auto& name : syncedFields(book)) {
    if (at(a, name) != at(b, name)) names.insert(name);
  }
  return names;
}

std::string conflictNote(const std::vector<std::pair<std::string, std::string>>& lost) {
  std::string note = "Sync conflict, this computer had:";
  for (const auto& [field, value] : lost) {
    note += '\n';
    note += field;
    note += ": ";
    note += value;
  }
  return note;
}

std::string describe(SyncBook book, const FieldMap& fields) {
  const char* title = book == SyncBook::Phones  ? engine::kNameField
                      : book == SyncBook::Tasks ? engine::kTaskField
                                                : engine::kEventField;
  std::string what = at(fields, title);
  if (book != SyncBook::Phones) what += " (" + at(fields, engine::kDateField) + ")";
  return std::string(bookName(book)) + ": " + what;
}

class Reconciler {
 public:
  explicit Reconciler(const ReconcileInput& in) : in_(in) {
    for (const auto& item : in.local) local_[item.uid] = &item;
    for (const auto& [uid, state] : in.state) byHref_[state.href] = uid;
  }

  Plan run() {
    checkEmptySides();
    for (const auto& [uid, state] : in_.state) known(state);
    for (const auto& [href, text] : in_.server.texts) {
      if (!byHref_.contains(href)) arrived(href, text);
    }
    for (const auto& item : in_.local) {
      if (!in_.state.contains(item.uid) && !linked_.contains(item.uid)) created(item);
    }
    return std::move(plan_);
  }

 private:
  void checkEmptySides() const {
    if (in_.allowEmpty || in_.state.size() < 2) return;
    std::size_t gone = 0;
    for (const auto& [uid, state] : in_.state) {
      const bool listed = in_.server.etags.contains(state.href);
      if (in_.server.complete ? !listed : in_.server.removed.contains(state.href)) ++gone;
    }
    const std::string what =
        std::to_string(in_.state.size()) + " synced items of " + bookName(in_.book);
    if (gone == in_.state.size()) {
      throw EmptySide("the server's collection lost all " + what +
                      "; nothing was changed (sync again allowing an empty side to mirror it)");
    }
    if (in_.local.empty()) {
      throw EmptySide("the table lost all " + what +
                      "; nothing was changed (sync again allowing an empty side to mirror it)");
    }
  }

  bool serverRemoved(const ItemState& s) const {
    return in_.server.complete ? !in_.server.etags.contains(s.href)
                               : in_.server.removed.contains(s.href);
  }

  // The server's current text when it changed since the last sync.
  const std::string* serverChanged(const ItemState& s) const {
    const auto etag = in_.server.etags.find(s.href);
    if (etag == in_.server.etags.end() || etag->second == s.etag) return nullptr;
    const auto text = in_.server.texts.find(s.href);
    return text == in_.server.texts.end() ? nullptr : &text->second;
  }

  FieldMap itemFields(const std::string& text) const {
    return fieldsOfItem(in_.book, *in_.info, text).value_or(FieldMap{});
  }

  ItemState stateFor(const std::string& uid, const std::string& href, const std::string& text) {
    const auto etag = in_.server.etags.find(href);
    return {uid, href, etag == in_.server.etags.end() ? "" : etag->second, {}, text};
  }

  void known(const ItemState& s) {
    const auto it = local_.find(s.uid);
    const LocalItem* here = it == local_.end() ? nullptr : it->second;
    const std::string* changedText = serverChanged(s);
    const bool gone = serverRemoved(s);
    if (!here) {
      if (changedText) {
        // Deleted here, edited there: the edit is kept.
        pullNew(s.uid, s.href, *changedText, itemFields(*changedText));
      } else if (!gone) {
        plan_.pushes.push_back({s.uid, s.href, s.etag, true, {}});
        ++plan_.removedThere;
      }
      if (gone) plan_.state[s.uid] = std::nullopt;
      return;
    }
    if (gone) return removedThere(s, *here);
    if (!changedText && here->fields == s.localBase) return;  // nothing happened
    const std::string& text = changedText ? *changedText : s.item;
    both(s, *here, text, itemFields(s.item), itemFields(text));
  }

  void removedThere(const ItemState& s, const LocalItem& here) {
    if (differing(in_.book, here.fields, s.localBase).empty()) {
      plan_.local.push_back({LocalChange::Kind::Remove, s.uid, {}});
      plan_.state[s.uid] = std::nullopt;
      ++plan_.removedHere;
      return;
    }
    // Deleted there, edited here: the edit goes back, on the old item.
    const auto changed = differing(in_.book, here.fields, itemFields(s.item));
    plan_.pushes.push_back(
        {s.uid, s.href, "", false, changedItem(in_.book, *in_.info, s.item, here.fields, changed)});
    ++plan_.pushed;
  }

  void both(const ItemState& s, const LocalItem& here, const std::string& text,
            const FieldMap& serverBase, const FieldMap& server) {
    Merged m = merge(in_.book, s.localBase, here.fields, serverBase, server);
    if (!m.lost.empty()) keepOurs(here, m);
    if (!differing(in_.book, m.local, here.fields).empty()) {
      plan_.local.push_back({LocalChange::Kind::Update, s.uid, m.local});
      ++plan_.pulled;
    }
    ItemState next = stateFor(s.uid, s.href, text);
    if (const auto changed = differing(in_.book, m.server, server); !changed.empty()) {
      plan_.pushes.push_back({s.uid, s.href, next.etag, false,
                              changedItem(in_.book, *in_.info, text, m.server, changed)});
      ++plan_.pushed;
    }
    plan_.state[s.uid] = std::move(next);
  }

  // The server's value won a field we changed too: ours stays on record.
  void keepOurs(const LocalItem& here, Merged& m) {
    plan_.conflicts.push_back(describe(in_.book, m.server) + ": the server's version kept, " +
                              (in_.book == SyncBook::Phones
                                   ? "ours copied to section " + std::string(kConflictSection)
                                   : std::string("ours noted in its description")));
    if (in_.book == SyncBook::Phones) {
      LocalItem copy{newUid(), here.fields};
      copy.fields[engine::kSectionField] = kConflictSection;
      plan_.local.push_back({LocalChange::Kind::Insert, copy.uid, copy.fields});
      created(copy);
      return;
    }
    std::string description = at(m.server, engine::kDescriptionField);
    if (!description.empty()) description += "\n\n";
    description += conflictNote(m.lost);
    m.local[engine::kDescriptionField] = m.server[engine::kDescriptionField] = description;
  }

  void pullNew(const std::string& uid, const std::string& href, const std::string& text,
               const FieldMap& fields) {
    plan_.local.push_back({LocalChange::Kind::Insert, uid, fields});
    plan_.state[uid] = stateFor(uid, href, text);
    ++plan_.pulled;
  }

  void arrived(const std::string& href, const std::string& text) {
    const auto fields = fieldsOfItem(in_.book, *in_.info, text);
    if (!fields) {
      plan_.refused.push_back(href + ": holds nothing the " + bookName(in_.book) +
                              " table can take");
      return;
    }
    std::string uid = localUidFor(uidOfItem(text), href);
    if (in_.state.contains(uid) || plan_.state.contains(uid)) uid = localUidFor({}, href);
    const auto it = local_.find(uid);
    if (it != local_.end() && !in_.state.contains(uid)) {
      // Ours already, from a sync cut short before its state was kept.
      linked_.insert(uid);
      both(ItemState{uid, href, "", {}, ""}, *it->second, text, {}, *fields);
      return;
    }
    pullNew(uid, href, text, *fields);
  }

  void created(const LocalItem& item) {
    const std::string href = in_.server.collection + item.uid + in_.extension;
    plan_.pushes.push_back(
        {item.uid, href, "", false, newItem(in_.book, *in_.info, item.fields, item.uid)});
    ++plan_.pushed;
  }

  const ReconcileInput& in_;
  std::map<std::string, const LocalItem*> local_;
  std::map<std::string, std::string> byHref_;
  std::set<std::string> linked_;
  Plan plan_;
};

}  // namespace

Merged merge(SyncBook book, const FieldMap& localBase, const FieldMap& local,
             const FieldMap& serverBase, const FieldMap& server) {
  Merged m;
  for (const auto& f : syncedFields(book)) {
    const std::string l = at(local, f), s = at(server, f);
    const bool localChanged = l != at(localBase, f);
    const bool serverChanged = s != at(serverBase, f);
    if (localChanged && serverChanged && l != s) {
      m.local[f] = m.server[f] = s;
      m.lost.emplace_back(f, l);
    } else if (localChanged) {
      m.local[f] = m.server[f] = l;
    } else if (serverChanged) {
      m.local[f] = m.server[f] = s;
    } else {
      // Neither changed: each side keeps its own spelling (a time moved on
      // to a free second here, say).
      m.local[f] = l;
      m.server[f] = s;
    }
  }
  return m;
}

std::string localUidFor(const std::string& itemUid, const std::string& href) {
  const bool fits = !itemUid.empty() && itemUid.size() <= 64 &&
                    std::all_of(itemUid.begin(), itemUid.end(), [](char c) {
                      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '@' || c == '_';
                    });
  if (fits) {
    std::string lower = itemUid;
    for (char& c : lower) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
  }
  return "href-" + fieldsHash({{"href", href}});
}

Plan reconcile(const ReconcileInput& input) {
  return Reconciler(input).run();
}

}  // namespace torvelle::sync
