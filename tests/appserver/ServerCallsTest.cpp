// The calls of Nexsrv01S.Class1 and PickWinS.Class1 and the answers'
// shapes: the login and its values, the colour rows, the saved query
// schemes, the customisation document, the lookup provider; and over TCP,
// that a malformed call gets a clear error while the server keeps serving.
#include <QHostAddress>
#include <gtest/gtest.h>

#include "AppServerFixture.h"
#include "appserver/AppDatabase.h"
#include "appserver/Nexsrv01S.h"
#include "appserver/PickWinS.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/remote/SocketConnection.h"
#include "platform/remote/SocketServer.h"
#include "platform/variant/Variants.h"

namespace vantor::test {

namespace {

QVariant Call(const TDispatchRef& o, const char* member, QVariantList args = {}) {
  return o->Invoke(QLatin1String(member), args);
}

}  // namespace

TEST_F(AppServerTest, ConnectAcceptsOnlyAKnownLoginWithTheRightToRun) {
  Db().Exec(QStringLiteral("INSERT INTO ZKMMB (MB001, MB002, MB003) VALUES ('C02', '别家公司', 'OTHER')"));
  const struct {
    QVariantList Login;
    int Code;
  } cases[] = {
      {{QStringLiteral("rtni01"), QStringLiteral("ADMIN"), QStringLiteral("C01"), QStringLiteral("FIX"), true, false}, 0},
      {{QStringLiteral("RTNI01"), QStringLiteral("WANGF"), QStringLiteral("C01"), QStringLiteral("fix"), true, false}, 0},
      {{QStringLiteral("RTNI01"), QStringLiteral("ADMIN")}, 1},
      {{QStringLiteral("RTNI01"), QVariantList{}, QStringLiteral("C01"), QStringLiteral("FIX")}, 1},
      {{QStringLiteral("RTNI01"), QStringLiteral("ADMIN"), QStringLiteral("C02"), QStringLiteral("FIX"), true, false}, 2},
      {{QStringLiteral("RTNI01"), QStringLiteral("ADMIN"), QStringLiteral("C09"), QStringLiteral("FIX"), true, false}, 2},
      {{QStringLiteral("RTNI01"), QStringLiteral("ADMIN"), QStringLiteral("C01"), QStringLiteral("NODB"), true, false}, 3},
      {{QStringLiteral("RTNI01"), QStringLiteral("ADMIN"), QStringLiteral("C01"), QStringLiteral("../FIX"), true, false}, 3},
      {{QStringLiteral("RTNI01"), QStringLiteral("NOBODY"), QStringLiteral("C01"), QStringLiteral("FIX"), true, false}, 4},
      {{QStringLiteral("RTNX99"), QStringLiteral("ADMIN"), QStringLiteral("C01"), QStringLiteral("FIX"), true, false}, 5},
      {{QStringLiteral("RTNI01"), QStringLiteral("NORIGHT"), QStringLiteral("C01"), QStringLiteral("FIX"), true, false}, 6},
  };
  for (const auto& c : cases) {
    TDispatchRef server(new TNexsrv01S);
    QVariantList args{QVariant(c.Login)};
    EXPECT_EQ(server->Invoke(QStringLiteral("Connect"), args, ByRefArg(0)).toInt(), c.Code) << VarToStr(c.Login.value(1)).toStdString();
    if (c.Code != 0) {
      EXPECT_THROW(Call(server, "SvrData"), EOleError);
    }
  }
}

TEST_F(AppServerTest, SvrDataAnswersTheLoginsValues) {
  const struct { const char* User; QStringList Lines; } cases[] = {
      {"ADMIN", {"USER_GROUP=G00", "POWER_DATA=Y,Y,N,YYYYYYYYYYYY,YYYYYYY,YYYYYYY", "GROUP_LIST='G00'"}},
      {"ZHANGW", {"USER_GROUP=G01", "POWER_DATA=Y,Y,Y,YYYYYYYYYNNN,YYYNNNN,NNNNNNN", "GROUP_LIST='G01'"}},
      {"WANGF", {"USER_GROUP=G02", "POWER_DATA=Y,Y,N,NNNNNYNNNNNN,NNNNNNN,NNNNNNN"}},
  };
  for (const auto& c : cases) {
    const QStringList lines = Call(Server(QLatin1String(c.User)), "SvrData").toString().split(QStringLiteral("\r\n"));
    for (const QString& l : c.Lines) EXPECT_TRUE(lines.contains(l)) << c.User << " " << qPrintable(l);
    for (const char* l : {"BaseLimited=N", "MAX_RECORD=40", "M11_TABLE=MOCTJ", "M11_KEY=TJ002,TJ003,TJ004,TJ005", "EX_POWER="})
      EXPECT_TRUE(lines.contains(QLatin1String(l))) << l;
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
      return l.startsWith(QLatin1String("M11_SELECT=SELECT MOCTJ.COMPANY, MOCTJ.TJ001, PURMA.MA002 AS TJ001C"));
    }));
  }
  const TDispatchRef server = Server();
  EXPECT_EQ(Call(server, "WhatIs", {QStringLiteral("SQLTYPE")}).toInt(), 0);
  EXPECT_EQ(Call(server, "Whatis", {QStringLiteral("TODAY")}).toString(), QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
  EXPECT_EQ(Call(server, "GetBaseLimitedRecs", {QStringLiteral("H11_"), QStringLiteral("x"), 3}).toList(),
            (QVariantList{3, QVariantList()}));
}

