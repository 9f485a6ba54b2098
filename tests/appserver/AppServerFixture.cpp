// The application-server test fixture.
#include "AppServerFixture.h"

#include <QSqlQuery>

#include "appserver/AppDatabase.h"
#include "appserver/DemoData.h"
#include "appserver/Nexsrv01S.h"
#include "appserver/NexsrvService.h"
#include "platform/db/SqlBackend.h"
#include "platform/variant/Variants.h"

namespace vantor::test {

namespace {

const char* kRows[] = {
    "INSERT INTO ZKMMA (MA001, MA002, MA004, MA005) VALUES ('NORIGHT', '无权限', 'G09', 'Y')",
    "INSERT INTO PURMA (MA001, MA002, MA003, MA014) VALUES ('S001', '华东精工', '苏州华东精工五金有限公司', '1'), "
    "('S002', '宏达电子', '无锡宏达电子有限公司', '2'), ('S003', '永盛模具', '宁波永盛模具有限公司', '3')",
    "INSERT INTO INVMB (MB001, MB002, MB003, MB004, MB005, MB006) VALUES ('I001', '不锈钢螺丝', 'M6×20', '个', '箱', 'N'), "
    "('I002', '铝合金支架', 'M10×40', '公斤', '包', 'Y'), ('I003', '尼龙垫片', 'M4×8', '个', '', 'N')",
    "INSERT INTO INVMD (MD001, MD002, MD003, MD004) VALUES ('I001', '箱', 10, 1), ('I002', '包', 25, 1)",
    "INSERT INTO MOCTI (TI001, TI002, TI003, TI004, TI005, TI006, TI007, TI008, TI009, TI010, TI011, TI012, TI013) VALUES "
    "('5901', '20240101001', '0001', 'I001', 'S001', '20240101', 100, '个', 10, '箱', 50, 5, 'L240101'), "
    "('5901', '20240101001', '0002', 'I002', 'S001', '20240102', 50, '公斤', 2, '包', 0, 0, 'L240102')",
    "INSERT INTO MOCCD (CD001, CD002, CD003, CD004, CD005, CD006, CD007, CD008, CD009, CD010) VALUES "
    "('5801', '20240201001', '0001', 'I003', 'S001', '20240201', 30, '个', 0, '')",
    "INSERT INTO MOCTJ (TJ001, TJ002, TJ003, TJ004, TJ005, TJ006, TJ008, TJ009, COMPANY, CREATOR, USR_GROUP, FLAG) VALUES "
    "('S001', '5901', '20240101001', '0001', '20240110', 20, 2, '1', 'C01', 'ZHANGW', 'G01', 1), "
    "('S001', '5901', '20240101001', '0001', '20240120', 30, 3, '1', 'C01', 'LIN', 'G01', 1)",
};

}  // namespace

AppServerTest::AppServerTest() = default;
AppServerTest::~AppServerTest() = default;

void AppServerTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  savedDataDir_ = qgetenv("VANTOR_DATA_DIR");
  qputenv("VANTOR_DATA_DIR", dir_.path().toUtf8());
  TDemoOptions options;
  options.Company = QStringLiteral("C01");
  db_ = TAppDatabase::CreateDatabase(dir_.filePath(QStringLiteral("FIX.db")));
  TDemoBuilder(options).AddCompanyAndUsers(*db_, QStringLiteral("FIX"));
  for (const char* sql : kRows) db_->Exec(QString::fromUtf8(sql));
}

void AppServerTest::TearDown() {
  db_.reset();
  if (savedDataDir_.isEmpty()) qunsetenv("VANTOR_DATA_DIR");
  else qputenv("VANTOR_DATA_DIR", savedDataDir_);
}

TSqlBackend& AppServerTest::Db() { return *db_; }

QVariant AppServerTest::Scalar(const QString& sql, const QVariantList& params) {
  QSqlQuery q = db_->Exec(sql, params);
  return q.next() ? q.value(0) : QVariant();
}

TDispatchRef AppServerTest::Server(const QString& user) {
  TDispatchRef server(new TNexsrv01S);
  QVariantList args{QVariantList{QStringLiteral("RTNI01"), user, QStringLiteral("C01"), QStringLiteral("FIX"), true, false}};
  EXPECT_EQ(server->Invoke(QStringLiteral("Connect"), args, ByRefArg(0)).toInt(), 0) << qPrintable(user);
  return server;
}

TDispatchRef AppServerTest::Service() {
  TDispatchRef service(new TNexsrvService);
  service->SetProperty(QStringLiteral("DatabaseName"), QStringLiteral("FIX"));
  service->SetProperty(QStringLiteral("CompanyID"), QStringLiteral("C01"));
  return service;
}

TDataPacket AppServerTest::Open(const TDispatchRef& server, const QString& condition, const QString& provider,
                                const QString& order) {
  QVariantList request{provider, QVariantList{condition, order}};
  server->Invoke(QStringLiteral("AS_DataRequest"), request);
  QVariantList get{provider, -1, int(poRestart)};
  return PacketFromVariant(server->Invoke(QStringLiteral("AS_GetRecords"), get));
}

int AppServerTest::Field(const TDataPacket& p, const QString& name) {
  for (int i = 0; i < p.Fields.size(); ++i)
    if (p.Fields[i].Name.compare(name, Qt::CaseInsensitive) == 0) return i;
  ADD_FAILURE() << "no field " << qPrintable(name);
  return 0;
}

QList<TReconcileError> AppServerTest::Apply(const TDispatchRef& server, const TDelta& delta) {
  QVariantList args{QStringLiteral("pvdMain"), DeltaToVariant(delta), 0, 0};
  const QVariant errors = server->Invoke(QStringLiteral("AS_ApplyUpdates"), args, ByRefArg(3));
  return ReconcileErrorsFromVariant(errors);
}

TDeltaRow AppServerTest::NewReturn(const TDataPacket& p, const QString& line, const QString& date, double quantity,
                                   double packages, const QString& creator) {
  TDeltaRow row;
  row.Kind = ukInsert;
  for (int i = 0; i < p.Fields.size(); ++i) row.NewValues.append(QVariant());
  const auto set = [&](const char* f, const QVariant& v) { row.NewValues[Field(p, QLatin1String(f))] = v; };
  set("TJ001", QStringLiteral("S001"));
  set("TJ002", QStringLiteral("5901"));
  set("TJ003", QStringLiteral("20240101001"));
  set("TJ004", line);
  set("TJ005", date);
  set("TJ006", quantity);
  set("TJ008", packages);
  set("TJ009", QStringLiteral("1"));
  set("COMPANY", QStringLiteral("C01"));
  set("CREATOR", creator);
  set("FLAG", 1);
  return row;
}

QVariantList AppServerTest::RowOf(const TDataPacket& p, const QString& line, const QString& date) {
  for (const QVariantList& r : p.Rows)
    if (VarToStr(r[Field(p, QStringLiteral("TJ004"))]) == line && VarToStr(r[Field(p, QStringLiteral("TJ005"))]) == date) return r;
  ADD_FAILURE() << "no return " << qPrintable(line) << " " << qPrintable(date);
  return {};
}

}  // namespace vantor::test
