// Cost of the dataset engine against plain SQLite on the same file, in the
// same run: open and fetch every row through the in-process provider, sort by
// a second field, locate the last key, apply 1,000 inserts. Sort and locate
// are also run at a tenth of the rows to show how they grow.
//
//   dataset_bench [--rows N]
#include "platform/db/ClientDataSet.h"
#include "platform/db/Field.h"
#include "platform/db/ProviderAppServer.h"
#include "platform/db/SqlBackend.h"
#include "platform/dispatch/Dispatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <vector>

using namespace vantor;

namespace {

double TimeMs(const std::function<void()>& work) {
  QElapsedTimer t;
  t.start();
  work();
  return double(t.nsecsElapsed()) / 1e6;
}

QString Code(int i) { return QStringLiteral("K%1").arg(i, 8, 10, QLatin1Char('0')); }

void Exec(sqlite3* db, const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s\n", err);
    std::exit(1);
  }
}

// The fixture: a code key, a name that sorts differently from the key, a
// quantity and the audit FLAG.
void CreateFixture(const QString& file, int rows) {
  sqlite3* db = nullptr;
  sqlite3_open(file.toUtf8().constData(), &db);
  Exec(db, "CREATE TABLE FIX(CODE VARCHAR(10) NOT NULL PRIMARY KEY, NAME VARCHAR(40), QTY FLOAT, FLAG INTEGER)");
  Exec(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO FIX VALUES(?,?,?,0)", -1, &st, nullptr);
  for (int i = 0; i < rows; ++i) {
    const QByteArray code = Code(i).toUtf8();
    const QByteArray name = QStringLiteral("供应商%1").arg((i * 7919) % rows).toUtf8();
    sqlite3_bind_text(st, 1, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, name.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 3, i * 0.5);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Exec(db, "COMMIT");
  sqlite3_close(db);
}

// Plain SQLite: run a query and copy every cell out, as any caller must.
double PlainQueryMs(const QString& file, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open(file.toUtf8().constData(), &db);
  const double ms = TimeMs([&] {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    std::vector<QVariantList> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
      QVariantList row;
      row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)))
          << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)))
          << sqlite3_column_double(st, 2) << sqlite3_column_int(st, 3);
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
  });
  sqlite3_close(db);
  return ms;
}

double PlainInsertsMs(const QString& file, int from, int count) {
  sqlite3* db = nullptr;
  sqlite3_open(file.toUtf8().constData(), &db);
  const double ms = TimeMs([&] {
    Exec(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO FIX VALUES(?,?,?,1)", -1, &st, nullptr);
    for (int i = from; i < from + count; ++i) {
      const QByteArray code = Code(i).toUtf8();
      sqlite3_bind_text(st, 1, code.constData(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 2, "新增", -1, SQLITE_STATIC);
      sqlite3_bind_double(st, 3, 1.0);
      sqlite3_step(st);
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    Exec(db, "COMMIT");
  });
  sqlite3_close(db);
  return ms;
}

struct TEngineFigures {
  double Fetch = 0, Sort = 0, Locate = 0, Apply = 0;
};

TEngineFigures RunEngine(const QString& file, int rows, bool withApply) {
  TSqlConnectParams params;
  params.Database = file;
  std::shared_ptr<TSqlBackend> backend(TSqlBackend::Create(params));
  backend->Open();
  auto server = TDispatchRef(new TProviderAppServer(backend));
  auto* app = static_cast<TProviderAppServer*>(server.data());
  TProviderDef def;
  def.Table = QStringLiteral("FIX");
  app->AddProvider(QStringLiteral("pvdFix"), def);

  TClientDataSet cds;
  cds.SetAppServer(VarFromDispatch(server));
  cds.SetProviderName(QStringLiteral("pvdFix"));
  cds.SetPacketRecords(-1);
  TEngineFigures f;
  f.Fetch = TimeMs([&] { cds.Open(); });
  if (cds.RecordCount() != rows) {
    std::fprintf(stderr, "fetched %d rows, expected %d\n", cds.RecordCount(), rows);
    std::exit(1);
  }
  f.Sort = TimeMs([&] { cds.SetIndexFieldNames(QStringLiteral("NAME")); });
  f.Locate = TimeMs([&] {
    if (!cds.Locate(QStringLiteral("CODE"), Code(rows - 1))) std::exit(1);
  });
  if (withApply) {
    cds.SetIndexFieldNames(QString());
    for (int i = rows; i < rows + 1000; ++i) {
      cds.Append();
      cds.FieldByName(QStringLiteral("CODE"))->SetAsString(Code(i));
      cds.FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("新增"));
      cds.FieldByName(QStringLiteral("QTY"))->SetAsFloat(1.0);
      cds.FieldByName(QStringLiteral("FLAG"))->SetAsInteger(1);
      cds.Post();
    }
    f.Apply = TimeMs([&] {
      if (cds.ApplyUpdates(0) != 0) std::exit(1);
    });
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int rows = 100000;
  const QStringList args = app.arguments();
  const int at = args.indexOf(QStringLiteral("--rows"));
  if (at > 0 && at + 1 < args.size()) rows = qMax(1000, args[at + 1].toInt());

  QTemporaryDir dir;
  const QString big = dir.filePath(QStringLiteral("big.db"));
  const QString small = dir.filePath(QStringLiteral("small.db"));
  CreateFixture(big, rows);
  CreateFixture(small, rows / 10);

  const double plainFetch = PlainQueryMs(big, "SELECT CODE, NAME, QTY, FLAG FROM FIX");
  const double plainSort = PlainQueryMs(big, "SELECT CODE, NAME, QTY, FLAG FROM FIX ORDER BY NAME");
  const TEngineFigures e = RunEngine(big, rows, true);
  const TEngineFigures s = RunEngine(small, rows / 10, false);
  const double plainApply = PlainInsertsMs(big, rows + 1000, 1000);

  std::printf("rows: %d\n", rows);
  std::printf("fetch all:    engine %8.1f ms  plain query %8.1f ms  ratio %.2f (target <= 3)\n", e.Fetch,
              plainFetch, e.Fetch / plainFetch);
  std::printf("sort by NAME: engine %8.1f ms  plain ORDER BY %6.1f ms  ratio %.2f\n", e.Sort, plainSort,
              e.Sort / plainSort);
  std::printf("apply 1000:   engine %8.1f ms  plain inserts %7.1f ms  ratio %.2f (target <= 2)\n", e.Apply,
              plainApply, e.Apply / plainApply);
  std::printf("locate last:  engine %8.3f ms\n", e.Locate);
  std::printf("growth for 10x rows: sort %.1fx, locate %.1fx (target <= ~12x)\n", e.Sort / s.Sort,
              e.Locate / qMax(s.Locate, 1e-3));
  return 0;
}