TEST_F(AppServerTest, ColourRowsFollowTheMainRows) {
  Db().Exec(QStringLiteral("UPDATE MOCTJ SET TJ006 = 120 WHERE TJ005 = '20240110'"));
  const TDispatchRef server = Server();
  const TDataPacket colour = Open(server, QStringLiteral("MOCTJ.TJ004 = '0001'"), QStringLiteral("pvdColor"));
  ASSERT_EQ(colour.Rows.size(), 2);
  QStringList names;
  for (const TPacketFieldDef& f : colour.Fields) names.append(f.Name);
  EXPECT_EQ(names, (QStringList{"TJ002", "TJ003", "TJ004", "TJ005", "gdHead", "edTJ006"}));  // edTJ007 is not enabled
  const QVariantList big = colour.Rows[VarToStr(colour.Rows[0][3]) == QLatin1String("20240110") ? 0 : 1];
  EXPECT_EQ(big[4].toString(), QStringLiteral("bkcolor=15532027;colorx=255;bold=N;italic=N;msg=大量验退"));
  EXPECT_EQ(big[5].toString(), big[4].toString());
  const QVariantList small = colour.Rows[VarToStr(colour.Rows[0][3]) == QLatin1String("20240110") ? 1 : 0];
  EXPECT_EQ(small[4].toString(), QString());
  QVariantList apply{QStringLiteral("pvdColor"), DeltaToVariant({colour.Fields, {}}), 0};
  EXPECT_THROW(server->Invoke(QStringLiteral("AS_ApplyUpdates"), apply), EDatabaseError);
}

