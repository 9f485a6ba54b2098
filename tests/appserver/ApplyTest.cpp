// Applying returns through "pvdMain": what is accepted is stored with the
// source line's returned quantities kept in step; conflicts, rights,
// over-returns and foreign companies are refused through the reconcile
// errors with nothing written; two connections racing for the same source
// line never return more than it brought in.
#include <atomic>
#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

#include "AppServerFixture.h"
#include "platform/db/SqlBackend.h"
#include "platform/variant/Variants.h"

namespace vantor::test {

namespace {

TDelta Batch(const TDataPacket& p, QList<TDeltaRow> rows) { return {p.Fields, std::move(rows)}; }

// A modification of row: the fetched values as old, the given fields new.
TDeltaRow Modify(const TDataPacket& p, const QVariantList& row, const QList<QPair<const char*, QVariant>>& changes,
                 TUpdateKind kind = ukModify) {
  TDeltaRow d;
  d.Kind = kind;
  d.OldValues = row;
  for (int i = 0; i < row.size(); ++i) d.NewValues.append(QVariant());
  for (const auto& [f, v] : changes) d.NewValues[AppServerTest::FieldIndexOf(p, QLatin1String(f))] = v;
  return d;
}

}  // namespace

int AppServerTest::FieldIndexOf(const TDataPacket& p, const QString& name) { return Field(p, name); }

TEST_F(AppServerTest, MainProviderSendsEveryComputedField) {
  const TDataPacket p = Open(Server(), QString());
  ASSERT_EQ(p.Rows.size(), 2);
  for (const char* f : {"TJ001C", "TJ009C", "TJ101C", "TJ102C", "TJ103C", "TJ104C", "TJ105C", "TJ106C", "TJ107C", "TJ108C",
                        "TJ006C", "TJ008C", "TJ109C"})
    EXPECT_TRUE(p.Fields[Field(p, QLatin1String(f))].ReadOnly) << f;
  EXPECT_FALSE(p.Fields[Field(p, QStringLiteral("TJ006"))].ReadOnly);
  EXPECT_TRUE(p.Fields[Field(p, QStringLiteral("TJ005"))].InKey);
  const QVariantList later = RowOf(p, QStringLiteral("0001"), QStringLiteral("20240120"));
  const auto at = [&](const char* f) { return later[Field(p, QLatin1String(f))]; };
  EXPECT_EQ(at("TJ001C").toString(), QStringLiteral("华东精工"));
  EXPECT_EQ(at("TJ101C").toString(), QStringLiteral("I001"));
  EXPECT_EQ(at("TJ102C").toString(), QStringLiteral("不锈钢螺丝"));
  EXPECT_EQ(at("TJ104C").toString(), QStringLiteral("20240101"));
  EXPECT_EQ(at("TJ105C").toDouble(), 100.0);
  EXPECT_EQ(at("TJ108C").toString(), QStringLiteral("箱"));
  EXPECT_EQ(at("TJ109C").toString(), QStringLiteral("N"));
  EXPECT_EQ(at("TJ009C").toString(), QStringLiteral("L240101"));
  // What remains for this return: the earlier one deducted, itself not.
  EXPECT_EQ(at("TJ006C").toDouble(), 80.0);
  EXPECT_EQ(at("TJ008C").toDouble(), 8.0);
  EXPECT_EQ(RowOf(p, QStringLiteral("0001"), QStringLiteral("20240110"))[Field(p, QStringLiteral("TJ006C"))].toDouble(), 100.0);
}

TEST_F(AppServerTest, ConditionsSelectRowsInTheClientsDialect) {
  const TDispatchRef server = Server();
  const struct { const char* Condition; int Rows; } cases[] = {
      {"MOCTJ.TJ005 >= '20240115'", 1},
      {"SUBSTRING(MOCTJ.TJ005,1,6) = '202401'", 2},
      {"PURMA.MA002 LIKE '华东%' AND INVMB.MB001 = 'I001'", 2},
      {"MOCTJ.TJ002 + MOCTJ.TJ003 = '590120240101001'", 2},
      {"FIX..MOCTJ.CREATOR = 'LIN'", 1},
      {"1=2", 0},
      {"All", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(Open(server, QString::fromUtf8(c.Condition)).Rows.size(), c.Rows) << c.Condition;
  QVariantList top{5};
  server->Invoke(QStringLiteral("SetTopRow"), top);
  EXPECT_EQ(Open(server, QString()).Rows.size(), 2);
  top = {1};
  server->Invoke(QStringLiteral("SetTopRow"), top);
  EXPECT_EQ(Open(server, QString()).Rows.size(), 1);
  QVariantList none;
  EXPECT_EQ(server->Invoke(QStringLiteral("GetRecCount"), none).toInt(), 1);
}

TEST_F(AppServerTest, TheChosenOrderIsKept) {
  const TDispatchRef server = Server();
  auto dates = [&](const QString& order) {
    const TDataPacket p = Open(server, QString(), QStringLiteral("pvdMain"), order);
    QStringList out;
    for (const QVariantList& row : p.Rows) out << row[Field(p, QStringLiteral("TJ005"))].toString();
    return out;
  };
  const QStringList ascending = dates(QStringLiteral("TJ005"));
  ASSERT_EQ(ascending.size(), 2);
  EXPECT_LT(ascending[0], ascending[1]);
  QStringList descending = ascending;
  std::reverse(descending.begin(), descending.end());
  EXPECT_EQ(dates(QStringLiteral("TJ005 DESC")), descending);
  EXPECT_EQ(dates(QStringLiteral("ORDER BY MOCTJ.TJ005 desc")), descending);
  // The colour provider takes the same request.
  EXPECT_EQ(Open(server, QString(), QStringLiteral("pvdColor"), QStringLiteral("TJ005 DESC")).Rows.size(), 2);
  QVariantList bad{QStringLiteral("pvdMain"), QVariantList{QString(), QStringLiteral("NOSUCH")}};
  EXPECT_THROW(server->Invoke(QStringLiteral("AS_DataRequest"), bad), EDatabaseError);
}

TEST_F(AppServerTest, InsertModifyAndDeleteKeepTheSourceLineRight) {
  const TDispatchRef server = Server();
  TDataPacket p = Open(server, QString());
  ASSERT_TRUE(Apply(server, Batch(p, {NewReturn(p, QStringLiteral("0001"), QStringLiteral("20240125"), 40, 4)})).isEmpty());
  EXPECT_EQ(Scalar(QStringLiteral("SELECT TI011 FROM MOCTI WHERE TI003 = '0001'")).toDouble(), 90.0);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT TI012 FROM MOCTI WHERE TI003 = '0001'")).toDouble(), 9.0);

  p = Open(server, QString());
  const QVariantList added = RowOf(p, QStringLiteral("0001"), QStringLiteral("20240125"));
  EXPECT_EQ(added[Field(p, QStringLiteral("TJ006C"))].toDouble(), 50.0);
  ASSERT_TRUE(Apply(server, Batch(p, {Modify(p, added, {{"TJ006", 45.0}, {"FLAG", 2}})})).isEmpty());
  EXPECT_EQ(Scalar(QStringLiteral("SELECT TI011 FROM MOCTI WHERE TI003 = '0001'")).toDouble(), 95.0);

  p = Open(server, QString());
  const QVariantList modified = RowOf(p, QStringLiteral("0001"), QStringLiteral("20240125"));
  ASSERT_TRUE(Apply(server, Batch(p, {Modify(p, modified, {}, ukDelete)})).isEmpty());
  EXPECT_EQ(Scalar(QStringLiteral("SELECT TI011 FROM MOCTI WHERE TI003 = '0001'")).toDouble(), 50.0);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM MOCTJ")).toInt(), 2);
}

TEST_F(AppServerTest, RefusedChangesComeBackAsReconcileErrors) {
  const TDispatchRef server = Server();
  const TDataPacket p = Open(server, QString());
  const QVariantList first = RowOf(p, QStringLiteral("0001"), QStringLiteral("20240110"));
  TDeltaRow otherCompany = NewReturn(p, QStringLiteral("0002"), QStringLiteral("20240301"), 1, 0);
  otherCompany.NewValues[Field(p, QStringLiteral("COMPANY"))] = QStringLiteral("C02");
  TDeltaRow badKind = NewReturn(p, QStringLiteral("0002"), QStringLiteral("20240302"), 1, 0);
  badKind.NewValues[Field(p, QStringLiteral("TJ009"))] = QStringLiteral("7");
  const struct {
    const char* Name;
    TDeltaRow Row;
    const char* Message;
  } cases[] = {
      {"more than the line brought in", NewReturn(p, QStringLiteral("0001"), QStringLiteral("20240125"), 51, 0), "超过原数量"},
      {"more packages than the line", NewReturn(p, QStringLiteral("0001"), QStringLiteral("20240126"), 10, 6), "超过原包装数量"},
      {"no such source line", NewReturn(p, QStringLiteral("0009"), QStringLiteral("20240125"), 1, 0), "不存在"},
      {"nothing returned", NewReturn(p, QStringLiteral("0002"), QStringLiteral("20240301"), 0, 0), "必须大于零"},
      {"another company's record", otherCompany, "不属于目前登录的公司"},
      {"unknown source kind", badKind, "只可为 1 或 2"},
      {"changed since fetched", Modify(p, [&] { QVariantList r = first; r[Field(p, QStringLiteral("FLAG"))] = 7; return r; }(),
                                       {{"TJ006", 21.0}}), "changed"},
  };
  for (const auto& c : cases) {
    const QList<TReconcileError> errors = Apply(server, Batch(p, {c.Row}));
    ASSERT_EQ(errors.size(), 1) << c.Name;
    EXPECT_TRUE(errors[0].Message.contains(QString::fromUtf8(c.Message)) || errors[0].Context.contains(QLatin1String(c.Message)))
        << c.Name << ": " << qPrintable(errors[0].Message);
  }
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM MOCTJ")).toInt(), 2);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT SUM(TJ006) FROM MOCTJ")).toDouble(), 50.0);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT TI011 FROM MOCTI WHERE TI003 = '0001'")).toDouble(), 50.0);
  // A batch is one transaction: a good row goes back with the bad one.
  const QList<TReconcileError> errors = Apply(server, Batch(p, {NewReturn(p, QStringLiteral("0002"), QStringLiteral("20240301"), 5, 0),
                                                                 NewReturn(p, QStringLiteral("0001"), QStringLiteral("20240301"), 99, 0)}));
  EXPECT_EQ(errors.size(), 1);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM MOCTJ")).toInt(), 2);
}

