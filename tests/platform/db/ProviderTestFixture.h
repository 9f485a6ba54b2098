// The shared helper of the database tests: every case runs once per backend,
// on a database of its own (a temporary SQLite file, or a fresh schema on the
// throwaway PostgreSQL server, skipped with the reason when none can start),
// with a small fixture of documents, their lines and suppliers.
//
//   SUPP      CODE (key), NAME
//   DOCS      DOCNO (key), SUPP, DOCDATE char(8), QTY numeric(12,3), PRICE,
//             LINES, CONFIRMED, REMARK text, PHOTO blob, FLAG
//   DOCLINES  DOCNO + LINENO (key), ITEM, QTY, FLAG
// DOCS holds D001 .. D045 with FLAG 1; D001 has two lines, D002 one.
#pragma once

#include "platform/db/Provider.h"
#include "platform/db/SqlBackend.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace vantor::test {

class TDbFixture : public ::testing::TestWithParam<TSqlBackendKind> {
public:
  static std::string BackendName(const ::testing::TestParamInfo<TSqlBackendKind>& info);

protected:
  void SetUp() override;
  void TearDown() override;

  TSqlBackend& Db() { return *db_; }
  std::shared_ptr<TSqlBackend> SharedDb() { return db_; }
  // Another connection to the same database, as another user's server has.
  std::unique_ptr<TSqlBackend> OpenSecond() const;

  // "{BLOB}" in statements becomes the backend's binary type.
  void Run(const QString& sql, const QVariantList& params = {});
  // The first value of the first row; Unassigned when there is no row.
  QVariant Scalar(const QString& sql, const QVariantList& params = {});
  int Count(const QString& table, const QString& where = QString());

  void CreateFixture(int docs = 45);

  // The document provider: a join, a computed column and, when asked, the
  // lines as a nested dataset field "DOCLINES".
  std::shared_ptr<TProvider> MakeDocs(bool withLines = false);
  std::shared_ptr<TProvider> MakeLines();

private:
  TSqlConnectParams params_;
  std::shared_ptr<TSqlBackend> db_;
  QTemporaryDir dir_;
};

TProviderDef DocsDef();
TProviderDef LinesDef();

}  // namespace vantor::test