TEST_F(AppServerTest, QuerySchemesAreTheUsersOwn) {
  const TDispatchRef admin = Server(), other = Server(QStringLiteral("ZHANGW"));
  const QVariantList scheme{QStringLiteral("本月验退"), QStringLiteral("ADMIN"), QStringLiteral("20240131"), QStringLiteral("RTNI01"),
                            QStringLiteral("500\x07"), 0, false};
  EXPECT_EQ(Call(admin, "InsertConTable", {QVariant(scheme)}).toString(), QString());
  EXPECT_FALSE(Call(admin, "InsertConTable", {QVariant(scheme)}).toString().isEmpty());  // exists, no replace
  QVariantList replace = scheme;
  replace[6] = true;
  EXPECT_EQ(Call(admin, "InsertConTable", {QVariant(replace)}).toString(), QString());
  EXPECT_FALSE(Call(other, "InsertConTable", {QVariant(scheme)}).toString().isEmpty());  // not ZHANGW's
  Call(admin, "LoadTable", {QVariantList{QStringLiteral("ADMIN"), QStringLiteral("RTNI01")}});
  QVariantList get{QStringLiteral("pvdConSave"), -1, int(poRestart)};
  TDataPacket p = PacketFromVariant(admin->Invoke(QStringLiteral("AS_GetRecords"), get));
  ASSERT_EQ(p.Rows.size(), 1);
  EXPECT_EQ(p.Rows[0][Field(p, QStringLiteral("NCONDITION"))].toString(), QStringLiteral("本月验退"));
  EXPECT_EQ(p.Rows[0][Field(p, QStringLiteral("ActivePage"))].toInt(), 0);
  EXPECT_THROW(Call(other, "LoadTable", {QVariantList{QStringLiteral("ADMIN"), QStringLiteral("RTNI01")}}), EDatabaseError);
  EXPECT_EQ(Call(admin, "ChangeConName", {QVariantList{QStringLiteral("本月验退"), QStringLiteral("ADMIN"), QStringLiteral("RTNI01")},
                                          QVariantList{QStringLiteral("上月验退"), QStringLiteral("ADMIN"), QStringLiteral("RTNI01")}})
                .toString(), QString());
  EXPECT_FALSE(Call(admin, "DeleteConTable", {QVariantList{QStringLiteral("本月验退"), QStringLiteral("ADMIN"), QStringLiteral("RTNI01")}})
                   .toString().isEmpty());
  EXPECT_EQ(Call(admin, "DeleteConTable", {QVariantList{QStringLiteral("上月验退"), QStringLiteral("ADMIN"), QStringLiteral("RTNI01")}})
                .toString(), QString());
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM DOCUS")).toInt(), 0);
}

TEST_F(AppServerTest, CustomisationDocumentByCompanyAndProgram) {
  Db().Exec(QStringLiteral("INSERT INTO ADMFM (FM001, FM002, FM003) VALUES ('C01', 'RTNI01', '<MT_Doc><Components/></MT_Doc>')"));
  const TDispatchRef server = Server();
  EXPECT_EQ(Call(server, "GetFormat", {QStringLiteral("C01"), QStringLiteral("RTNI01")}).toString(),
            QStringLiteral("<MT_Doc><Components/></MT_Doc>"));
  EXPECT_EQ(Call(server, "GetFormat", {QStringLiteral("C02"), QStringLiteral("RTNI01")}).toString(), QString());
}

TEST_F(AppServerTest, LookupProviderServesTheCatalogueLookups) {
  TDispatchRef pick(new TPickWinS);
  // The full request: table, kind, params, ..., database at 6.
  QVariantList request{QStringLiteral("MOCTI"), QStringLiteral("07"), QVariantList{QStringLiteral("S001"), QVariant()}};
  for (int i = 3; i < 19; ++i) request.append(i == 6 ? QVariant(QStringLiteral("FIX")) : QVariant());
  QVariantList args{QStringLiteral("pvdF2Win"), QVariant(request)};
  const QVariantList description = pick->Invoke(QStringLiteral("AS_DataRequest"), args).toList();
  ASSERT_EQ(description.size(), 4);
  EXPECT_EQ(description[0].toList().mid(0, 3), (QVariantList{QStringLiteral("TI001"), QStringLiteral("TI002"), QStringLiteral("TI003")}));
  EXPECT_EQ(description[1].toList().value(0).toString(), QStringLiteral("单别"));
  EXPECT_EQ(description[2].toList().size(), 3);
  QVariantList first{QStringLiteral("pvdF2Win"), 1, int(poRestart)};
  TDataPacket p = PacketFromVariant(pick->Invoke(QStringLiteral("AS_GetRecords"), first));
  ASSERT_EQ(p.Rows.size(), 1);
  EXPECT_FALSE(p.Eof);
  EXPECT_EQ(p.Fields.size(), 11);
  QVariantList rest{QStringLiteral("pvdF2Win"), -1, 0};
  p = PacketFromVariant(pick->Invoke(QStringLiteral("AS_GetRecords"), rest));
  EXPECT_EQ(p.Rows.size(), 1);  // both receipt lines are still open
  EXPECT_TRUE(p.Eof);
  // Without a window: the rows alone; supplier lookup by typed prefix.
  QVariantList byPrefix{QVariantList{QStringLiteral("PURMA"), QStringLiteral("61"), QVariantList{QStringLiteral("S00")}, false, QString(),
                                     QStringLiteral("C01"), QStringLiteral("FIX")}};
  const QVariantList rows = pick->Invoke(QStringLiteral("F2GetData"), byPrefix).toList();
  ASSERT_EQ(rows.size(), 3);
  EXPECT_EQ(rows[0].toList().value(0).toString(), QStringLiteral("S001"));
  QVariantList bad{QVariantList{QStringLiteral("PURMA"), QStringLiteral("99"), QVariantList{}}};
  EXPECT_THROW(pick->Invoke(QStringLiteral("F2GetData"), bad), EDatabaseError);
}

