// The fixture of the application-server tests: a temporary data folder
// with one company database, FIX.db, made by the schema scripts and the
// demo builder's company and users (company C01; ADMIN with every right,
// ZHANGW and LIN of group G01 with rights per record, WANGF of G02 with
// query and print only, NORIGHT without rights on RTNI01), and a few rows:
//
//   suppliers S001 (normal), S002 (suspended), S003 (closed)
//   items     I001 个 in 箱 of 10; I002 公斤 in 包 of 25, fixed weight;
//             I003 个 without package
//   receipt   5901-20240101001-0001: I001, 20240101, 100 个, 10 箱
//             5901-20240101001-0002: I002, 20240102, 50 公斤, 2 包
//   arrival   5801-20240201001-0001: I003, 20240201, 30 个
//   returns   of receipt line 0001: 20240110 20 个 2 箱 by ZHANGW (G01),
//             20240120 30 个 3 箱 by LIN (G01)
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <memory>

#include "platform/db/DataPacket.h"
#include "platform/dispatch/Dispatch.h"

namespace vantor {
class TSqlBackend;
}

namespace vantor::test {

class AppServerTest : public ::testing::Test {
protected:
  AppServerTest();
  ~AppServerTest() override;
  void SetUp() override;
  void TearDown() override;

  QString DataDir() const { return dir_.path(); }
  // A direct connection to FIX.db for checking what the server did.
  TSqlBackend& Db();
  QVariant Scalar(const QString& sql, const QVariantList& params = {});

  // A Nexsrv01S.Class1 logged in as user (Connect answered 0).
  TDispatchRef Server(const QString& user = QStringLiteral("ADMIN"));
  TDispatchRef Service();

  // Opens pvdMain with the condition and answers the whole packet.
  static TDataPacket Open(const TDispatchRef& server, const QString& condition, const QString& provider = QStringLiteral("pvdMain"),
                          const QString& order = QString());
  static int Field(const TDataPacket& p, const QString& name);
public:
  static int FieldIndexOf(const TDataPacket& p, const QString& name);
protected:
  // Applies the rows with MaxErrors 0; answers the reconcile errors.
  static QList<TReconcileError> Apply(const TDispatchRef& server, const TDelta& delta);
  // An insert of a return of the fixture's receipt line `line` on date.
  static TDeltaRow NewReturn(const TDataPacket& p, const QString& line, const QString& date, double quantity,
                             double packages, const QString& creator = QStringLiteral("ADMIN"));
  // The packet row whose TJ005 is date (and TJ004 line).
  static QVariantList RowOf(const TDataPacket& p, const QString& line, const QString& date);

private:
  QTemporaryDir dir_;
  QByteArray savedDataDir_;
  std::unique_ptr<TSqlBackend> db_;
};

}  // namespace vantor::test
