// Data sources and data links: the fan-out of dataset notifications.
#include "platform/db/DataSource.h"

#include "platform/db/DataSet.h"
#include "platform/db/Field.h"

namespace vantor {

// --- TDataLink -------------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (dataSource_) dataSource_->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* ds) {
  if (dataSource_ == ds) return;
  if (dataSource_) dataSource_->RemoveLink(this);
  dataSource_ = ds;
  if (ds) ds->AddLink(this);
  UpdateState();
}

TDataSet* TDataLink::DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool v) {
  if (readOnly_ == v) return;
  readOnly_ = v;
  UpdateState();
}

bool TDataLink::Edit() {
  if (!readOnly_ && dataSource_) dataSource_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

void TDataLink::UpdateState() {
  const TDataSetState s = dataSource_ ? dataSource_->State() : dsInactive;
  const bool active = s != dsInactive;
  if (active != active_) {
    active_ = active;
    ActiveChanged();
  }
  const bool editing = active && !readOnly_ && (s == dsEdit || s == dsInsert);
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

void TDataLink::DataEvent(TDataEvent event, qintptr info) {
  switch (event) {
    case deUpdateState: UpdateState(); break;
    case deFieldChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deRecordChange:
      if (!updating_) RecordChanged(nullptr);
      break;
    case deDataSetChange: DataSetChanged(); break;
    case deDataSetScroll: DataSetScrolled(int(info)); break;
    case deLayoutChange: case deFieldListChange: LayoutChanged(); break;
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField*>(info)); break;
    default: break;
  }
}

// --- TDataSource -------------------------------------------------------------------------

TDataSource::TDataSource(QObject* owner) : QObject(owner) {
  events_.Add(&OnDataChange);
  events_.Add(&OnStateChange);
  events_.Add(&OnUpdateData);
}

TDataSource::~TDataSource() {
  if (dataSet_) dataSet_->RemoveDataSource(this);
  const QList<TDataLink*> links = links_;
  for (TDataLink* l : links) l->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* ds) {
  if (dataSet_ == ds) return;
  if (dataSet_) dataSet_->RemoveDataSource(this);
  dataSet_ = ds;
  if (ds) ds->AddDataSource(this);
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSource::State() const {
  return enabled_ && dataSet_ ? dataSet_->State() : dsInactive;
}

void TDataSource::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  DataEvent(deUpdateState, 0);
}

void TDataSource::Edit() {
  if (autoEdit_ && State() == dsBrowse) dataSet_->Edit();
}

void TDataSource::NotifyLinks(TDataEvent event, qintptr info) {
  const QList<TDataLink*> links = links_;
  for (TDataLink* l : links)
    if (links_.contains(l)) l->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, qintptr info) {
  if (event == deUpdateState) {
    const TDataSetState now = State();
    if (now == lastState_) return;
    const TDataSetState prior = lastState_;
    lastState_ = now;
    NotifyLinks(deUpdateState, 0);
    OnStateChange(this);
    if (prior == dsInactive) OnDataChange(nullptr);
    return;
  }
  if (lastState_ == dsInactive) return;
  NotifyLinks(event, info);
  switch (event) {
    case deFieldChange: OnDataChange(reinterpret_cast<TField*>(info)); break;
    case deRecordChange: case deDataSetChange: case deDataSetScroll: case deLayoutChange:
      OnDataChange(nullptr);
      break;
    case deUpdateRecord: OnUpdateData(this); break;
    default: break;
  }
}

}  // namespace vantor
