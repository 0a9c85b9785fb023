#pragma once
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"
#include "sync/Reconcile.h"

// What the last sync saw, in two companion tables beside the synced ones
// (DB/Sync/SyncItems.db, DB/Sync/SyncCollections.db), made and written by
// our engine: per item its identity, path, ETag, our fields and the
// server's text; per collection its address and sync token.
namespace torvelle::sync {

struct CollectionState {
  std::string url;    // the collection's full address
  std::string token;  // the sync token (RFC 6578), empty when none
  std::string ctag;   // the collection's CTag, for servers without tokens
};

class SyncStore {
 public:
  // Opens the tables under `root`/DB/Sync for writing, making them when
  // missing (protected with the first of `passwords` when `protect`).
  SyncStore(const std::filesystem::path& root, const std::vector<std::string>& passwords,
            bool protect);
  ~SyncStore();

  static std::filesystem::path folder(const std::filesystem::path& root);

  std::map<std::string, ItemState> items(SyncBook book) const;
  std::optional<CollectionState> collection(SyncBook book) const;

  // One durable change of the items table: present states are written,
  // null ones removed; then the collection's row, when given.
  void commit(SyncBook book, const std::map<std::string, std::optional<ItemState>>& changes,
              const std::optional<CollectionState>& collection);
  // Forgets the collection and every item of the book (a new account).
  void forget(SyncBook book);

 private:
  std::unique_ptr<format::TableFile> items_;
  std::unique_ptr<format::TableFile> collections_;
};

}  // namespace torvelle::sync
