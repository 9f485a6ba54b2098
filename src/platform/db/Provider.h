// The server side of the provider protocol. A provider is described by its
// table, its key and its select list; it answers the field metadata, sends
// rows a packet at a time from a cursor it keeps open between calls, takes
// the client's data request, and applies a change batch in one transaction.
//
// The select list names columns of the table, which are stored and applied,
// and expressions ("S.NAME AS SUPPNAME", "QTY * PRICE AS AMOUNT"), which the
// server computes: they are sent read-only and never applied. A provider may
// carry detail providers, each sent as a dataset field holding, for every
// master row, the detail rows whose link fields equal the master's.
//
// Rows that cannot be applied come back as reconcile errors. MaxErrors works
// as the client expects: -1 applies what can be applied and reports the rest;
// otherwise the first error beyond MaxErrors rolls the whole batch back.
#pragma once

#include "platform/db/DataPacket.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

namespace vantor {

class TSqlBackend;
class TProvider;
class TProviderApply;
struct TSqlColumn;

// The error code of a row that no longer matches what the client fetched.
constexpr int ReconcileRecordChanged = -1;

struct TProviderField {
  QString Name;          // the field's name in packets
  QString Expression;    // empty: the table's column of that name
  QString DeclaredType;  // for an expression: its SQL type ("VARCHAR(40)"); else inferred
};

// "COLUMN", "ALIAS.COLUMN" or "expression AS NAME". Raises EDatabaseError for
// anything else.
TProviderField ParseSelectItem(const QString& item);

struct TProviderDef {
  QString Table;
  QString Alias;                 // the table's name inside the select, for joins and expressions
  QString Joins;                 // e.g. "LEFT JOIN SUPP S ON S.CODE = T.SUPP"
  QStringList Select;            // empty, with no Fields either: every column of the table
  QList<TProviderField> Fields;  // follow the Select items
  QStringList KeyFields;         // empty: the table's primary key
  // Fields whose original values must still match for an update or delete to
  // touch a row, besides the key. Unset: FLAG, when the table has it.
  std::optional<QStringList> UpdateWhere;
};

// One row being applied, in the provider's field order. Unassigned marks a
// value the batch does not give (an unchanged field of an update).
struct TProviderChange {
  TUpdateKind Kind = ukModify;
  QVariantList OldValues;
  QVariantList NewValues;
  const TProvider* Provider = nullptr;
  QVariant OldValue(const QString& field) const;
  QVariant NewValue(const QString& field) const;
};

class TProvider {
public:
  TProvider(QString name, TSqlBackend& backend, TProviderDef def);
  virtual ~TProvider();
  TProvider(const TProvider&) = delete;
  TProvider& operator=(const TProvider&) = delete;

  const QString& Name() const { return name_; }
  const TProviderDef& Def() const { return def_; }
  TSqlBackend& Backend() const { return backend_; }

  // Adds a dataset field named fieldName whose rows come from detail, where
  // each of detailFields equals the master's field of the same place.
  void AddDetail(const QString& fieldName, std::shared_ptr<TProvider> detail,
                 const QStringList& masterFields, const QStringList& detailFields);

  QList<TPacketFieldDef> FieldDefs();
  // -1 when absent; any case. Meaningful once the provider has been used.
  int FieldIndex(const QString& name) const;

  // Stores the client's [condition, extra] request for the next restart.
  QVariant DataRequest(const QVariant& data);
  // count -1: every remaining row. options: poRestart re-runs the query and
  // sends the field metadata.
  TDataPacket GetRecords(int count, int options);
  QList<TReconcileError> ApplyUpdates(const TDelta& delta, int maxErrors, int& errorCount);
  // Ends the cursor; the next GetRecords starts again.
  void CloseCursor();

protected:
  // Turns the stored data request into a condition on the query (SQL over
  // the select's tables, with ?-placeholders) and its values. The default
  // accepts no condition: a request must be blank or have a blank first
  // element. Raise EDatabaseError to refuse one.
  virtual void BuildWhere(const QVariant& request, QString& where, QVariantList& params);
  // Turns the stored data request into the order of the rows (SQL over the
  // select's columns, without "ORDER BY"). Empty: key order. The key columns
  // always follow, so rows of equal sort values keep a stable order. The
  // default asks for no order. Raise EDatabaseError to refuse one.
  virtual void BuildOrder(const QVariant& request, QString& order) {}
  // At most this many rows per query; 0: no limit.
  virtual int RowLimit() const { return 0; }
  // Called for every row of a batch before it is written. Raising
  // EDatabaseError refuses this row (it becomes a reconcile error); any other
  // exception abandons the whole batch.
  virtual void BeforeUpdateRecord(const TProviderChange& change) {}

private:
  friend class TProviderApply;

  struct TColumn {
    TPacketFieldDef Def;
    QString Column;        // the table's column; empty for an expression or a dataset field
    QString QuotedColumn;  // as statements name it
    QString SelectSql;     // its place in the select list
    int SelectIndex = -1;  // column of the query's result; -1 for a dataset field
    int Detail = -1;       // index into details_ for a dataset field
  };
  struct TDetailLink {
    QString FieldName;
    std::shared_ptr<TProvider> Provider;
    QStringList MasterFields, DetailFields;
    QList<int> MasterIndexes, DetailIndexes;  // resolved when prepared
    std::optional<QSqlQuery> Query;           // prepared while a packet is read
  };
  enum TCursorState { csClosed, csOpen, csDone };

  void Prepare();
  void AddField(const TProviderField& f, const QList<TSqlColumn>& table);
  void ResolveKey(const QList<TSqlColumn>& table);
  void ResolveUpdateWhere();
  void InferComputedTypes();
  void ResolveDetail(int index);
  int RequireField(const QString& name, const QString& role, bool stored) const;
  QString Qualifier() const;
  QString SelectSql(const QString& where, int limit) const;
  QString ColumnsWhere(const QList<int>& indexes, const QVariantList& values, QVariantList& params) const;

  void OpenCursor();
  void EndCursor(TCursorState state);
  bool FetchRow(QVariantList& row);
  bool HasMore();
  QVariantList ScalarRow(const QSqlQuery& q) const;  // dataset fields left Unassigned
  QVariantList ConvertRow(const QSqlQuery& q);
  QVariant DetailRows(TDetailLink& link, const QVariantList& masterRow);

  QString name_;
  TSqlBackend& backend_;
  TProviderDef def_;
  bool prepared_ = false;
  QString quotedTable_;
  QList<TColumn> columns_;
  QList<int> key_;          // column indexes, in key order
  QList<int> updateWhere_;  // key first, then the guard fields
  QList<TDetailLink> details_;

  QVariant request_;
  QString where_;
  QString order_;
  QVariantList whereParams_;
  QSqlQuery cursor_;
  TCursorState state_ = csClosed;
  std::optional<QVariantList> pending_;  // a row read ahead to know the end
};

}  // namespace vantor
