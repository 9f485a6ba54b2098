// The dataset commands the program calls: navigation, editing, bookmarks,
// Locate and Lookup. Each fires its events in the component library's order
// (see DataSet.h) and leaves the dataset as it was when an event refuses.
#include "platform/db/DataSet.h"

#include "platform/db/Field.h"
#include "platform/db/FieldTypes.h"
#include "platform/db/FormatFloat.h"
#include "platform/os/Exceptions.h"

#include <QRegularExpression>

namespace vantor {

// --- navigation ------------------------------------------------------------------------

bool TDataSet::IsEmpty() const { return state_ != dsInsert && RowCount() == 0; }

int TDataSet::RecordCount() const { return Active() ? RowCount() : 0; }

int TDataSet::RecNo() const {
  if (!Active() || state_ == dsInsert || cur_ < 0) return -1;
  return cur_ + 1;
}

void TDataSet::ScrollTo(int row) {
  cur_ = row;
  bof_ = eof_ = false;
  CalculateCurrent();
  DataEvent(deDataSetChange);
  AfterScroll(this);
}

void TDataSet::First() {
  CheckBrowseMode();
  BeforeScroll(this);
  cur_ = RowCount() > 0 ? 0 : -1;
  bof_ = true;
  eof_ = cur_ < 0;
  CalculateCurrent();
  DataEvent(deDataSetChange);
  AfterScroll(this);
}

void TDataSet::Last() {
  CheckBrowseMode();
  BeforeScroll(this);
  if (FetchOnDemandEnabled()) FetchMoreRows(true);
  cur_ = RowCount() - 1;
  eof_ = true;
  bof_ = cur_ < 0;
  CalculateCurrent();
  DataEvent(deDataSetChange);
  AfterScroll(this);
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  BeforeScroll(this);
  if ((distance > 0 && eof_) || (distance < 0 && bof_) || distance == 0) return 0;
  bof_ = eof_ = false;
  int target = cur_ + distance;
  if (distance > 0 && FetchOnDemandEnabled())
    while (target >= RowCount() && FetchMoreRows(false)) {
    }
  if (target >= RowCount()) {
    target = RowCount() - 1;
    eof_ = true;
  }
  if (target < 0) {
    target = RowCount() > 0 ? 0 : -1;
    bof_ = true;
  }
  if (target < 0) eof_ = true;
  const int moved = target - cur_;
  cur_ = target;
  CalculateCurrent();
  DataEvent(deDataSetScroll, moved);
  AfterScroll(this);
  return moved;
}

void TDataSet::SetRecNo(int recNo) {
  CheckBrowseMode();
  if (recNo < 1 || recNo > RowCount() || recNo == cur_ + 1) return;
  BeforeScroll(this);
  ScrollTo(recNo - 1);
}

// --- editing ------------------------------------------------------------------------------

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  PrepareChange();
  BeforeInsert(this);
  BeforeScroll(this);
}

void TDataSet::EndInsertAppend() {
  buffer_.Values = QVariantList(slotCount_, Null());
  SetState(dsInsert);
  try {
    OnNewRecord(this);
  } catch (...) {
    ClearBuffers();
    insertPos_ = -1;
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    throw;
  }
  modified_ = false;
  CalculateCurrent();
  DataEvent(deDataSetChange);
  AfterInsert(this);
  AfterScroll(this);
}

void TDataSet::Append() {
  BeginInsertAppend();
  insertPos_ = RowCount();
  EndInsertAppend();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  insertPos_ = cur_ < 0 ? 0 : cur_;
  EndInsertAppend();
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  CheckActive();
  if (cur_ < 0 || RowCount() == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  PrepareChange();
  BeforeEdit(this);
  buffer_.Values = RowValues(cur_);
  while (buffer_.Values.size() < slotCount_) buffer_.Values.append(Null());
  SetState(dsEdit);
  CalculateCurrent();
  DataEvent(deRecordChange);
  AfterEdit(this);
}

void TDataSet::UpdateRecord() {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
    DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
  DataEvent(deUpdateRecord);
}

void TDataSet::CheckRequiredFields() {
  for (TField* f : fields_) {
    if (f->Required() && !f->ReadOnly() && f->FieldKind() == fkData && f->IsNull()) {
      f->FocusControl();
      throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(f->DisplayName()));
    }
  }
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  BeforePost(this);
  CheckRequiredFields();
  const bool inserting = state_ == dsInsert;
  const int row = InternalPost(inserting ? insertPos_ : cur_, inserting, buffer_);
  ClearBuffers();
  insertPos_ = -1;
  cur_ = row >= 0 ? row : qMin(cur_, RowCount() - 1);
  bof_ = eof_ = cur_ < 0;
  SetState(dsBrowse);
  CalculateCurrent();
  DataEvent(deDataSetChange);
  AfterPost(this);
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  BeforeCancel(this);
  InternalCancel();
  ClearBuffers();
  insertPos_ = -1;
  if (cur_ >= RowCount()) cur_ = RowCount() - 1;
  SetState(dsBrowse);
  CalculateCurrent();
  DataEvent(deDataSetChange);
  AfterCancel(this);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (cur_ < 0 || RowCount() == 0)
    DatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
  DataEvent(deCheckBrowseMode);
  CheckCanModify();
  PrepareChange();
  BeforeDelete(this);
  BeforeScroll(this);
  InternalDelete(cur_);
  ClearBuffers();
  if (cur_ >= RowCount()) cur_ = RowCount() - 1;
  bof_ = eof_ = cur_ < 0;
  SetState(dsBrowse);
  CalculateCurrent();
  DataEvent(deDataSetChange);
  AfterDelete(this);
  AfterScroll(this);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (state_ == dsEdit || state_ == dsInsert) {
    UpdateRecord();
    if (modified_)
      Post();
    else
      Cancel();
  }
}