TEST_F(AppServerTest, RightsDecideWhatAUserMayApply) {
  const struct {
    const char* User;
    const char* Action;  // add, modify or delete, of LIN's record (group G01) or ADMIN's
    bool OfAdmin;
    bool Allowed;
  } cases[] = {
      {"WANGF", "add", false, false},      {"WANGF", "modify", false, false}, {"WANGF", "delete", false, false},
      {"ZHANGW", "add", false, true},      {"ZHANGW", "modify", false, true}, {"ZHANGW", "delete", false, true},
      {"ZHANGW", "modify", true, false},   {"ZHANGW", "delete", true, false}, {"ADMIN", "modify", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.User) + " " + c.Action + (c.OfAdmin ? " ADMIN's" : " LIN's"));
    // Every case starts from the fixture's returns and one of ADMIN's.
    Db().Exec(QStringLiteral("DELETE FROM MOCTJ WHERE TJ004 = '0002' OR TJ005 > '20240120'"));
    Db().Exec(QStringLiteral("INSERT OR REPLACE INTO MOCTJ (TJ001, TJ002, TJ003, TJ004, TJ005, TJ006, TJ008, TJ009, COMPANY, CREATOR, "
                             "USR_GROUP, FLAG) VALUES ('S001', '5901', '20240101001', '0001', '20240120', 30, 3, '1', 'C01', 'LIN', 'G01', 1), "
                             "('S001', '5901', '20240101001', '0002', '20240105', 1, 0, '1', 'C01', 'ADMIN', 'G00', 1)"));
    const TDispatchRef server = Server(QLatin1String(c.User));
    const TDataPacket p = Open(server, QString());
    const QVariantList row = c.OfAdmin ? RowOf(p, QStringLiteral("0002"), QStringLiteral("20240105"))
                                       : RowOf(p, QStringLiteral("0001"), QStringLiteral("20240120"));
    const QString action = QLatin1String(c.Action);
    const TDeltaRow d = action == QLatin1String("add")
                            ? NewReturn(p, QStringLiteral("0002"), QStringLiteral("20240303"), 1, 0, QLatin1String(c.User))
                        : action == QLatin1String("modify") ? Modify(p, row, {{"TJ007", QStringLiteral("改")}})
                                                            : Modify(p, row, {}, ukDelete);
    const QList<TReconcileError> errors = Apply(server, Batch(p, {d}));
    EXPECT_EQ(errors.isEmpty(), c.Allowed);
    if (!errors.isEmpty()) {
      EXPECT_TRUE(errors[0].Message.contains(QStringLiteral("权限"))) << qPrintable(errors[0].Message);
    }
  }
}

