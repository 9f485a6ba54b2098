// The application server under load: 20 clients on loopback to a nexsrvd
// child process, each repeating one operation of a user entering returns:
// open the returns with a condition (one packet of 40 rows), three checks
// (supplier, source line, return key) and one return inserted and applied.
// Reported: throughput, median and 99th-percentile latency of the
// operation, errors, rows written against rows expected, and the ratio of
// the server's time per operation to the same SQL run directly on the
// SQLite file in the same run (one client alone, and 20 clients' wall time
// per operation).
//
//   appserver_bench [--clients N] [--ops N] [--rows N]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "appserver/DemoData.h"
#include "appserver/SqlText.h"
#include "platform/db/DataPacket.h"
#include "platform/db/SqlBackend.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/remote/SocketConnection.h"
#include "platform/variant/Variants.h"

using namespace vantor;

namespace {

struct TLine {
  QString Type, Number, Line, Supplier, Date;
};

// Open receipt lines, a disjoint share for every client so that the clients
// compete for the database, not for the same lines.
std::vector<std::vector<TLine>> ShareLines(TSqlBackend& db, int clients) {
  std::vector<std::vector<TLine>> shares(clients);
  QSqlQuery q = db.Exec(QStringLiteral("SELECT TI001, TI002, TI003, TI005, TI006 FROM MOCTI WHERE TI007 - TI011 >= 50 ORDER BY TI002, TI003"));
  for (int i = 0; q.next(); ++i)
    shares[i % clients].push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                                   q.value(4).toString()});
  return shares;
}

QString ReturnDate(int client, int op) { return QStringLiteral("B%1%2").arg(client, 2, 10, QLatin1Char('0')).arg(op, 5, 10, QLatin1Char('0')); }
QString Condition(int op) { return QStringLiteral("MOCTJ.TJ005 >= '2%1'").arg(op % 9); }

// --- the operation through the server ------------------------------------------------

class TClient {
public:
  TClient(quint16 port, int id) : id_(id) {
    for (auto* c : {&data_, &service_}) {
      c->SetAddress(QStringLiteral("127.0.0.1"));
      c->SetPort(port);
    }
    data_.SetServerName(QStringLiteral("Nexsrv01S.Class1"));
    service_.SetServerName(QStringLiteral("Nexsrv01S.Service"));
    data_.Open();
    service_.Open();
    const QVariant login = QVariantList{QStringLiteral("RTNI01"), QStringLiteral("ADMIN"), QStringLiteral("DEMO"), QStringLiteral("BENCH"), true, false};
    if (DispCall(data_.AppServer(), QStringLiteral("Connect"), {login}).toInt() != 0) throw Exception(QStringLiteral("login refused"));
    DispPut(service_.AppServer(), QStringLiteral("DatabaseName"), QStringLiteral("BENCH"));
  }

  // Answers whether the insert was applied.
  bool Operation(int op, const TLine& line) {
    const QVariant server = data_.AppServer(), service = service_.AppServer();
    DispCall(server, QStringLiteral("AS_DataRequest"), {QStringLiteral("pvdMain"), QVariantList{Condition(op), QString()}});
    const TDataPacket p = PacketFromVariant(DispCall(server, QStringLiteral("AS_GetRecords"), {QStringLiteral("pvdMain"), 40, int(poRestart)}));
    const QString date = ReturnDate(id_, op);
    const QVariantList checks[] = {
        {QStringLiteral("PURMA"), QStringLiteral("01"), QStringLiteral("BENCH"), QVariantList{line.Supplier}, QVariant()},
        {QStringLiteral("MOCTI"), QStringLiteral("09"), QStringLiteral("BENCH"), QVariantList{date, line.Type, line.Number, line.Line}, QVariant()},
        {QStringLiteral("MOCTJ"), QStringLiteral("01"), QStringLiteral("BENCH"), QVariantList{line.Type, line.Number, line.Line, date}, QVariant()}};
    for (const QVariantList& c : checks) DispCall(service, QStringLiteral("CheckValue"), c);
    TDeltaRow row;
    row.Kind = ukInsert;
    for (const TPacketFieldDef& f : p.Fields) {
      const QString n = f.Name;
      row.NewValues.append(n == QLatin1String("TJ001") ? QVariant(line.Supplier) : n == QLatin1String("TJ002") ? QVariant(line.Type)
                           : n == QLatin1String("TJ003") ? QVariant(line.Number) : n == QLatin1String("TJ004") ? QVariant(line.Line)
                           : n == QLatin1String("TJ005") ? QVariant(date) : n == QLatin1String("TJ006") ? QVariant(0.01)
                           : n == QLatin1String("TJ009") ? QVariant(QStringLiteral("1")) : n == QLatin1String("COMPANY") ? QVariant(QStringLiteral("DEMO"))
                           : n == QLatin1String("CREATOR") ? QVariant(QStringLiteral("ADMIN")) : n == QLatin1String("FLAG") ? QVariant(1) : QVariant());
    }
    QVariantList args{QStringLiteral("pvdMain"), DeltaToVariant({p.Fields, {row}}), 0, 0};
    const QVariant errors = VarToDispatch(server)->Invoke(QStringLiteral("AS_ApplyUpdates"), args, ByRefArg(3));
    return ReconcileErrorsFromVariant(errors).isEmpty();
  }

private:
  int id_;
  TSocketConnection data_, service_;
};

