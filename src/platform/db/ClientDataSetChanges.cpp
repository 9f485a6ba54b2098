// TClientDataSet: the change log seen from the program (ChangeCount,
// UpdateStatus, CancelUpdates), ApplyUpdates with reconciliation, and nested
// detail datasets that follow their master's current row.
#include "platform/db/ClientDataSet.h"

#include "platform/db/Field.h"
#include "platform/db/FieldTypes.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"

#include <QSet>

namespace vantor {

// --- the change log ---------------------------------------------------------------------

int TClientDataSet::ChangeCount() const { return Active() && store_ ? store_->ChangeCount() : 0; }

TUpdateStatus TClientDataSet::UpdateStatus() const {
  if (State() == dsInsert) return usInserted;
  const int r = Active() && store_ ? CurrentStoreRow() : -1;
  return r < 0 ? usUnmodified : store_->Status(r);
}

QVariant TClientDataSet::FieldOldValue(const TField* f) const {
  const int r = Active() && store_ && State() != dsInsert ? CurrentStoreRow() : -1;
  const int s = f->Slot();
  if (r < 0 || s < 0) return Null();
  auto it = store_->Log.constFind(r);
  if (it != store_->Log.constEnd() && it->Kind == ukInsert) return Null();
  const QVariantList& values = it != store_->Log.constEnd() ? it->Original : store_->Rows[size_t(r)].Values;
  return s < values.size() && values.at(s).isValid() ? values.at(s) : Null();
}

void TClientDataSet::AfterStoreChange() {
  const TBookmark keep = ActiveRow() >= 0 ? RowBookmark(ActiveRow()) : TBookmark();
  RebuildView();
  RepositionAfterChange(keep);
  SyncDetails(true);
}

void TClientDataSet::CancelUpdates() {
  if (!Active() || !store_) return;
  Cancel();
  store_->CancelAll();
  AfterStoreChange();
}

void TClientDataSet::RevertRecord() {
  if (!Active() || !store_) return;
  if (State() == dsInsert || State() == dsEdit) Cancel();
  const int r = CurrentStoreRow();
  if (r < 0) return;
  store_->RevertRow(r);
  AfterStoreChange();
}

void TClientDataSet::MergeChangeLog() {
  if (!Active() || !store_) return;
  CheckBrowseMode();
  store_->MergeAll();
  AfterStoreChange();
}

// --- apply --------------------------------------------------------------------------------

namespace {

QVariantList DataPart(const QVariantList& values, int columns) {
  QVariantList out = values.mid(0, columns);
  while (out.size() < columns) out.append(Null());
  return out;
}

QVariantList NormalizeRow(const TFieldDefs& defs, const QVariantList& values) {
  QVariantList out;
  for (int c = 0; c < defs.Count(); ++c)
    out << (defs.Items(c).DataType == ftDataSet ? Null() : NormalizeStored(defs.Items(c).DataType, values.value(c)));
  return out;
}

}  // namespace

TDelta TClientDataSet::BuildDelta(const TRowStore& store, const TFieldDefs& defs, std::vector<int>* rowsOut) const {
  TDelta delta;
  delta.Fields = defs.ToPacket();
  const int cols = defs.Count();
  QList<QPair<int, int>> nested;  // (column, ordinal)
  for (int c = 0; c < cols; ++c)
    if (defs.Items(c).DataType == ftDataSet) nested << qMakePair(c, int(nested.size()));
  for (int r : store.ChangedRows()) {
    const TRowRecord& rec = store.Rows[size_t(r)];
    TDeltaRow row;
    auto it = store.Log.constFind(r);
    if (it != store.Log.constEnd()) {
      row.Kind = it->Kind;
      if (row.Kind != ukInsert) row.OldValues = DataPart(it->Original, cols);
      if (row.Kind == ukInsert) row.NewValues = DataPart(it->Current, cols);
      if (row.Kind == ukModify) {
        const QVariantList cur = DataPart(it->Current, cols);
        for (int c = 0; c < cols; ++c) row.NewValues << (VarSame(cur.at(c), row.OldValues.at(c)) ? QVariant() : cur.at(c));
      }
    } else {
      row.Kind = ukModify;
      row.OldValues = DataPart(rec.Values, cols);
      row.NewValues = QVariantList(cols);
    }
    for (const auto& [column, ordinal] : nested) {
      if (row.OldValues.size() > column) row.OldValues[column] = QVariant();
      if (row.NewValues.size() > column) row.NewValues[column] = QVariant();
      if (size_t(ordinal) >= rec.Details.size() || !rec.Details[size_t(ordinal)]) continue;
      const TRowStore& child = *rec.Details[size_t(ordinal)];
      if (child.ChangeCount() == 0) continue;
      row.Details << qMakePair(column, BuildDelta(child, defs.Items(column).ChildDefs(), nullptr).Rows);
    }
    if (it == store.Log.constEnd() && row.Details.isEmpty()) continue;
    delta.Rows << row;
    if (rowsOut) rowsOut->push_back(r);
  }
  return delta;
}

int TClientDataSet::ApplyUpdates(int maxErrors) {
  if (IsNested()) {
    if (!master_) DatabaseError(QStringLiteral("The master dataset is missing"));
    return master_->ApplyUpdates(maxErrors);
  }
  CheckBrowseMode();
  for (const QPointer<TClientDataSet>& d : details_)
    if (d && d->Active()) d->CheckBrowseMode();
  if (ChangeCount() == 0) return 0;
  const QVariant srv = CheckedAppServer();
  std::vector<int> rows;
  const TDelta delta = BuildDelta(*store_, FieldDefs(), &rows);
  QVariantList args{providerName_, DeltaToVariant(delta), maxErrors, 0};
  const QVariant answer = VarToDispatch(srv)->Invoke(QStringLiteral("AS_ApplyUpdates"), args, ByRefArg(3));
  const QList<TReconcileError> errors = ReconcileErrorsFromVariant(answer);
  const int errorCount = qMax(args.value(3).toInt(), int(errors.size()));
  const bool refused = maxErrors >= 0 && errorCount > maxErrors;
  Reconcile(errors, rows, refused);
  return errorCount;
}

// The fields this client did not change take the server's values; the
// server's row becomes the original, so the change applies on the next try.
void TClientDataSet::MergeWithServerRow(int r, const QVariantList& server) {
  TRowChange& change = store_->Log[r];
  QVariantList& values = store_->Rows[size_t(r)].Values;
  for (int c = 0; c < server.size() && c < values.size(); ++c)
    if (VarSame(values.at(c), change.Original.value(c))) values[c] = server.at(c);
  change.Original = server;
  if (change.Kind != ukDelete) change.Current = values;
}

void TClientDataSet::Reconcile(const QList<TReconcileError>& errors, const std::vector<int>& rows, bool refused) {
  QSet<int> errorRows;
  for (const TReconcileError& e : errors)
    if (e.RowIndex >= 0 && size_t(e.RowIndex) < rows.size()) errorRows.insert(rows[size_t(e.RowIndex)]);
  // What the server kept is merged first, so that a failing handler below
  // cannot leave applied rows pending (they would be sent twice).
  if (!refused)
    for (int r : rows)
      if (!errorRows.contains(r)) store_->MergeRow(r);
  try {
    for (const TReconcileError& e : errors) {
      if (e.RowIndex < 0 || size_t(e.RowIndex) >= rows.size()) continue;
      const int r = rows[size_t(e.RowIndex)];
      TReconcileAction action = raSkip;
      OnReconcileError(this, e, e.Kind, action);
      if (action == raAbort) break;
      if (action == raCancel) {
        store_->RevertRow(r);
      } else if (action == raRefresh) {
        store_->RevertRow(r);
        if (!store_->Rows[size_t(r)].Discarded && e.CurValues.size() >= FieldDefs().Count())
          store_->Rows[size_t(r)].Values = NormalizeRow(FieldDefs(), e.CurValues);
      } else if (action == raMerge && store_->Log.contains(r) && store_->Log[r].Kind != ukInsert &&
                 e.CurValues.size() >= FieldDefs().Count()) {
        MergeWithServerRow(r, NormalizeRow(FieldDefs(), e.CurValues));
      }
    }
  } catch (...) {
    store_->CompactNatural();
    AfterStoreChange();
    throw;
  }
  store_->CompactNatural();
  AfterStoreChange();
}

// --- nested datasets -------------------------------------------------------------------------

void TClientDataSet::SetDataSetField(TDataSetField* field) {
  if (dataSetField_ == field) return;
  if (Active()) DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
  TClientDataSet* master = nullptr;
  if (field) {
    master = qobject_cast<TClientDataSet*>(field->DataSet());
    if (!master)
      DatabaseError(QStringLiteral("Field '%1' belongs to no client dataset").arg(field->DisplayName()));
  }
  if (dataSetField_) dataSetField_->SetNestedDataSet(nullptr);
  if (master_) master_->details_.removeAll(this);
  dataSetField_ = field;
  master_ = master;
  if (field) {
    field->SetNestedDataSet(this);
    master->details_ << this;
  }
}

int TClientDataSet::NestedOrdinal(const TDataSetField* field) const {
  int ordinal = 0;
  for (int c = 0; c < FieldDefs().Count(); ++c) {
    const TFieldDef& d = FieldDefs().Items(c);
    if (d.DataType != ftDataSet) continue;
    if (d.Name.compare(field->FieldName(), Qt::CaseInsensitive) == 0) return ordinal;
    ++ordinal;
  }
  return -1;
}

TRowStoreRef TClientDataSet::CurrentDetailStore(int ordinal, int dataColumns) {
  if (!store_ || ordinal < 0) return nullptr;
  if (State() == dsInsert) {
    if (int(pendingDetails_.size()) <= ordinal) pendingDetails_.resize(size_t(ordinal) + 1);
    TRowStoreRef& s = pendingDetails_[size_t(ordinal)];
    if (!s) s = std::make_shared<TRowStore>(dataColumns);
    return s;
  }
  const int r = CurrentStoreRow();
  return r < 0 ? nullptr : store_->Detail(r, ordinal, dataColumns);
}

void TClientDataSet::OpenNested() {
  if (!master_ || !master_->Active())
    DatabaseError(QStringLiteral("Cannot open a nested dataset while its master is closed"));
  const TFieldDef* def = master_->FieldDefs().Find(dataSetField_->FieldName());
  if (!def) DatabaseError(QStringLiteral("Field '%1' not found").arg(dataSetField_->FieldName()));
  FieldDefs() = def->ChildDefs();
  BindFields();
  allFetched_ = true;
  store_.reset();
  AttachToMaster(true);
}

void TClientDataSet::AttachToMaster(bool force) {
  if (!master_) return;
  TRowStoreRef s = master_->CurrentDetailStore(master_->NestedOrdinal(dataSetField_), FieldDefs().Count());
  const bool placeholder = !s;
  const int masterRow = master_->State() == dsInsert ? -1 : master_->CurrentStoreRow();
  // A new master row keeps the detail rows it was given while inserted.
  if (!force && s && s == store_) {
    masterRow_ = masterRow;
    return;
  }
  if (!force && placeholder && store_ && store_->Rows.empty()) return;
  if (State() == dsEdit || State() == dsInsert) CheckBrowseMode();
  masterRow_ = masterRow;
  AdoptRows(placeholder ? std::make_shared<TRowStore>(FieldDefs().Count()) : s);
  if (State() != dsOpening) ResetToFirst();
}

void TClientDataSet::SyncDetails(bool force) {
  if (!store_) return;
  const QList<QPointer<TClientDataSet>> details = details_;
  for (const QPointer<TClientDataSet>& d : details)
    if (d && d->Active() && d->State() != dsOpening) d->AttachToMaster(force);
}

void TClientDataSet::DataEventHook(TDataEvent event) {
  if (details_.isEmpty() || !Active()) return;
  if (event == deCheckBrowseMode) {
    // Before the master moves or posts, what is typed into a detail is posted
    // into the detail rows of the master row it belongs to.
    const QList<QPointer<TClientDataSet>> details = details_;
    for (const QPointer<TClientDataSet>& d : details)
      if (d && (d->State() == dsEdit || d->State() == dsInsert)) d->CheckBrowseMode();
  } else if (event == deDataSetChange || event == deDataSetScroll || event == deUpdateState) {
    SyncDetails(false);
  }
}

void TClientDataSet::CheckMasterRecord() {
  if (!master_ || !master_->Active())
    DatabaseError(QStringLiteral("Cannot change a nested dataset while its master is closed"));
  if (master_->State() != dsInsert && master_->CurrentStoreRow() < 0)
    DatabaseError(QStringLiteral("Cannot change a nested dataset: its master has no current record"));
  AttachToMaster(false);
}

void TClientDataSet::PrepareChange() {
  if (IsNested()) CheckMasterRecord();
}

void TClientDataSet::NoteChange() {
  // The rows of a record being inserted travel with its insert.
  if (master_ && masterRow_ >= 0) master_->MarkRowDetailChanged(masterRow_);
}

void TClientDataSet::MarkRowDetailChanged(int storeRow) {
  if (!store_ || storeRow < 0 || size_t(storeRow) >= store_->Rows.size()) return;
  store_->DetailChanged.insert(storeRow);
  NoteChange();
}

}  // namespace vantor
