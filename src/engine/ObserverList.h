#pragma once
#include <algorithm>
#include <vector>

#include "engine/TableObserver.h"

namespace torvelle::engine {

// The observers of a table or a data source, each once.
class ObserverList {
 public:
  void add(TableObserver* observer) {
    if (!contains(observer)) list_.push_back(observer);
  }
  void remove(TableObserver* observer) {
    list_.erase(std::remove(list_.begin(), list_.end(), observer), list_.end());
  }
  // Walks a copy: observers may register or leave while they are told, and
  // one that left before its turn is not told.
  template <class F>
  void notify(F&& f) {
    const auto observers = list_;
    for (TableObserver* o : observers)
      if (contains(o)) f(*o);
  }
  // Every observer hears that its subject goes, even one that leaves while
  // another is told.
  void notifyGone() {
    const auto observers = list_;
    for (TableObserver* o : observers) o->observedGone();
  }

 private:
  bool contains(const TableObserver* observer) const {
    return std::find(list_.begin(), list_.end(), observer) != list_.end();
  }

  std::vector<TableObserver*> list_;
};

}  // namespace torvelle::engine