// --- the same SQL directly on the file -------------------------------------------------

const char* kDirectSelect =
    "SELECT MOCTJ.*, PURMA.MA002, COALESCE(MOCTI.TI013, MOCCD.CD013), COALESCE(MOCTI.TI004, MOCCD.CD004), INVMB.MB002, INVMB.MB003, "
    "COALESCE(MOCTI.TI006, MOCCD.CD006), COALESCE(MOCTI.TI007, MOCCD.CD007), COALESCE(MOCTI.TI008, MOCCD.CD008), "
    "COALESCE(MOCTI.TI009, MOCCD.CD009), COALESCE(MOCTI.TI010, MOCCD.CD010), "
    "COALESCE(MOCTI.TI007, MOCCD.CD007) - COALESCE((SELECT SUM(R.TJ006) FROM MOCTJ R WHERE R.TJ009 = MOCTJ.TJ009 AND R.TJ002 = MOCTJ.TJ002 "
    "AND R.TJ003 = MOCTJ.TJ003 AND R.TJ004 = MOCTJ.TJ004 AND R.TJ005 <= MOCTJ.TJ005 AND R.TJ005 <> MOCTJ.TJ005), 0), "
    "COALESCE(MOCTI.TI009, MOCCD.CD009) - COALESCE((SELECT SUM(R.TJ008) FROM MOCTJ R WHERE R.TJ009 = MOCTJ.TJ009 AND R.TJ002 = MOCTJ.TJ002 "
    "AND R.TJ003 = MOCTJ.TJ003 AND R.TJ004 = MOCTJ.TJ004 AND R.TJ005 <= MOCTJ.TJ005 AND R.TJ005 <> MOCTJ.TJ005), 0), INVMB.MB006 "
    "FROM MOCTJ MOCTJ LEFT JOIN PURMA PURMA ON PURMA.MA001 = MOCTJ.TJ001 "
    "LEFT JOIN MOCTI MOCTI ON MOCTJ.TJ009 = '1' AND MOCTI.TI001 = MOCTJ.TJ002 AND MOCTI.TI002 = MOCTJ.TJ003 AND MOCTI.TI003 = MOCTJ.TJ004 "
    "LEFT JOIN MOCCD MOCCD ON MOCTJ.TJ009 <> '1' AND MOCCD.CD001 = MOCTJ.TJ002 AND MOCCD.CD002 = MOCTJ.TJ003 AND MOCCD.CD003 = MOCTJ.TJ004 "
    "LEFT JOIN INVMB INVMB ON INVMB.MB001 = COALESCE(MOCTI.TI004, MOCCD.CD004) WHERE (MOCTJ.TJ005 >= ?) "
    "ORDER BY MOCTJ.TJ002, MOCTJ.TJ003, MOCTJ.TJ004, MOCTJ.TJ005 LIMIT 41";

void DirectOperation(TSqlBackend& db, const QStringList& checks, int op, const TLine& line) {
  QSqlQuery select = db.Exec(QLatin1String(kDirectSelect), {QStringLiteral("2%1").arg(op % 9)});
  while (select.next()) {}
  const QString date = ReturnDate(99, op);
  const QVariantList params[] = {{line.Supplier}, {date, line.Type, line.Number, line.Line}, {line.Type, line.Number, line.Line, date}};
  for (int i = 0; i < 3; ++i) {
    QVariantList bound;
    const QString sql = ExpandPlaceholders(checks[i], params[i], bound);  // ?1 used twice binds twice
    QSqlQuery q = db.Exec(sql, bound);
    while (q.next()) {}
  }
  TSqlTransaction t(db);
  for (const char* sql : {"SELECT TI007, TI009 FROM MOCTI WHERE TI001 = ? AND TI002 = ? AND TI003 = ?",
                          "SELECT COALESCE(SUM(TJ006), 0) FROM MOCTJ WHERE TJ009 = '1' AND TJ002 = ? AND TJ003 = ? AND TJ004 = ?"}) {
    QSqlQuery q = db.Exec(QLatin1String(sql), {line.Type, line.Number, line.Line});
    q.next();
  }
  db.ExecChange(QStringLiteral("INSERT INTO MOCTJ (TJ001, TJ002, TJ003, TJ004, TJ005, TJ006, TJ009, COMPANY, CREATOR, FLAG) "
                               "VALUES (?, ?, ?, ?, ?, 0.01, '1', 'DEMO', 'ADMIN', 1)"),
                {line.Supplier, line.Type, line.Number, line.Line, date});
  db.ExecChange(QStringLiteral("UPDATE MOCTI SET TI011 = TI011 + 0.01 WHERE TI001 = ? AND TI002 = ? AND TI003 = ?"),
                {line.Type, line.Number, line.Line});
  t.Commit();
}