TEST_F(AppServerTest, MalformedCallsOverTcpGetClearErrorsAndTheServerKeepsServing) {
  TSocketServer daemon;
  daemon.Listen(QHostAddress(QHostAddress::LocalHost), 0);
  TSocketConnection conn;
  conn.SetAddress(QStringLiteral("127.0.0.1"));
  conn.SetPort(daemon.Port());
  conn.SetServerName(QStringLiteral("Nexsrv01S.Class1"));
  conn.Open();
  const QVariant server = conn.AppServer();
  const QVariant login = QVariantList{QStringLiteral("RTNI01"), QStringLiteral("ADMIN"), QStringLiteral("C01"), QStringLiteral("FIX"), true, false};
  EXPECT_EQ(DispCall(server, QStringLiteral("Connect"), {login}).toInt(), 0);
  const struct { const char* Member; QVariantList Args; const char* Message; } cases[] = {
      {"AS_GetRecords", {QStringLiteral("pvdMain")}, "expects at least 3 argument(s), got 1"},
      {"AS_GetRecords", {QStringLiteral("pvdMain"), QStringLiteral("many"), 0}, "must be a whole number"},
      {"AS_DataRequest", {QVariantList{1}, QString()}, "must be a text"},
      {"AS_DataRequest", {QStringLiteral("pvdNothing"), QString()}, "no provider named"},
      {"AS_ApplyUpdates", {QStringLiteral("pvdMain"), QStringLiteral("not a batch"), 0}, ""},
      {"GetFormat", {QStringLiteral("C01")}, "expects at least 2 argument(s), got 1"},
      {"NoSuchMember", {}, "Unknown name"},
  };
  for (const auto& c : cases) {
    try {
      DispCall(server, QLatin1String(c.Member), c.Args);
      ADD_FAILURE() << "accepted " << c.Member;
    } catch (const Exception& e) {
      EXPECT_TRUE(e.Message().contains(QLatin1String(c.Message))) << c.Member << ": " << qPrintable(e.Message());
      EXPECT_FALSE(e.Message().isEmpty());
    }
  }
  EXPECT_EQ(DispCall(server, QStringLiteral("SvrData")).toString().section(QLatin1Char('\r'), 0, 0), QStringLiteral("USER_GROUP=G00"));
  EXPECT_EQ(DispCall(server, QStringLiteral("AS_DataRequest"), {QStringLiteral("pvdMain"), QVariantList{QString(), QString()}}), QVariant());
  const TDataPacket p = PacketFromVariant(DispCall(server, QStringLiteral("AS_GetRecords"), {QStringLiteral("pvdMain"), -1, 1}));
  EXPECT_EQ(p.Rows.size(), 2);
  conn.Close();
  daemon.Stop();
}

}  // namespace vantor::test
