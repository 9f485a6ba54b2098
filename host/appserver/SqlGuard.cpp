// The SQLite authorizer behind TReadGuard.
#include "appserver/SqlGuard.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <sqlite3.h>

#include "appserver/SqlText.h"
#include "platform/db/SqlBackendSqlite.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

thread_local QString lastDenial;

int Deny(const QString& why) {
  if (lastDenial.isEmpty()) lastDenial = why;
  return SQLITE_DENY;
}

bool Same(const char* a, const char* b) { return a && sqlite3_stricmp(a, b) == 0; }

int AuthorizeRead(const char* table, const char* column, const char* schema) {
  if (schema && !Same(schema, "main"))
    return Deny(QStringLiteral("reading from the database \"%1\"").arg(QString::fromUtf8(schema)));
  if (table && sqlite3_strnicmp(table, "sqlite_", 7) == 0)
    return Deny(QStringLiteral("reading the database's own table %1").arg(QString::fromUtf8(table)));
  if (Same(table, "ZKMMA") && Same(column, "MA003")) return Deny(QStringLiteral("reading the users' passwords"));
  return SQLITE_OK;
}

int AuthorizeFunction(const char* name) {
  static const char* forbidden[] = {"load_extension", "readfile", "writefile", "edit", "fts3_tokenizer",
                                    "sqlite_compileoption_get", "randomblob", "zeroblob"};
  for (const char* f : forbidden)
    if (Same(name, f)) return Deny(QStringLiteral("the function %1").arg(QString::fromUtf8(name)));
  return SQLITE_OK;
}

QString ActionName(int action, const char* a) {
  const QString arg = a ? QString::fromUtf8(a) : QString();
  switch (action) {
    case SQLITE_INSERT: return QStringLiteral("writing into %1").arg(arg);
    case SQLITE_UPDATE: return QStringLiteral("changing %1").arg(arg);
    case SQLITE_DELETE: return QStringLiteral("deleting from %1").arg(arg);
    case SQLITE_PRAGMA: return QStringLiteral("the pragma %1").arg(arg);
    case SQLITE_ATTACH: return QStringLiteral("attaching a database");
    case SQLITE_TRANSACTION: return QStringLiteral("transaction control");
    default: return QStringLiteral("changing the database (action %1)").arg(action);
  }
}

int Authorize(void*, int action, const char* a, const char* b, const char* schema, const char*) {
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_RECURSIVE: return SQLITE_OK;
    case SQLITE_READ: return AuthorizeRead(a, b, schema);
    case SQLITE_FUNCTION: return AuthorizeFunction(b);
    default: return Deny(ActionName(action, a));
  }
}

}  // namespace

TReadGuard::TReadGuard(sqlite3* db) : db_(db) {
  if (!db_) throw EDatabaseError(QStringLiteral("The SQL guard needs an open SQLite connection"));
  lastDenial.clear();
  sqlite3_set_authorizer(db_, Authorize, nullptr);
}

TReadGuard::~TReadGuard() { sqlite3_set_authorizer(db_, nullptr, nullptr); }

void InstallReadGuard(sqlite3* db) {
  if (db) sqlite3_set_authorizer(db, Authorize, nullptr);
}

QString TakeGuardDenial() {
  QString d = lastDenial;
  lastDenial.clear();
  return d;
}

namespace {

TSqliteBackend& Sqlite(TSqlBackend& backend) {
  auto* s = dynamic_cast<TSqliteBackend*>(&backend);
  if (!s) throw EDatabaseError(QStringLiteral("The SQL guard is only available on SQLite databases"));
  return *s;
}

QVariant AnswerValue(const QVariant& v) {
  if (v.isNull()) return Null();
  if (v.typeId() == QMetaType::LongLong) {
    const qint64 n = v.toLongLong();
    if (n == qint64(int(n))) return int(n);
  }
  return v;
}

}  // namespace

sqlite3* WriterHandle(TSqlBackend& backend) { return Sqlite(backend).Handle(); }
sqlite3* ReaderHandle(TSqlBackend& backend) { return Sqlite(backend).ReaderHandle(); }

void RethrowGuarded(const QString& sql) {
  const QString denial = TakeGuardDenial();
  if (!denial.isEmpty())
    throw EDatabaseError(QStringLiteral("The server refuses this SQL: %1 is not allowed. The SQL was: %2")
                             .arg(denial, sql.left(200)));
  throw;
}

QList<QVariantList> ReadRows(QSqlQuery& q) {
  QList<QVariantList> rows;
  const int columns = q.record().count();
  while (q.next()) {
    QVariantList row;
    row.reserve(columns);
    for (int i = 0; i < columns; ++i) row.append(AnswerValue(q.value(i)));
    rows.append(row);
  }
  TSqlBackend::CheckCursor(q);
  return rows;
}

QList<QVariantList> GuardedSelect(TSqlBackend& backend, const QString& sql, const QVariantList& params) {
  QList<QVariantList> rows;
  QVariantList bound;
  const QString positional = ExpandPlaceholders(sql, params, bound);
  TReadGuard guard(WriterHandle(backend));
  try {
    QSqlQuery q = backend.Exec(positional, bound);
    rows = ReadRows(q);
  } catch (const EDatabaseError&) {
    RethrowGuarded(sql);
  }
  return rows;
}

}  // namespace vantor
