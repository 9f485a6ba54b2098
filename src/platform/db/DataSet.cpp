// The dataset state machine: opening and closing, fields, the edit buffer,
// calculated fields and notifications. Navigation and editing commands live
// in DataSetNavigation.cpp.
#include "platform/db/DataSet.h"

#include "platform/db/DataSource.h"
#include "platform/db/Field.h"
#include "platform/db/FieldTypes.h"
#include "platform/db/IndexDefs.h"
#include "platform/os/Exceptions.h"

namespace vantor {

TDataSet::TDataSet(QObject* owner) : QObject(owner) { RegisterEvents(); }

TDataSet::~TDataSet() {
  destroying_ = true;
  for (TDataSource* s : dataSources_) s->dataSet_ = nullptr;
  const QList<TField*> fields = fields_;
  fields_.clear();
  for (TField* f : fields) {
    f->dataSet_ = nullptr;
    delete f;
  }
}

void TDataSet::RegisterEvents() {
  for (TEventBase* e : std::initializer_list<TEventBase*>{
           &BeforeOpen, &AfterOpen, &BeforeClose, &AfterClose, &BeforeInsert, &AfterInsert,
           &BeforeEdit, &AfterEdit, &BeforePost, &AfterPost, &BeforeCancel, &AfterCancel,
           &BeforeDelete, &AfterDelete, &BeforeScroll, &AfterScroll, &OnNewRecord,
           &OnCalcFields, &OnFilterRecord})
    events_.Add(e);
}

void TDataSet::DatabaseError(const QString& message) const {
  const QString name = objectName();
  throw EDatabaseError(name.isEmpty() ? message : name + QStringLiteral(": ") + message);
}

// --- fields -----------------------------------------------------------------------------

TField* TDataSet::FindField(const QString& name) const {
  for (TField* f : fields_)
    if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f;
  return nullptr;
}

TField* TDataSet::FieldByName(const QString& name) const {
  TField* f = FindField(name);
  if (!f) DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
  return f;
}

TField* TDataSet::CreateField(TFieldType type, const QString& name, int size, TFieldKind kind) {
  TField* f = CreateFieldOfType(type, this);
  try {
    f->SetFieldName(name);
  } catch (...) {
    delete f;
    throw;
  }
  if (size > 0) f->SetSize(size);
  f->SetFieldKind(kind);
  return f;
}

QList<TField*> TDataSet::FieldList(const QString& names) const {
  QList<TField*> out;
  for (const QString& n : SplitFieldNames(names)) out << FieldByName(n);
  return out;
}

QVariant TDataSet::FieldValues(const QString& names) const {
  const QList<TField*> list = FieldList(names);
  if (list.size() == 1) return list.first()->Value();
  QVariantList values;
  for (TField* f : list) values << f->Value();
  return values;
}

void TDataSet::RegisterField(TField* f) {
  if (!fields_.contains(f)) fields_ << f;
  if (Active()) DataEvent(deFieldListChange);
}

void TDataSet::UnregisterField(TField* f) {
  fields_.removeAll(f);
  dynamic_.removeAll(f);
  if (Active() && !destroying_) DataEvent(deFieldListChange);
}

void TDataSet::MoveField(TField* f, int newIndex) {
  const int from = fields_.indexOf(f);
  if (from < 0) return;
  const int to = qBound(0, newIndex, int(fields_.size()) - 1);
  if (from == to) return;
  fields_.move(from, to);
  if (Active()) DataEvent(deLayoutChange);
}

namespace {

int TypeFamily(TFieldType t) {
  if (IsNumericType(t)) return 1;
  switch (t) {
    case ftString: case ftFixedChar: case ftWideString: case ftGuid: case ftMemo: case ftFmtMemo:
      return 2;
    case ftDate: case ftTime: case ftDateTime: return 3;
    case ftBoolean: return 4;
    case ftDataSet: return 5;
    default: return 6;
  }
}

}  // namespace

void TDataSet::BindFields() {
  bool persistentData = false;
  for (TField* f : fields_) persistentData |= f->FieldKind() == fkData;
  if (!persistentData) {
    for (int i = 0; i < fieldDefs_.Count(); ++i) {
      const TFieldDef& d = fieldDefs_.Items(i);
      TField* f = CreateFieldOfType(d.DataType, this);
      f->SetFieldName(d.Name);
      if (d.Size > 0 || d.DataType == ftBCD) f->SetSize(d.Size);
      if (d.DataType == ftBCD) f->setProperty("Precision", d.Precision);
      f->SetRequired(d.Required);
      f->SetReadOnly(d.ReadOnly);
      dynamic_ << f;
    }
  }
  int calcSlot = fieldDefs_.Count();
  hasCalc_ = false;
  for (TField* f : fields_) {
    if (f->FieldKind() == fkData) {
      const TFieldDef* d = fieldDefs_.Find(f->FieldName());
      if (!d) DatabaseError(QStringLiteral("Field '%1' not found").arg(f->FieldName()));
      if (TypeFamily(d->DataType) != TypeFamily(f->DataType()))
        DatabaseError(QStringLiteral("Type mismatch for field '%1': the data holds type %2, the field type %3")
                          .arg(f->DisplayName()).arg(int(d->DataType)).arg(int(f->DataType())));
      f->SetSlot(d->FieldNo);
    } else if (f->FieldKind() == fkCalculated || f->FieldKind() == fkInternalCalc) {
      f->SetSlot(calcSlot++);
      hasCalc_ = true;
    } else {
      f->SetSlot(-1);
    }
  }
  slotCount_ = calcSlot;
}

void TDataSet::DestroyDynamicFields() {
  const QList<TField*> dyn = dynamic_;
  dynamic_.clear();
  qDeleteAll(dyn);
  for (TField* f : fields_) f->SetSlot(-1);
}

// --- open and close -------------------------------------------------------------------

void TDataSet::SetActive(bool v) {
  if (v == Active()) return;
  if (v) {
    BeforeOpen(this);
    OpenCursor();
    cur_ = RowCount() > 0 ? 0 : -1;
    bof_ = true;
    eof_ = cur_ < 0;
    CalculateCurrent();
    SetState(dsBrowse);
    AfterOpen(this);
    AfterScroll(this);
  } else {
    if (!destroying_) BeforeClose(this);
    SetState(dsInactive);
    CloseCursor();
    if (!destroying_) AfterClose(this);
  }
}

void TDataSet::CloseForDestroy() {
  destroying_ = true;
  if (Active()) SetActive(false);
}

void TDataSet::OpenCursor() {
  state_ = dsOpening;
  try {
    InternalOpen();
  } catch (...) {
    state_ = dsInactive;
    try {
      CloseCursor();
    } catch (...) {
    }
    throw;
  }
}

void TDataSet::CloseCursor() {
  InternalClose();
  ClearBuffers();
  DestroyDynamicFields();
  cur_ = -1;
  insertPos_ = -1;
  bof_ = eof_ = true;
  modified_ = false;
}

void TDataSet::ClearBuffers() { buffer_.Values.clear(); }

void TDataSet::SetState(TDataSetState s) {
  if (state_ == s) return;
  state_ = s;
  modified_ = false;
  DataEvent(deUpdateState);
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
}

void TDataSet::SetFiltered(bool v) {
  if (filtered_ == v) return;
  if (Active()) CheckBrowseMode();
  filtered_ = v;
  if (Active()) FilterChanged();
}

bool TDataSet::AcceptRow(const QVariantList& values) {
  if (!filtered_ || !OnFilterRecord.Assigned()) return true;
  const TDataSetState savedState = state_;
  const QVariantList* savedRead = readValues_;
  state_ = dsFilter;
  readValues_ = &values;
  bool accept = true;
  try {
    OnFilterRecord(this, accept);
  } catch (...) {
    state_ = savedState;
    readValues_ = savedRead;
    throw;
  }
  state_ = savedState;
  readValues_ = savedRead;
  return accept;
}

// --- field values --------------------------------------------------------------------

const QVariantList* TDataSet::ActiveValues() const {
  if (calcValues_) return calcValues_;
  if (readValues_) return readValues_;
  if (state_ == dsEdit || state_ == dsInsert) return &buffer_.Values;
  if (state_ == dsInactive || state_ == dsOpening) return nullptr;
  if (cur_ >= 0 && cur_ < RowCount()) return &RowValues(cur_);
  return nullptr;
}

QVariant TDataSet::FieldValue(const TField* f) const {
  if (f->validating_) return *f->validating_;
  if (f->FieldKind() == fkAggregate) return Active() ? AggregateValue(f) : Null();
  const QVariantList* vals = ActiveValues();
  const int s = f->Slot();
  if (!vals || s < 0 || s >= vals->size()) return Null();
  const QVariant& v = vals->at(s);
  return v.isValid() ? v : Null();
}

QVariant TDataSet::FieldOldValue(const TField* f) const {
  const int s = f->Slot();
  if (cur_ < 0 || cur_ >= RowCount() || s < 0) return Null();
  const QVariantList& vals = RowValues(cur_);
  return s < vals.size() && vals.at(s).isValid() ? vals.at(s) : Null();
}

void TDataSet::CheckFieldWritable(const TField* f) const {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
    DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
  if (f->ReadOnly() || f->FieldKind() == fkCalculated || f->FieldKind() == fkAggregate)
    throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(f->DisplayName()));
}

