// The guard under which SQL that came from a client runs: the SQLite
// authorizer is consulted while a statement is prepared and answers, for
// every table, column, function and action the statement would touch,
// whether it may. Client SQL may read the company's tables and nothing else:
// no writing, no schema change, no pragma, no attached database, no file
// functions, and not the users' password digests.
//
// TReadGuard installs the authorizer on a connection for its lifetime;
// InstallReadGuard leaves it installed for good, for a connection that only
// ever reads on behalf of clients. Errors the guard causes come back as
// EDatabaseError "The server refuses this SQL: ..." naming what was refused.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

struct sqlite3;
class QSqlQuery;

namespace vantor {

class TSqlBackend;

class TReadGuard {
public:
  explicit TReadGuard(sqlite3* db);
  ~TReadGuard();
  TReadGuard(const TReadGuard&) = delete;
  TReadGuard& operator=(const TReadGuard&) = delete;

private:
  sqlite3* db_;
};

void InstallReadGuard(sqlite3* db);

// What the guard refused last on this thread (empty when nothing), cleared
// by reading it.
QString TakeGuardDenial();

// The writing connection of a backend (which must be SQLite), for guards.
sqlite3* WriterHandle(TSqlBackend& backend);
sqlite3* ReaderHandle(TSqlBackend& backend);

// Runs a read-only query under the guard on the writing connection (so that
// it sees the caller's own transaction) and answers its rows; values are
// bound in order. A refusal or SQL error raises EDatabaseError.
QList<QVariantList> GuardedSelect(TSqlBackend& backend, const QString& sql, const QVariantList& params = {});

// The rows of an executed query, NULL as Null() and whole numbers as int.
QList<QVariantList> ReadRows(QSqlQuery& q);

// Turns a database error raised while the guard was active into the
// guard's own message when the guard caused it; rethrows otherwise.
[[noreturn]] void RethrowGuarded(const QString& sql);

}  // namespace vantor
