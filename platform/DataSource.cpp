#include "DataSource.h"

#include <algorithm>

namespace pf {

// ---- DataSource ---------------------------------------------------------------

DataSource::DataSource(QObject* owner) : QObject(owner) {}

DataSource::~DataSource() {
  if (dataSet_) dataSet_->detachSource(this);
  dataSet_ = nullptr;
  const auto links = links_;
  links_.clear();
  for (DataLink* l : links) l->sourceGone();
}

void DataSource::setDataSet(DataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_) dataSet_->detachSource(this);
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->attachSource(this);
  updateLinkStates();
}

void DataSource::setEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  updateLinkStates();
}

DataSetState DataSource::state() const {
  return dataSet_ && enabled_ ? dataSet_->state() : DataSetState::Inactive;
}

void DataSource::edit() {
  if (autoEdit_ && dataSet_ && dataSet_->state() == DataSetState::Browse) dataSet_->edit();
}

void DataSource::updateLinkStates() {
  const auto links = links_;
  for (DataLink* l : links)
    if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->updateState();
  const DataSetState now = state();
  if (now != lastState_) {
    lastState_ = now;
    if (onStateChange) onStateChange(*this);
  }
}

void DataSource::notify(DataEvent event, Field* field, int info, bool controlsDisabled) {
  const auto links = links_;
  const auto alive = [this](DataLink* l) {
    return std::find(links_.begin(), links_.end(), l) != links_.end();
  };
  if (event == DataEvent::UpdateState) {
    for (DataLink* l : links)
      if (alive(l) && (!controlsDisabled || !l->visualControl())) l->updateState();
    const DataSetState now = state();
    if (now != lastState_) {
      lastState_ = now;
      if (onStateChange) onStateChange(*this);
    }
    return;
  }
  if (!enabled_) return;
  for (DataLink* l : links)
    if (alive(l)) l->notify(event, field, info);
  switch (event) {
    case DataEvent::FieldChange:
    case DataEvent::RecordChange:
      if (onDataChange) onDataChange(*this, field);
      break;
    case DataEvent::DataSetChange:
    case DataEvent::DataSetScroll:
    case DataEvent::LayoutChange:
      if (onDataChange) onDataChange(*this, nullptr);
      break;
    case DataEvent::UpdateRecord:
      if (onUpdateData) onUpdateData(*this);
      break;
    default: break;
  }
}

// ---- DataLink -----------------------------------------------------------------

DataLink::~DataLink() {
  if (source_) std::erase(source_->links_, this);
}

void DataLink::setDataSource(DataSource* source) {
  if (source == source_) return;
  if (source_) std::erase(source_->links_, this);
  source_ = source;
  if (source_) source_->links_.push_back(this);
  updateState();
}

DataSet* DataLink::dataSet() const { return source_ ? source_->dataSet() : nullptr; }

void DataLink::setReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  updateState();
}

bool DataLink::edit() {
  if (!readOnly_ && source_) source_->edit();
  return editing_;
}

void DataLink::updateRecord() {
  updating_ = true;
  try {
    updateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

void DataLink::sourceGone() {
  source_ = nullptr;
  updateState();
}

void DataLink::updateState() {
  const DataSet* ds = dataSet();
  const bool nowActive = source_ && source_->enabled() && ds && ds->active();
  if (nowActive != active_) {
    active_ = nowActive;
    activeChanged();
  }
  const bool nowEditing = active_ && !readOnly_ &&
                          (ds->state() == DataSetState::Edit ||
                           ds->state() == DataSetState::Insert);
  if (nowEditing != editing_) {
    editing_ = nowEditing;
    editingChanged();
  }
}

void DataLink::notify(DataEvent event, Field* field, int info) {
  if (event == DataEvent::UpdateState) {
    updateState();
    return;
  }
  if (!active_) return;
  switch (event) {
    case DataEvent::FieldChange:
      if (!updating_) recordChanged(field);
      break;
    case DataEvent::RecordChange:
      if (!updating_) recordChanged(nullptr);
      break;
    case DataEvent::DataSetChange: dataSetChanged(); break;
    case DataEvent::DataSetScroll: dataSetScrolled(info); break;
    case DataEvent::LayoutChange: layoutChanged(); break;
    case DataEvent::UpdateRecord: updateRecord(); break;
    case DataEvent::CheckBrowseMode: checkBrowseMode(); break;
    default: break;
  }
}

}  // namespace pf