void TDataSet::StoreFieldValue(TField* f, const QVariant& stored) {
  QVariantList* target = calcValues_;
  if (!target && (state_ == dsEdit || state_ == dsInsert)) target = &buffer_.Values;
  if (!target) DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
  const int s = f->Slot();
  if (s < 0) return;
  while (target->size() <= s) target->append(Null());
  (*target)[s] = stored;
}

void TDataSet::FieldValueChanged(TField* f) {
  if (f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc) modified_ = true;
  if (autoCalcFields_ && f->FieldKind() == fkData) CalculateFields(&buffer_.Values);
  f->OnChange(f);
  DataEvent(deFieldChange, qintptr(f));
}

// --- calculated fields -----------------------------------------------------------------

bool TDataSet::HasCalcFields() const { return hasCalc_; }

void TDataSet::CalculateFields(QVariantList* values) {
  if (!hasCalc_ || !values || calcValues_) return;
  while (values->size() < slotCount_) values->append(Null());
  for (TField* f : fields_)
    if (f->FieldKind() == fkCalculated && f->Slot() >= 0) (*values)[f->Slot()] = Null();
  if (!OnCalcFields.Assigned()) return;
  const TDataSetState saved = state_;
  state_ = dsCalcFields;
  calcValues_ = values;
  try {
    OnCalcFields(this);
  } catch (...) {
    state_ = saved;
    calcValues_ = nullptr;
    throw;
  }
  state_ = saved;
  calcValues_ = nullptr;
}