void TDataSet::AppendRecord(const QVariantList& values) {
  Append();
  for (int i = 0; i < values.size() && i < fields_.size(); ++i) {
    TField* f = fields_.at(i);
    if (VarIsEmpty(values.at(i)) || f->FieldKind() != fkData) continue;
    f->SetValue(values.at(i));
  }
  Post();
}

// --- bookmarks ---------------------------------------------------------------------------

TBookmark TDataSet::GetBookmark() const {
  if (!Active() || state_ == dsInsert || cur_ < 0 || cur_ >= RowCount()) return TBookmark();
  return RowBookmark(cur_);
}

void TDataSet::GotoBookmark(const TBookmark& b) {
  CheckBrowseMode();
  const int row = b.IsValid() ? RowOfBookmark(b) : -1;
  if (row < 0) DatabaseError(QStringLiteral("Record not found"));
  BeforeScroll(this);
  ScrollTo(row);
}

bool TDataSet::BookmarkValid(const TBookmark& b) const {
  return Active() && b.IsValid() && RowOfBookmark(b) >= 0;
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  const int ra = a.IsValid() ? RowOfBookmark(a) : -1;
  const int rb = b.IsValid() ? RowOfBookmark(b) : -1;
  return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// --- Locate and Lookup -------------------------------------------------------------------

QVariantList TDataSet::KeyValueList(const QVariant& keyValues, int count) const {
  if (count == 1) {
    if (keyValues.typeId() == QMetaType::QVariantList && keyValues.toList().size() == 1)
      return keyValues.toList();
    return {keyValues};
  }
  const QVariantList list = keyValues.toList();
  if (keyValues.typeId() != QMetaType::QVariantList || list.size() != count)
    DatabaseError(QStringLiteral("%1 key values are needed, one for each key field").arg(count));
  return list;
}

bool TDataSet::MatchesValue(const QVariant& stored, const QVariant& wanted, TLocateOptions options) {
  const bool storedBlank = VarIsBlank(stored), wantedBlank = VarIsBlank(wanted);
  if (storedBlank || wantedBlank) return storedBlank && wantedBlank;
  switch (stored.typeId()) {
    case QMetaType::QString: {
      const QString w = wanted.typeId() == QMetaType::Double ? FloatToStrGeneral(wanted.toDouble())
                                                             : wanted.toString();
      const Qt::CaseSensitivity cs =
          options.testFlag(loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
      const QString s = stored.toString();
      return options.testFlag(loPartialKey) ? s.startsWith(w, cs) : s.compare(w, cs) == 0;
    }
    case QMetaType::Bool:
      return stored.toBool() == wanted.toBool();
    case QMetaType::QByteArray:
      return stored.toByteArray() == wanted.toByteArray();
    default: {
      bool ok = false;
      const double w = wanted.toDouble(&ok);
      return ok && stored.toDouble() == w;
    }
  }
}

int TDataSet::FindRow(const QList<TField*>& fields, const QVariantList& values, TLocateOptions options) {
  const int n = RowCount();
  for (int r = 0; r < n; ++r) {
    const QVariantList& row = RowValues(r);
    bool all = true;
    for (int i = 0; i < fields.size() && all; ++i) {
      const int s = fields.at(i)->Slot();
      all = s >= 0 && s < row.size() && MatchesValue(row.at(s), values.at(i), options);
    }
    if (all) return r;
  }
  return -1;
}

bool TDataSet::Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  const QList<TField*> fields = FieldList(keyFields);
  const QVariantList values = KeyValueList(keyValues, int(fields.size()));
  BeforeScroll(this);
  const int row = FindRow(fields, values, options);
  if (row < 0) return false;
  ScrollTo(row);
  return true;
}

QVariant TDataSet::Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields) {
  CheckBrowseMode();
  const QList<TField*> fields = FieldList(keyFields);
  const int row = FindRow(fields, KeyValueList(keyValues, int(fields.size())), {});
  if (row < 0) return Null();
  TReadScope scope(this, row);
  return FieldValues(resultFields);
}

// --- aggregates --------------------------------------------------------------------------------

QVariant TDataSet::AggregateValue(const TField* f) const {
  static const QRegularExpression re(QStringLiteral("^\\s*(SUM|AVG|MIN|MAX|COUNT)\\s*\\(\\s*([^)]*?)\\s*\\)\\s*$"),
                                     QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = re.match(f->property("Expression").toString());
  if (!m.hasMatch() || !f->property("Active").toBool()) return Null();
  const QString fn = m.captured(1).toUpper();
  const TField* src = m.captured(2) == QLatin1String("*") ? nullptr : FindField(m.captured(2));
  if (!src && fn != QLatin1String("COUNT")) return Null();
  double sum = 0, best = 0;
  int count = 0;
  for (int r = 0; r < RowCount(); ++r) {
    const QVariantList& row = RowValues(r);
    QVariant v = src && src->Slot() >= 0 && src->Slot() < row.size() ? row.at(src->Slot()) : QVariant(1);
    if (VarIsBlank(v)) continue;
    const double d = v.toDouble();
    if (count == 0 || (fn == QLatin1String("MIN") ? d < best : d > best)) best = d;
    sum += d;
    ++count;
  }
  if (fn == QLatin1String("COUNT")) return double(count);
  if (count == 0) return Null();
  if (fn == QLatin1String("SUM")) return sum;
  if (fn == QLatin1String("AVG")) return sum / count;
  return best;
}

}  // namespace vantor
