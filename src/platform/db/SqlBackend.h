// One interface over a database connection, so that providers and the
// application server run unchanged on the embedded SQLite file and on a
// PostgreSQL server. A backend knows opening and closing, transactions,
// parameterised statements (values are always bound, never pasted into the
// text), the columns of a table, the mapping of values between the database
// and the data packets, and the few dialect differences the providers need.
//
// A backend and its connections belong to the thread that opened them; a
// server thread that needs the same database makes its own with Clone().
// Identifiers are case-insensitive on both databases: PostgreSQL names are
// folded to lower case before quoting, as the server folds unquoted names.
#pragma once

#include "platform/db/DataPacket.h"
#include "platform/os/Exceptions.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <memory>

class QSqlError;

namespace vantor {

enum TSqlBackendKind { bkSqlite, bkPostgres };

struct TSqlConnectParams {
  TSqlBackendKind Kind = bkSqlite;
  QString Database;      // SQLite: the file; PostgreSQL: the database name
  QString Host;          // PostgreSQL only
  int Port = 5432;
  QString User;
  QString Password;
  QString Schema;        // PostgreSQL: where unqualified table names resolve
  int BusyTimeoutMs = 5000;  // SQLite: how long to wait for another writer
};

// A failure reported by the database: the database's own message, and its
// code (SQLite's result code, PostgreSQL's SQLSTATE) for whoever needs it.
// It travels as EDatabaseError.
class ESqlError : public EDatabaseError {
public:
  ESqlError(QString message, QString nativeCode)
      : EDatabaseError(std::move(message)), nativeCode_(std::move(nativeCode)) {}
  const QString& NativeCode() const { return nativeCode_; }
  QString ClassName() const override { return QStringLiteral("EDatabaseError"); }
  std::unique_ptr<Exception> Clone() const override { return std::make_unique<ESqlError>(*this); }
  [[noreturn]] void Raise() const override { throw *this; }

private:
  QString nativeCode_;
};

// What a declared column type means to a data packet.
struct TSqlTypeInfo {
  TFieldType DataType = ftUnknown;  // ftUnknown: nothing recognisable was declared
  int Size = 0;                     // characters of a text; scale of a decimal
  int Precision = 0;                // digits of a decimal
};
TSqlTypeInfo FieldTypeOfDeclared(const QString& declared);

struct TSqlColumn {
  QString Name;          // as the database reports it
  QString DeclaredType;  // as declared, for messages
  TSqlTypeInfo Type;
  bool NotNull = false;
  int KeyPosition = 0;   // 1-based place in the primary key; 0: not in it
};

class TSqlBackend {
public:
  static std::unique_ptr<TSqlBackend> Create(const TSqlConnectParams& params);
  virtual ~TSqlBackend();
  TSqlBackend(const TSqlBackend&) = delete;
  TSqlBackend& operator=(const TSqlBackend&) = delete;

  TSqlBackendKind Kind() const { return params_.Kind; }
  const TSqlConnectParams& Params() const { return params_; }
  // A closed backend on the same database, for another thread.
  std::unique_ptr<TSqlBackend> Clone() const { return Create(params_); }

  void Open();
  // Every query of this backend must be gone before it closes.
  void Close();
  bool IsOpen() const { return open_; }
  QSqlDatabase Database() const;

  // Transactions. Savepoints nest inside a transaction; a failed statement on
  // PostgreSQL leaves the transaction unusable until its savepoint is rolled back.
  void BeginTransaction();
  void Commit();
  void Rollback();
  bool InTransaction() const { return inTransaction_; }
  void Savepoint(const QString& name);
  void ReleaseSavepoint(const QString& name);
  void RollbackToSavepoint(const QString& name);

  // Runs a statement with its ?-placeholders bound to params, in order.
  // Raises ESqlError with the database's message.
  QSqlQuery Exec(const QString& sql, const QVariantList& params = {});
  // Runs a changing statement through a cache of prepared statements; answers
  // the number of rows it touched.
  int ExecChange(const QString& sql, const QVariantList& params = {});
  // A query whose rows are read a packet at a time while other statements of
  // this backend (an apply batch, say) run in between. It sees the data as it
  // was when it started. A prepared cursor runs again with Run().
  QSqlQuery OpenCursor(const QString& sql, const QVariantList& params = {});
  virtual QSqlQuery PrepareCursor(const QString& sql) = 0;
  void Run(QSqlQuery& q, const QVariantList& params);
  // Raises ESqlError when a cursor stopped on an error rather than at its end.
  static void CheckCursor(const QSqlQuery& q);
  // The columns a catalogue query answered, one row each: name, declared
  // type, not-null flag, 1-based key position (0 outside the key). Raises
  // EDatabaseError naming the table when there were none.
  QList<TSqlColumn> ColumnsOf(QSqlQuery& q, const QString& table) const;

  // Columns in table order; raises EDatabaseError when the table does not exist.
  virtual QList<TSqlColumn> TableColumns(const QString& table) = 0;
  // The packet type of each column of a query's result, for computed columns
  // that declare no type.
  QList<TSqlTypeInfo> ResultTypes(const QString& sql, const QVariantList& params = {});

  // Value mapping between packets and the database. Null and Unassigned map to
  // SQL NULL, and SQL NULL maps to Null(). Dates, times and date-times travel
  // as ISO text ("2024-01-31", "13:45:00", "2024-01-31 13:45:00"), the form
  // the embedded database stores. Raise EDatabaseError for a value that does
  // not fit the type.
  virtual QVariant ToSql(const QVariant& value, TFieldType type) const;
  virtual QVariant FromSql(const QVariant& value, TFieldType type) const;

  // Dialect. Raises EDatabaseError for a name that is not a plain identifier
  // (letters, digits, "_", "$"; dot-separated parts are quoted one by one).
  virtual QString QuoteIdentifier(const QString& name) const = 0;
  // " LIMIT n", or nothing for rows <= 0.
  QString LimitClause(int rows) const;

protected:
  explicit TSqlBackend(TSqlConnectParams params);
  virtual QString DriverName() const = 0;
  // Connection settings before opening, and session settings after.
  virtual void SetUp(QSqlDatabase& db) const = 0;
  virtual void AfterOpen() = 0;
  virtual QString BeginStatement() const { return QStringLiteral("BEGIN"); }
  // Whether transaction control can be prepared (PostgreSQL prepares only
  // queries and changes).
  virtual bool PreparesControlStatements() const { return false; }
  virtual QString DescribeTarget() const = 0;
  const QString& ConnectionName() const { return connectionName_; }
  QSqlDatabase OpenConnection(const QString& name, bool readOnly);
  [[noreturn]] static void RaiseSqlError(const QSqlError& e, const QString& sql);
  QSqlQuery PrepareOn(const QSqlDatabase& db, const QString& sql, bool forwardOnly);
  static QString CheckedIdentifierPart(const QString& part, const QString& whole);
  QSqlQuery& CachedStatement(const QString& sql);
  void ExecControl(const QString& sql);
  virtual void CloseExtra() {}

private:
  TSqlConnectParams params_;
  QString connectionName_;
  bool open_ = false;
  bool inTransaction_ = false;
  QHash<QString, std::shared_ptr<QSqlQuery>> statements_;
};

// Rolls a transaction back unless it was committed, whatever leaves the scope.
class TSqlTransaction {
public:
  explicit TSqlTransaction(TSqlBackend& backend) : backend_(backend) { backend_.BeginTransaction(); }
  ~TSqlTransaction();
  void Commit();
  void Rollback();

private:
  TSqlBackend& backend_;
  bool done_ = false;
};

}  // namespace vantor
