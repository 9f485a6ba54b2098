// Rows, their natural order and their pending changes.
#include "platform/db/RowStore.h"

#include "platform/db/DateTimeText.h"
#include "platform/db/FieldTypes.h"
#include "platform/variant/Variants.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <limits>

namespace vantor {
namespace {

std::atomic<quint32> nextStoreSerial{1};

}  // namespace

TRowStore::TRowStore(int dataColumns) : dataColumns_(dataColumns), serial_(nextStoreSerial++) {}

int TRowStore::AddRow(QVariantList values) {
  const int row = int(Rows.size());
  Rows.push_back(TRowRecord{std::move(values), false, false, {}});
  Natural.push_back(row);
  return row;
}

int TRowStore::InsertRow(QVariantList values, int beforeRow) {
  const int row = int(Rows.size());
  Rows.push_back(TRowRecord{std::move(values), false, false, {}});
  auto at = beforeRow < 0 ? Natural.end() : std::find(Natural.begin(), Natural.end(), beforeRow);
  Natural.insert(at, row);
  return row;
}

TRowStoreRef TRowStore::Detail(int row, int ordinal, int dataColumns) {
  auto& details = Rows[size_t(row)].Details;
  if (int(details.size()) <= ordinal) details.resize(size_t(ordinal) + 1);
  if (!details[size_t(ordinal)]) details[size_t(ordinal)] = std::make_shared<TRowStore>(dataColumns);
  return details[size_t(ordinal)];
}

// --- the change log -------------------------------------------------------------------

void TRowStore::LogInsert(int row) {
  TRowChange c;
  c.Kind = ukInsert;
  c.Current = Rows[size_t(row)].Values;
  c.Seq = nextSeq_++;
  Log.insert(row, c);
}

void TRowStore::LogModify(int row, const QVariantList& before, const QVariantList& after) {
  auto it = Log.find(row);
  if (it == Log.end()) {
    TRowChange c;
    c.Kind = ukModify;
    c.Original = before;
    c.Seq = nextSeq_++;
    it = Log.insert(row, c);
  }
  it->Current = after;
}

void TRowStore::LogDelete(int row) {
  TRowRecord& r = Rows[size_t(row)];
  auto it = Log.find(row);
  if (it != Log.end() && it->Kind == ukInsert) {
    Log.erase(it);
    DetailChanged.remove(row);
    Discard(row);
    return;
  }
  if (it == Log.end()) {
    TRowChange c;
    c.Original = r.Values;
    c.Seq = nextSeq_++;
    it = Log.insert(row, c);
  }
  it->Kind = ukDelete;
  it->Current.clear();
  r.Deleted = true;
}

void TRowStore::Discard(int row) {
  TRowRecord& r = Rows[size_t(row)];
  r.Discarded = true;
  r.Deleted = false;
  r.Details.clear();
}

void TRowStore::CompactNatural() {
  Natural.erase(std::remove_if(Natural.begin(), Natural.end(),
                               [this](int row) { return Rows[size_t(row)].Discarded; }),
                Natural.end());
}

TUpdateStatus TRowStore::Status(int row) const {
  auto it = Log.constFind(row);
  if (it == Log.constEnd()) return usUnmodified;
  switch (it->Kind) {
    case ukInsert: return usInserted;
    case ukDelete: return usDeleted;
    default: return usModified;
  }
}

int TRowStore::ChangeCount() const {
  int n = int(Log.size());
  for (int row : DetailChanged) {
    if (Rows[size_t(row)].Discarded) continue;
    for (const TRowStoreRef& d : Rows[size_t(row)].Details)
      if (d) n += d->ChangeCount();
  }
  return n;
}

void TRowStore::RevertRow(int row) {
  TRowRecord& r = Rows[size_t(row)];
  for (const TRowStoreRef& d : r.Details)
    if (d) d->CancelAll();
  DetailChanged.remove(row);
  auto it = Log.find(row);
  if (it == Log.end()) return;
  const TRowChange c = *it;
  Log.erase(it);
  if (c.Kind == ukInsert) {
    Discard(row);
    return;
  }
  r.Values = c.Original;
  r.Deleted = false;
}

void TRowStore::CancelAll() {
  const QList<int> logged = Log.keys();
  for (int row : logged) RevertRow(row);
  const QList<int> detailRows = DetailChanged.values();
  for (int row : detailRows) RevertRow(row);
  CompactNatural();
}

void TRowStore::MergeRow(int row) {
  TRowRecord& r = Rows[size_t(row)];
  for (const TRowStoreRef& d : r.Details)
    if (d) d->MergeAll();
  DetailChanged.remove(row);
  auto it = Log.find(row);
  if (it == Log.end()) return;
  const bool deleted = it->Kind == ukDelete;
  Log.erase(it);
  if (deleted) Discard(row);
}

void TRowStore::MergeAll() {
  const QList<int> logged = Log.keys();
  for (int row : logged) MergeRow(row);
  const QList<int> detailRows = DetailChanged.values();
  for (int row : detailRows) MergeRow(row);
  CompactNatural();
}

std::vector<int> TRowStore::ChangedRows() const {
  std::vector<std::pair<quint64, int>> order;
  for (auto it = Log.constBegin(); it != Log.constEnd(); ++it) order.push_back({it->Seq, it.key()});
  // Rows changed only in their details follow, in row order.
  for (int row : DetailChanged)
    if (!Log.contains(row) && !Rows[size_t(row)].Discarded)
      order.push_back({std::numeric_limits<quint64>::max() / 2 + quint64(row), row});
  std::sort(order.begin(), order.end());
  std::vector<int> out;
  out.reserve(order.size());
  for (const auto& p : order) out.push_back(p.second);
  return out;
}

// --- values from packets -------------------------------------------------------------------

QVariant NormalizeStored(TFieldType type, const QVariant& v) {
  if (!v.isValid()) return Null();
  if (VarIsNull(v)) return v;
  const int want = StoredTypeId(type);
  if (v.typeId() == want || want == QMetaType::UnknownType) return v;
  bool ok = false;
  switch (want) {
    case QMetaType::Int: {
      const qlonglong i = v.toLongLong(&ok);
      return ok && i >= INT_MIN && i <= INT_MAX ? QVariant(int(i)) : v;
    }
    case QMetaType::LongLong: {
      const qlonglong i = v.toLongLong(&ok);
      return ok ? QVariant(i) : v;
    }
    case QMetaType::Double: {
      if (v.typeId() == QMetaType::QDate) return DateToDateTime(v.toDate());
      if (v.typeId() == QMetaType::QDateTime) return QDateTimeToDateTime(v.toDateTime());
      if (v.typeId() == QMetaType::QString && (type == ftDate || type == ftTime || type == ftDateTime)) {
        TDateTime t = 0;
        return TryTextToDateTime(v.toString(), t) ? QVariant(t) : v;
      }
      const double d = v.toDouble(&ok);
      return ok ? QVariant(d) : v;
    }
    case QMetaType::Bool:
      if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        return !s.isEmpty() && QStringLiteral("YyTt1").contains(s.at(0));
      }
      return v.toBool();
    case QMetaType::QByteArray:
      return v.typeId() == QMetaType::QString ? QVariant(v.toString().toLatin1()) : v;
    default:
      return v.typeId() == QMetaType::Double ? QVariant(QString::number(v.toDouble(), 'g', 15))
                                             : QVariant(v.toString());
  }
}