void TDataSet::CalculateCurrent() {
  if (!hasCalc_) return;
  if (state_ == dsEdit || state_ == dsInsert)
    CalculateFields(&buffer_.Values);
  else if (cur_ >= 0 && cur_ < RowCount())
    CalculateFields(&MutableRowValues(cur_));
}

TDataSet::TReadScope::TReadScope(TDataSet* ds, int row) : ds_(ds), saved_(ds->readValues_) {
  static const QVariantList none;
  if ((row == kInsertedRow && ds->state_ == dsInsert) || (row == ds->cur_ && ds->state_ == dsEdit)) {
    ds->readValues_ = &ds->buffer_.Values;
  } else if (row >= 0 && row < ds->RowCount()) {
    if (ds->hasCalc_ && !ds->calcValues_) ds->CalculateFields(&ds->MutableRowValues(row));
    ds->readValues_ = &ds->RowValues(row);
  } else {
    ds->readValues_ = &none;
  }
}

TDataSet::TReadScope::~TReadScope() { ds_->readValues_ = saved_; }

// --- notifications -------------------------------------------------------------------------

void TDataSet::AddDataSource(TDataSource* ds) {
  if (!dataSources_.contains(ds)) dataSources_ << ds;
}

void TDataSet::RemoveDataSource(TDataSource* ds) { dataSources_.removeAll(ds); }

void TDataSet::DataEvent(TDataEvent event, qintptr info) {
  DataEventHook(event);
  if (disableCount_ == 0) {
    NotifyDataSources(event, info);
  } else if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange) {
    enableEvent_ = deLayoutChange;
  }
}

void TDataSet::NotifyDataSources(TDataEvent event, qintptr info) {
  const QList<TDataSource*> sources = dataSources_;
  for (TDataSource* s : sources)
    if (dataSources_.contains(s)) s->DataEvent(event, info);
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    enableEvent_ = deDataSetChange;
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  if (disableState_ != state_) DataEvent(deUpdateState);
  if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_);
}

void TDataSet::Resync() {
  if (!Active()) return;
  CalculateCurrent();
  DataEvent(deDataSetChange);
}

void TDataSet::RepositionAfterChange(const TBookmark& keep, bool notify) {
  int row = keep.IsValid() ? RowOfBookmark(keep) : -1;
  if (row < 0 && RowCount() > 0) row = qBound(0, cur_, RowCount() - 1);
  if (RowCount() == 0) row = -1;
  cur_ = row;
  if (cur_ < 0) {
    bof_ = eof_ = true;
  } else {
    bof_ = bof_ && cur_ == 0;
    eof_ = eof_ && cur_ == RowCount() - 1;
  }
  if (state_ == dsBrowse) CalculateCurrent();
  if (notify) DataEvent(deDataSetChange);
}

void TDataSet::SetCurrentRow(int row) { cur_ = row; }

void TDataSet::ResetToFirst(bool notify) {
  cur_ = RowCount() > 0 ? 0 : -1;
  bof_ = true;
  eof_ = cur_ < 0;
  if (state_ == dsBrowse) CalculateCurrent();
  if (notify) DataEvent(deDataSetChange);
}

}  // namespace vantor
