// The rows of a client dataset and their change log. Rows are never moved or
// erased while the dataset is open: a row's index in Rows is its identity
// (bookmarks are built from it), deleted rows are kept until their deletion
// is applied or cancelled, and the order the rows came in (their natural
// order) is kept apart from any index. The pending change of a row is a
// TRowChange of its own in the log, keyed by the row's index.
//
// Nested datasets: each row holds, per nested column, a store of its own
// detail rows with its own log; a row whose details changed is listed in
// DetailChanged so that the master finds them without scanning every row.
#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QVariantList>
#include <memory>
#include <vector>

#include "platform/db/DBTypes.h"
#include "platform/db/FieldDefs.h"

namespace vantor {

struct TRowChange {
  TUpdateKind Kind = ukModify;
  QVariantList Original;   // as fetched (empty for an insert)
  QVariantList Current;    // as posted last (empty for a delete)
  quint64 Seq = 0;         // when the row first changed: the order of the delta
};

class TRowStore;
using TRowStoreRef = std::shared_ptr<TRowStore>;

struct TRowRecord {
  QVariantList Values;
  bool Deleted = false;    // deleted, not yet applied
  bool Discarded = false;  // gone for good (an undone insert, an applied delete)
  std::vector<TRowStoreRef> Details;  // by nested-column ordinal, made on demand
};

class TRowStore {
public:
  explicit TRowStore(int dataColumns);

  int DataColumns() const { return dataColumns_; }
  quint32 Serial() const { return serial_; }
  std::vector<TRowRecord> Rows;
  // Rows in the order they came; discarded rows may linger until compacted.
  std::vector<int> Natural;
  QHash<int, TRowChange> Log;
  QSet<int> DetailChanged;

  bool IsLive(int row) const { return !Rows[size_t(row)].Deleted && !Rows[size_t(row)].Discarded; }
  // Appends a row at the end of the natural order; answers its index.
  int AddRow(QVariantList values);
  // A new row placed before `beforeRow` in the natural order (-1: at the end).
  int InsertRow(QVariantList values, int beforeRow);
  // The detail store of a row's nested column, made when missing.
  TRowStoreRef Detail(int row, int ordinal, int dataColumns);

  // --- the change log ---------------------------------------------------------------
  void LogInsert(int row);
  void LogModify(int row, const QVariantList& before, const QVariantList& after);
  void LogDelete(int row);
  TUpdateStatus Status(int row) const;
  int ChangeCount() const;
  bool HasChanges() const { return ChangeCount() > 0; }
  // Undo every pending change, nested ones included.
  void CancelAll();
  // Undo the change of one row (its details too).
  void RevertRow(int row);
  // The change of a row reached the server: forget it.
  void MergeRow(int row);
  void MergeAll();
  // Rows with a change or with changed details, in the order they changed.
  std::vector<int> ChangedRows() const;
  // Drops discarded rows from the natural order.
  void CompactNatural();

private:
  void Discard(int row);
  int dataColumns_;
  quint32 serial_;
  quint64 nextSeq_ = 1;
};

// Brings a value from a data packet into the stored form of the type
// (integers as int, numbers and dates as double, text as QString...); a value
// that cannot be converted is kept as it came. Unassigned becomes Null.
QVariant NormalizeStored(TFieldType type, const QVariant& v);

// Builds the store of nested rows as a packet carries them (a list of rows,
// each a list of values), recursively.
TRowStoreRef StoreFromPacketRows(const TFieldDefs& defs, const QVariant& rows);

// Loads packet rows into a store; nested columns become detail stores.
void LoadPacketRows(TRowStore& store, const TFieldDefs& defs, const QList<QVariantList>& rows);

// Orders two stored values: Null first, then by value; text by code point,
// or ignoring case.
int CompareStored(const QVariant& a, const QVariant& b, bool caseInsensitive);

}  // namespace vantor
