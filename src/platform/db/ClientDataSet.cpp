// TClientDataSet: opening from a provider, packets, the visible order of the
// rows (index and filter), posting and deleting into the row store, and the
// searches behind Locate. Changes, apply and nested datasets are in
// ClientDataSetChanges.cpp.
#include "platform/db/ClientDataSet.h"

#include "platform/db/Field.h"
#include "platform/db/FieldTypes.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"

#include <algorithm>
#include <iterator>

namespace vantor {

TClientDataSet::TClientDataSet(QObject* owner) : TDataSet(owner) { AddEvent(&OnReconcileError); }

TClientDataSet::~TClientDataSet() {
  CloseForDestroy();
  if (dataSetField_) dataSetField_->SetNestedDataSet(nullptr);
  if (master_) master_->details_.removeAll(this);
  for (const QPointer<TClientDataSet>& d : details_)
    if (d) d->master_ = nullptr;
}

// --- the provider ------------------------------------------------------------------------

QVariant TClientDataSet::AppServer() const {
  if (IsNested()) return master_ ? master_->AppServer() : QVariant();
  if (VarIsDispatch(appServer_) || !remoteServer_) return appServer_;
  QVariant v = remoteServer_->property("AppServer");
  if (!VarIsDispatch(v) && remoteServer_->property("Connected").isValid() &&
      !remoteServer_->property("Connected").toBool()) {
    remoteServer_->setProperty("Connected", true);
    v = remoteServer_->property("AppServer");
  }
  return v;
}

QVariant TClientDataSet::CheckedAppServer() const {
  const QVariant srv = AppServer();
  if (!VarIsDispatch(srv) || providerName_.isEmpty())
    DatabaseError(QStringLiteral("Missing data provider or data packet"));
  return srv;
}

QVariant TClientDataSet::DataRequest(const QVariant& data) {
  request_ = data;
  requestSent_ = false;
  const QVariant srv = AppServer();
  if (!VarIsDispatch(srv) || providerName_.isEmpty()) return QVariant();
  const QVariant answer = DispCall(srv, QStringLiteral("AS_DataRequest"), {providerName_, data});
  requestSent_ = true;
  return answer;
}

void TClientDataSet::InternalOpen() {
  if (IsNested())
    OpenNested();
  else if (localOpen_)
    OpenLocal();
  else
    OpenFromProvider();
}

void TClientDataSet::OpenFromProvider() {
  const QVariant srv = CheckedAppServer();
  if (request_.isValid() && !requestSent_)
    DispCall(srv, QStringLiteral("AS_DataRequest"), {providerName_, request_});
  requestSent_ = false;
  const TDataPacket packet = PacketFromVariant(
      DispCall(srv, QStringLiteral("AS_GetRecords"), {providerName_, packetRecords_, int(poRestart)}));
  if (packet.Fields.isEmpty())
    DatabaseError(QStringLiteral("Provider '%1' sent no field definitions").arg(providerName_));
  FieldDefs() = TFieldDefs::FromPacket(packet.Fields);
  BindFields();
  auto store = std::make_shared<TRowStore>(FieldDefs().Count());
  LoadPacketRows(*store, FieldDefs(), packet.Rows);
  allFetched_ = packet.Eof;
  AdoptRows(store);
}

void TClientDataSet::OpenLocal() {
  BindFields();
  allFetched_ = true;
  AdoptRows(std::make_shared<TRowStore>(FieldDefs().Count()));
}

void TClientDataSet::CreateDataSet() {
  if (Active()) DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
  if (FieldDefs().Count() == 0) {
    for (TField* f : Fields())
      if (f->FieldKind() == fkData) FieldDefs().Add(f->FieldName(), f->DataType(), f->Size(), f->Required());
  }
  if (FieldDefs().Count() == 0) DatabaseError(QStringLiteral("Field definitions are missing"));
  localOpen_ = true;
  try {
    Open();
  } catch (...) {
    localOpen_ = false;
    throw;
  }
}

void TClientDataSet::EmptyDataSet() {
  CheckBrowseMode();
  if (IsNested()) {
    while (!IsEmpty()) Delete();
    return;
  }
  AdoptRows(std::make_shared<TRowStore>(FieldDefs().Count()));
  ResetToFirst();
}

void TClientDataSet::AdoptRows(TRowStoreRef store) {
  store_ = std::move(store);
  hash_.clear();
  BuildSortKeys();
  RebuildView();
}

void TClientDataSet::InternalClose() {
  for (const QPointer<TClientDataSet>& d : details_)
    if (d && d->Active()) d->Close();
  store_.reset();
  view_.clear();
  posOf_.clear();
  hash_.clear();
  pendingDetails_.clear();
  Touch();
  allFetched_ = true;
  localOpen_ = false;
}

int TClientDataSet::FetchPacket(int count) {
  const QVariant srv = CheckedAppServer();
  const TDataPacket packet =
      PacketFromVariant(DispCall(srv, QStringLiteral("AS_GetRecords"), {providerName_, count, 0}));
  const size_t first = store_->Rows.size();
  LoadPacketRows(*store_, FieldDefs(), packet.Rows);
  allFetched_ = packet.Eof || packet.Rows.isEmpty();
  AppendToView(first);
  return int(packet.Rows.size());
}

bool TClientDataSet::FetchMoreRows(bool all) {
  return GetNextPacketOf(all ? -1 : packetRecords_) > 0;
}

int TClientDataSet::GetNextPacket() { return GetNextPacketOf(packetRecords_); }

int TClientDataSet::GetNextPacketOf(int count) {
  if (!Active() || !store_ || allFetched_ || IsNested() || localOpen_) return 0;
  const TBookmark keep = ActiveRow() >= 0 ? RowBookmark(ActiveRow()) : TBookmark();
  const int n = FetchPacket(count > 0 ? count : -1);
  if (n > 0) RepositionAfterChange(keep);
  return n;
}

// --- the visible order -----------------------------------------------------------------------

const QVariantList& TClientDataSet::RowValues(int row) const {
  return store_->Rows[size_t(view_[size_t(row)])].Values;
}

QVariantList& TClientDataSet::MutableRowValues(int row) {
  QVariantList& v = store_->Rows[size_t(view_[size_t(row)])].Values;
  while (v.size() < SlotCount()) v.append(Null());
  return v;
}

TBookmark TClientDataSet::RowBookmark(int row) const {
  return TBookmark{(quint64(store_->Serial()) << 32) | quint64(view_[size_t(row)] + 1)};
}

int TClientDataSet::RowOfBookmark(const TBookmark& b) const {
  if (!store_ || quint32(b.Id >> 32) != store_->Serial()) return -1;
  const qint64 row = qint64(b.Id & 0xffffffffu) - 1;
  if (row < 0 || row >= qint64(store_->Rows.size())) return -1;
  return PosOfRow(int(row));
}

int TClientDataSet::PosOfRow(int storeRow) const {
  if (posDirty_) {
    posOf_.assign(store_ ? store_->Rows.size() : 0, -1);
    for (size_t i = 0; i < view_.size(); ++i) posOf_[size_t(view_[i])] = int(i);
    posDirty_ = false;
  }
  return storeRow >= 0 && size_t(storeRow) < posOf_.size() ? posOf_[size_t(storeRow)] : -1;
}

void TClientDataSet::BuildSortKeys() {
  sortKeys_.clear();
  const TIndexDef* def = nullptr;
  QStringList names;
  if (!indexName_.isEmpty()) {
    def = indexDefs_.Find(indexName_);
    if (!def) DatabaseError(QStringLiteral("Index '%1' not found").arg(indexName_));
    names = def->FieldList();
  } else {
    names = SplitFieldNames(indexFieldNames_);
  }
  for (const QString& n : names) {
    TField* f = FieldByName(n);
    if (f->Slot() < 0 || f->FieldKind() == fkCalculated || f->DataType() == ftDataSet)
      DatabaseError(QStringLiteral("Field '%1' cannot be used in an index").arg(f->DisplayName()));
    sortKeys_.push_back({f->Slot(), def && def->IsDescending(n), def && def->IsCaseInsensitive(n)});
  }
}

bool TClientDataSet::RowLess(int a, int b) const {
  const QVariantList& va = store_->Rows[size_t(a)].Values;
  const QVariantList& vb = store_->Rows[size_t(b)].Values;
  for (const TSortKey& k : sortKeys_) {
    const QVariant& x = k.Slot < va.size() ? va.at(k.Slot) : QVariant();
    const QVariant& y = k.Slot < vb.size() ? vb.at(k.Slot) : QVariant();
    int c = CompareStored(x, y, k.CaseInsensitive);
    if (k.Descending) c = -c;
    if (c != 0) return c < 0;
  }
  return false;
}

void TClientDataSet::RebuildView() {
  view_.clear();
  if (!store_) return;
  view_.reserve(store_->Natural.size());
  for (int r : store_->Natural) {
    const TRowRecord& rec = store_->Rows[size_t(r)];
    if (rec.Deleted || rec.Discarded) continue;
    if (Filtered() && !AcceptRow(rec.Values)) continue;
    view_.push_back(r);
  }
  if (!sortKeys_.empty())
    std::stable_sort(view_.begin(), view_.end(), [this](int a, int b) { return RowLess(a, b); });
  Touch();
}

void TClientDataSet::AppendToView(size_t firstNewRow) {
  std::vector<int> fresh;
  for (size_t r = firstNewRow; r < store_->Rows.size(); ++r)
    if (!Filtered() || AcceptRow(store_->Rows[r].Values)) fresh.push_back(int(r));
  if (sortKeys_.empty()) {
    // Rows after the end: the position map stays valid, so fetching packet
    // after packet costs no more than the packets themselves.
    const size_t first = view_.size();
    view_.insert(view_.end(), fresh.begin(), fresh.end());
    ++version_;
    if (!posDirty_) {
      posOf_.resize(store_->Rows.size(), -1);
      for (size_t i = first; i < view_.size(); ++i) posOf_[size_t(view_[i])] = int(i);
    }
    return;
  }
  auto less = [this](int a, int b) { return RowLess(a, b); };
  std::stable_sort(fresh.begin(), fresh.end(), less);
  std::vector<int> merged;
  merged.reserve(view_.size() + fresh.size());
  std::merge(view_.begin(), view_.end(), fresh.begin(), fresh.end(), std::back_inserter(merged), less);
  view_.swap(merged);
  Touch();
}

void TClientDataSet::FilterChanged() {
  const TBookmark keep = ActiveRow() >= 0 ? RowBookmark(ActiveRow()) : TBookmark();
  RebuildView();
  RepositionAfterChange(keep);
}

void TClientDataSet::SetIndexFieldNames(const QString& names) { ChangeIndex(names, QString()); }

void TClientDataSet::SetIndexName(const QString& name) { ChangeIndex(QString(), name); }

// The two ways of naming an index exclude each other; a refused change
// leaves the dataset sorted as before.
void TClientDataSet::ChangeIndex(const QString& fieldNames, const QString& indexName) {
  const QString oldNames = indexFieldNames_, oldIndex = indexName_;
  indexFieldNames_ = fieldNames;
  indexName_ = indexName;
  try {
    ApplyIndexChange();
  } catch (...) {
    indexFieldNames_ = oldNames;
    indexName_ = oldIndex;
    if (Active()) BuildSortKeys();
    throw;
  }
}

void TClientDataSet::ApplyIndexChange() {
  if (!Active() || !store_) return;
  CheckBrowseMode();
  const TBookmark keep = ActiveRow() >= 0 ? RowBookmark(ActiveRow()) : TBookmark();
  BuildSortKeys();
  RebuildView();
  RepositionAfterChange(keep);
}

int TClientDataSet::PlaceRow(int storeRow, int wantedPos, bool inserting) {
  const int old = inserting ? -1 : PosOfRow(storeRow);
  if (old >= 0) view_.erase(view_.begin() + old);
  ++version_;
  if (Filtered() && !AcceptRow(store_->Rows[size_t(storeRow)].Values)) {
    posDirty_ = true;
    return -1;
  }
  int pos;
  if (!sortKeys_.empty()) {
    pos = int(std::upper_bound(view_.begin(), view_.end(), storeRow,
                               [this](int a, int b) { return RowLess(a, b); }) -
              view_.begin());
  } else {
    const int size = int(view_.size());
    pos = inserting ? qBound(0, wantedPos, size) : (old >= 0 ? qMin(old, size) : size);
  }
  view_.insert(view_.begin() + pos, storeRow);
  // Appending keeps the position map valid; anything else rebuilds it lazily.
  if (!posDirty_ && old < 0 && size_t(pos) + 1 == view_.size()) {
    if (posOf_.size() <= size_t(storeRow)) posOf_.resize(size_t(storeRow) + 1, -1);
    posOf_[size_t(storeRow)] = pos;
  } else if (old != pos) {
    posDirty_ = true;
  }
  return pos;
}

// --- posting and deleting -------------------------------------------------------------------------

int TClientDataSet::InternalPost(int row, bool inserting, const TRecordBuffer& buffer) {
  if (inserting) {
    const int before = sortKeys_.empty() && row < RowCount() ? StoreRowAt(row) : -1;
    const int r = store_->InsertRow(buffer.Values, before);
    if (!pendingDetails_.empty()) {
      bool detailChanges = false;
      for (const TRowStoreRef& d : pendingDetails_) detailChanges |= d && d->ChangeCount() > 0;
      if (detailChanges) store_->DetailChanged.insert(r);
      store_->Rows[size_t(r)].Details = std::move(pendingDetails_);
      pendingDetails_.clear();
    }
    store_->LogInsert(r);
    const int pos = PlaceRow(r, row, true);
    NoteChange();
    return pos;
  }
  const int r = StoreRowAt(row);
  TRowRecord& rec = store_->Rows[size_t(r)];
  const QVariantList before = rec.Values;
  rec.Values = buffer.Values;
  bool changed = false;
  for (int c = 0; c < store_->DataColumns() && !changed; ++c)
    changed = !VarSame(before.value(c), rec.Values.value(c));
  if (store_->Status(r) == usInserted) {
    store_->Log[r].Current = rec.Values;
  } else if (changed) {
    store_->LogModify(r, before, rec.Values);
  }
  const int pos = PlaceRow(r, row, false);
  if (changed) NoteChange();
  return pos;
}

void TClientDataSet::InternalDelete(int row) {
  const int r = StoreRowAt(row);
  store_->LogDelete(r);
  view_.erase(view_.begin() + row);
  Touch();
  NoteChange();
}

void TClientDataSet::InternalCancel() { pendingDetails_.clear(); }

// --- searching ---------------------------------------------------------------------------------------

namespace {

QString KeyText(const QVariant& v) {
  if (VarIsBlank(v)) return QStringLiteral("\x01");
  switch (v.typeId()) {
    case QMetaType::QString: return QLatin1Char('S') + v.toString();
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("B1") : QStringLiteral("B0");
    case QMetaType::QByteArray: return QLatin1Char('X') + QString::fromLatin1(v.toByteArray().toHex());
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::Double: case QMetaType::UInt:
    case QMetaType::ULongLong:
      return QLatin1Char('N') + QString::number(v.toDouble(), 'g', 17);
    default: return QLatin1Char('S') + v.toString();
  }
}

}  // namespace

int TClientDataSet::BinarySearch(const QList<TField*>& fields, const QVariantList& values) const {
  const int k = int(fields.size());
  if (k > int(sortKeys_.size())) return -2;
  QVariantList probe;
  for (int i = 0; i < k; ++i) {
    const TSortKey& key = sortKeys_[size_t(i)];
    if (key.CaseInsensitive) return -2;
    int at = -1;
    for (int j = 0; j < k; ++j)
      if (fields.at(j)->Slot() == key.Slot) at = j;
    if (at < 0) return -2;
    probe << fields.at(at)->CoerceLenient(values.at(at));
  }
  auto rowBelowProbe = [&](int r, const QVariantList& p) {
    const QVariantList& v = store_->Rows[size_t(r)].Values;
    for (int i = 0; i < k; ++i) {
      const TSortKey& key = sortKeys_[size_t(i)];
      int c = CompareStored(key.Slot < v.size() ? v.at(key.Slot) : QVariant(), p.at(i), false);
      if (key.Descending) c = -c;
      if (c != 0) return c < 0;
    }
    return false;
  };
  const auto it = std::lower_bound(view_.begin(), view_.end(), probe, rowBelowProbe);
  if (it == view_.end()) return -1;
  const QVariantList& v = store_->Rows[size_t(*it)].Values;
  for (int i = 0; i < k; ++i) {
    const int s = fields.at(i)->Slot();
    if (!MatchesValue(s < v.size() ? v.at(s) : QVariant(), values.at(i), {})) return -1;
  }
  return int(it - view_.begin());
}

int TClientDataSet::HashSearch(const QList<TField*>& fields, const QVariantList& values) {
  QString fieldKey;
  for (TField* f : fields) fieldKey += QString::number(f->Slot()) + QLatin1Char(';');
  if (fieldKey != hashFields_ || hashVersion_ != version_) {
    hash_.clear();
    hash_.reserve(qsizetype(view_.size()));
    for (size_t pos = 0; pos < view_.size(); ++pos) {
      const QVariantList& v = store_->Rows[size_t(view_[pos])].Values;
      QString key;
      for (TField* f : fields) key += KeyText(f->Slot() < v.size() ? v.at(f->Slot()) : QVariant()) + QChar(0x1f);
      if (!hash_.contains(key)) hash_.insert(key, int(pos));
    }
    hashFields_ = fieldKey;
    hashVersion_ = version_;
  }
  QString probe;
  for (int i = 0; i < fields.size(); ++i) probe += KeyText(fields.at(i)->CoerceLenient(values.at(i))) + QChar(0x1f);
  return hash_.value(probe, -1);
}

int TClientDataSet::FindRow(const QList<TField*>& fields, const QVariantList& values, TLocateOptions options) {
  for (TField* f : fields)
    if (f->Slot() < 0 || f->FieldKind() == fkCalculated)
      return TDataSet::FindRow(fields, values, options);
  auto search = [&]() {
    if (options == TLocateOptions()) {
      const int r = sortKeys_.empty() ? -2 : BinarySearch(fields, values);
      return r != -2 ? r : HashSearch(fields, values);
    }
    return TDataSet::FindRow(fields, values, options);
  };
  int row = search();
  if (row < 0 && FetchOnDemandEnabled() && !allFetched_ && FetchMoreRows(true)) row = search();
  return row;
}

}  // namespace vantor
