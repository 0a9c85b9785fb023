#include "toolkit/DataLink.h"

namespace torvelle::toolkit {

TDataLink::TDataLink(QObject* parent) : QObject(parent) {}

TDataLink::~TDataLink() {
  if (source_) source_->removeObserver(this);
}

void TDataLink::setDataSource(engine::DataSource* source) {
  if (source == source_) return;
  if (source_) source_->removeObserver(this);
  source_ = source;
  if (source_) source_->addObserver(this);
  emit dataReset();
  emit recordMoved();
  emit dataStateChanged();
}

engine::Table* TDataLink::table() const {
  return source_ ? source_->table() : nullptr;
}

bool TDataLink::active() const {
  const engine::Table* t = table();
  return t && t->isOpen();
}

bool TDataLink::editing() const {
  const engine::Table* t = table();
  return t && (t->state() == engine::TableState::Edit || t->state() == engine::TableState::Insert);
}

bool TDataLink::canModify() const {
  return active() && !table()->readOnly();
}

void TDataLink::observedGone() {
  // The source is being destroyed; it already forgets us.
  source_ = nullptr;
  emit dataReset();
  emit dataStateChanged();
}

}  // namespace torvelle::toolkit