// A statement left open would pin an old snapshot of the file and make the
// next write of this connection fail once the server has committed.
int CountReturns(TSqlBackend& db) {
  QSqlQuery q = db.Exec(QStringLiteral("SELECT COUNT(*) FROM MOCTJ"));
  q.next();
  return q.value(0).toInt();
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

int Arg(const QStringList& args, const char* name, int fallback) {
  const int i = args.indexOf(QLatin1String(name));
  return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  const int clients = std::max(1, Arg(args, "--clients", 20)), ops = std::max(1, Arg(args, "--ops", 50));
  TDemoOptions options;
  options.ScaleRows(std::max(100, Arg(args, "--rows", 5000)));
  QTemporaryDir dir;
  auto db = TDemoBuilder(options).Build(dir.filePath(QStringLiteral("BENCH.db")));
  const auto shares = ShareLines(*db, clients + 1);
  QProcess daemon;
  struct TStop {
    QProcess& P;
    ~TStop() { P.terminate(); P.waitForFinished(10000); }
  } stop{daemon};
  daemon.start(QCoreApplication::applicationDirPath() + QStringLiteral("/nexsrvd"),
               {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--address"), QStringLiteral("127.0.0.1"),
                QStringLiteral("--data"), dir.path()});
  if (!daemon.waitForReadyRead(10000)) {
    std::fprintf(stderr, "appserver_bench: nexsrvd did not start\n");
    return 1;
  }
  const auto m = QRegularExpression(QStringLiteral("port (\\d+)")).match(QString::fromUtf8(daemon.readAllStandardOutput()));
  const quint16 port = quint16(m.captured(1).toUInt());

  const int rowsBefore = CountReturns(*db);

  // One client alone, then the direct SQL, then every client at once.
  std::vector<double> alone, direct;
  int errors = 0, applied = 0;
  {
    TClient c(port, clients);
    for (int op = 0; op < ops; ++op) {
      QElapsedTimer t;
      t.start();
      applied += c.Operation(op, shares[clients][op % shares[clients].size()]) ? 1 : (++errors, 0);
      alone.push_back(t.nsecsElapsed() / 1e6);
    }
  }
  QStringList checks;
  for (const char* k : {"PURMA' AND CK002 = '01", "MOCTI' AND CK002 = '09", "MOCTJ' AND CK002 = '01"}) {
    QSqlQuery q = db->Exec(QStringLiteral("SELECT CK003 FROM ADMCK WHERE CK001 = '%1'").arg(QLatin1String(k)));
    q.next();
    checks.append(q.value(0).toString());
    q.finish();
  }
  for (int op = 0; op < ops; ++op) {
    QElapsedTimer t;
    t.start();
    try {
      DirectOperation(*db, checks, op, shares[clients][(op + 7) % shares[clients].size()]);
    } catch (const Exception& e) {
      std::fprintf(stderr, "direct SQL: %s\n", e.what());
      return 1;
    }
    direct.push_back(t.nsecsElapsed() / 1e6);
  }

  std::vector<std::vector<double>> latencies(clients);
  std::atomic<int> concurrentErrors{0}, concurrentApplied{0};
  QElapsedTimer wall;
  wall.start();
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i)
    threads.emplace_back([&, i] {
      try {
        TClient c(port, i);
        for (int op = 0; op < ops; ++op) {
          QElapsedTimer t;
          t.start();
          if (c.Operation(op, shares[i][op % shares[i].size()])) ++concurrentApplied;
          else ++concurrentErrors;
          latencies[i].push_back(t.nsecsElapsed() / 1e6);
        }
      } catch (const Exception& e) {
        std::fprintf(stderr, "client %d: %s\n", i, e.what());
        ++concurrentErrors;
      }
    });
  for (std::thread& t : threads) t.join();
  const double seconds = wall.nsecsElapsed() / 1e9;

  std::vector<double> all;
  for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  const int written = CountReturns(*db) - rowsBefore;
  const int expected = applied + ops + concurrentApplied.load();
  const double directMedian = Percentile(direct, 0.5);
  std::printf("appserver_bench: %d clients x %d operations (open 40 rows, 3 checks, 1 insert), %d receipt lines\n", clients, ops,
              options.ReceiptLines);
  std::printf("  throughput        %.1f operations/s\n", all.size() / seconds);
  std::printf("  latency           median %.2f ms, p99 %.2f ms\n", Percentile(all, 0.5), Percentile(all, 0.99));
  std::printf("  errors            %d (one client alone: %d)\n", concurrentErrors.load(), errors);
  std::printf("  rows written      %d of %d expected%s\n", written, expected, written == expected ? "" : "  ROWS LOST");
  std::printf("  direct SQL        median %.2f ms per operation\n", directMedian);
  std::printf("  ratio alone       %.2f (one client's median / direct SQL median)\n", Percentile(alone, 0.5) / directMedian);
  std::printf("  ratio 20 clients  %.2f (wall time per operation / direct SQL median)\n", seconds * 1000.0 / all.size() / directMedian);
  return concurrentErrors.load() == 0 && errors == 0 && written == expected ? 0 : 1;
}