void LoadPacketRows(TRowStore& store, const TFieldDefs& defs, const QList<QVariantList>& rows) {
  const int n = defs.Count();
  std::vector<int> nestedOrdinal(size_t(n), -1);
  int ordinal = 0;
  for (int c = 0; c < n; ++c)
    if (defs.Items(c).DataType == ftDataSet) nestedOrdinal[size_t(c)] = ordinal++;
  // Only a first load reserves: reserving for every packet would copy all
  // rows again each time.
  if (store.Rows.empty()) {
    store.Rows.reserve(size_t(rows.size()));
    store.Natural.reserve(size_t(rows.size()));
  }
  for (const QVariantList& packetRow : rows) {
    QVariantList values = packetRow;
    while (values.size() < n) values.append(Null());
    if (values.size() > n) values.resize(n);
    std::vector<TRowStoreRef> details;
    for (int c = 0; c < n; ++c) {
      const TFieldDef& d = defs.Items(c);
      if (nestedOrdinal[size_t(c)] >= 0) {
        details.resize(size_t(ordinal));
        details[size_t(nestedOrdinal[size_t(c)])] = StoreFromPacketRows(d.ChildDefs(), values.at(c));
        values[c] = Null();
      } else if (values.at(c).typeId() != StoredTypeId(d.DataType)) {
        values[c] = NormalizeStored(d.DataType, values.at(c));
      }
    }
    const int row = store.AddRow(std::move(values));
    store.Rows[size_t(row)].Details = std::move(details);
  }
}

TRowStoreRef StoreFromPacketRows(const TFieldDefs& defs, const QVariant& rows) {
  auto store = std::make_shared<TRowStore>(defs.Count());
  QList<QVariantList> list;
  for (const QVariant& r : rows.toList()) list << r.toList();
  LoadPacketRows(*store, defs, list);
  return store;
}

// --- ordering ----------------------------------------------------------------------------------

int CompareStored(const QVariant& a, const QVariant& b, bool caseInsensitive) {
  const bool an = VarIsBlank(a), bn = VarIsBlank(b);
  if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
  const int ta = a.typeId(), tb = b.typeId();
  if (ta == QMetaType::QString && tb == QMetaType::QString) {
    const int c = a.toString().compare(b.toString(), caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (ta == QMetaType::Int && tb == QMetaType::Int) {
    const int x = a.toInt(), y = b.toInt();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (ta == QMetaType::QByteArray && tb == QMetaType::QByteArray) {
    const int c = a.toByteArray().compare(b.toByteArray());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (ta == QMetaType::QString || tb == QMetaType::QString) {
    const int c = a.toString().compare(b.toString());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  const double x = a.toDouble(), y = b.toDouble();
  return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace vantor
