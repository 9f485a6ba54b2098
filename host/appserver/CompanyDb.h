// One company database as the server objects use it: the connection, the
// dialect context for client SQL, and the few reads every object needs
// (system parameters, message texts). Objects hold the databases they have
// opened in a TCompanyDbPool, one connection per database and object, so
// that every client connection of nexsrvd works on connections of its own.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

class QSqlQuery;

#include "appserver/SqlText.h"

namespace vantor {

class TSqlBackend;

enum TMessageLanguage { mlSimplified, mlTraditional, mlEnglish };

class TCompanyDb {
public:
  TCompanyDb(QString database, std::unique_ptr<TSqlBackend> backend);
  ~TCompanyDb();

  const QString& Name() const { return name_; }
  TSqlBackend& Backend() const { return *backend_; }
  const TDialectContext& Dialect();

  // Client SQL in the client's dialect, rewritten and run under the guard.
  QList<QVariantList> ClientSelect(const QString& sql);
  // The server's own read-only SQL (catalogue queries), under the guard too;
  // its statements are prepared once per connection and kept.
  QList<QVariantList> Select(const QString& sql, const QVariantList& params = {});
  // Read-only SQL made from a client's text: guarded, never kept.
  QList<QVariantList> SelectOnce(const QString& sql, const QVariantList& params = {});
  QVariant SelectValue(const QString& sql, const QVariantList& params = {});

  // A system parameter of the company (a row for the company wins over the
  // row for every company); empty when there is none.
  QString SysParam(const QString& company, const QString& name);
  // The text of a message; empty when the code is unknown.
  QString MessageText(const QString& kind, const QString& code, TMessageLanguage language = mlSimplified);
  // A server message with its "%s" filled in order from args.
  QString ServerMessage(const QString& code, const QStringList& args);

  // Rows read from the catalogue tables, by the reader's key, kept for a
  // short while: catalogue rows change only when an administrator edits
  // them, and every check would otherwise read one first.
  bool CachedRows(const QString& key, QList<QVariantList>& rows);
  void CacheRows(const QString& key, const QList<QVariantList>& rows);

private:
  QString name_;
  std::unique_ptr<TSqlBackend> backend_;
  std::unique_ptr<TDialectContext> dialect_;
  // Declared after the connection, so that they go first.
  QHash<QString, std::shared_ptr<QSqlQuery>> statements_;
  struct TCached {
    QList<QVariantList> Rows;
    qint64 At = 0;
  };
  QHash<QString, TCached> cache_;
};

class TCompanyDbPool {
public:
  // Opens the database on first use (TAppDatabase::Open).
  TCompanyDb& Get(const QString& database);
  // For tests and tools: a database already opened under a name.
  void Adopt(const QString& database, std::unique_ptr<TSqlBackend> backend);
  void Clear() { dbs_.clear(); }

private:
  QHash<QString, std::shared_ptr<TCompanyDb>> dbs_;  // by upper-case name
};

// Parses "CHS", "CHT", "ENG" or the code pages "936", "950", "437".
TMessageLanguage MessageLanguageOf(const QString& text);

}  // namespace vantor