TEST_F(AppServerTest, TwoConnectionsCannotOverReturnOneLine) {
  // Line 0002 brought in 50; each round two clients, each on a connection
  // and thread of its own, return 30 of it at once on different dates. At
  // most one of them may succeed.
  for (int round = 0; round < 5; ++round) {
    Db().Exec(QStringLiteral("DELETE FROM MOCTJ WHERE TJ004 = '0002'"));
    Db().Exec(QStringLiteral("UPDATE MOCTI SET TI011 = 0, TI012 = 0 WHERE TI003 = '0002'"));
    std::atomic<int> accepted{0}, ready{0};
    const auto client = [&](const char* user, const char* date) {
      const TDispatchRef server = Server(QLatin1String(user));
      const TDataPacket p = Open(server, QStringLiteral("1=2"));
      ++ready;
      while (ready.load() < 2) std::this_thread::yield();
      if (Apply(server, Batch(p, {NewReturn(p, QStringLiteral("0002"), QLatin1String(date), 30, 0, QLatin1String(user))})).isEmpty())
        ++accepted;
    };
    std::thread ta(client, "ADMIN", "20240201"), tb(client, "ZHANGW", "20240202");
    ta.join();
    tb.join();
    EXPECT_EQ(accepted.load(), 1) << "round " << round;
    EXPECT_EQ(Scalar(QStringLiteral("SELECT SUM(TJ006) FROM MOCTJ WHERE TJ004 = '0002'")).toDouble(), 30.0);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT TI011 FROM MOCTI WHERE TI003 = '0002'")).toDouble(), 30.0);
  }
}

}  // namespace vantor::test
