// The named procedures of GETCOUNTER and the other members of the service
// object: one table of calls and the answers they must give, then the
// procedures whose effect is seen in the database.
#include <QXmlStreamReader>
#include <functional>
#include <gtest/gtest.h>

#include "AppServerFixture.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor::test {

namespace {

QVariant Counter(const TDispatchRef& service, const QString& name, const QVariantList& params) {
  QVariantList args{name, QVariant(params), QVariantList{QStringLiteral("C01"), QStringLiteral("FIX")}};
  return service->Invoke(QStringLiteral("GETCOUNTER"), args, ByRefArg(0) | ByRefArg(1));
}

struct TProcedureCase {
  const char* Name;
  QString Procedure;
  QVariantList Params;
  std::function<void(const QVariant&)> Check;  // empty: the call must raise Refusal
  const char* Refusal = nullptr;
};

QVariantList FirstRow(const QVariant& answer) {
  const QVariantList rows = answer.toList();
  return rows.isEmpty() ? QVariantList() : rows.first().toList();
}

QList<TProcedureCase> ProcedureCases() {
  const QString db = QStringLiteral("FIX"), n = QStringLiteral("N");
  return {
      {"program names through SimpleSql", QStringLiteral("SimpleSql"),
       {QStringLiteral("SELECT MB002,MB011,MB012,MB013 FROM ADMMB WHERE MB001='RTNI01'"), QStringLiteral("MB002,MB011,MB012,MB013"), db, n},
       [](const QVariant& a) {
         const QVariantList r = FirstRow(a);
         ASSERT_EQ(r.size(), 4);
         EXPECT_EQ(r[0].toString(), QStringLiteral("委外验退作业"));
         EXPECT_EQ(r[1].toString(), QStringLiteral("Subcontract Inspection Returns"));
       }},
      {"the other spelling SimpleSQL", QStringLiteral("SimpleSQL"),
       {QStringLiteral("SELECT MB002 FROM ADMMB WHERE MB001='NOSUCH'"), QStringLiteral("MB002"), db, n},
       [](const QVariant& a) { EXPECT_TRUE(VarIsArray(a) && a.toList().isEmpty()); }},
      {"currency with TOP and $$", QStringLiteral("SimpleSql"),
       {QStringLiteral("select top 1 MF001,MF003,MF004,MF005,MF006 from $$CMSMF CMSMF where MF001='RMB'"),
        QStringLiteral("MF001,MF003,MF004,MF005,MF006"), db, n},
       [](const QVariant& a) {
         ASSERT_EQ(a.toList().size(), 1);
         EXPECT_EQ(FirstRow(a), (QVariantList{QStringLiteral("RMB"), 4, 2, 4, 2}));
       }},
      {"colour definition", QStringLiteral("SimpleSql"),
       {QStringLiteral("SELECT NH003 FROM $$ADMNH WHERE NH001 = 'RTNI01'"), QStringLiteral("NH003"), db, n},
       [](const QVariant& a) {
         QXmlStreamReader xml(FirstRow(a).value(0).toString());
         int conditions = 0;
         while (!xml.atEnd())
           if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("condition")) ++conditions;
         EXPECT_FALSE(xml.hasError());
         EXPECT_EQ(conditions, 4);
       }},
      {"database prefix of this company", QStringLiteral("SimpleSql"),
       {QStringLiteral("SELECT COUNT(*) FROM FIX..MOCTJ"), QStringLiteral("N"), db, n},
       [](const QVariant& a) { EXPECT_EQ(FirstRow(a).value(0).toInt(), 2); }},
      {"UDF rules with related fields", QStringLiteral("SimpleSql"),
       {QStringLiteral(" SELECT TL006,TL013,TL012 FROM $$ADMTK ADMTK  LEFT JOIN $$ADMTL ADMTL ON TK001 = TL001 AND TL010 = 'Y'  "
                       "WHERE  TL012 <> ''  AND TK003 = 'Y' AND TL005 = 'Z01' AND TL003 = 'RTNI01' ORDER BY TL011 "),
        QStringLiteral("TL006,TL013,TL012"), db, n},
       [](const QVariant& a) {
         EXPECT_EQ(a.toList().size(), 1);
         EXPECT_EQ(FirstRow(a), (QVariantList{QStringLiteral("UDF01"), QStringLiteral("RTNI01U01"), QStringLiteral("TJ001")}));
       }},
      {"units to packages", QStringLiteral("UnitConvert"), {QStringLiteral("I001"), 20, QStringLiteral("个"), QStringLiteral("箱")},
       [](const QVariant& a) { EXPECT_EQ(a.toList(), QVariantList{2.0}); }},
      {"packages to units", QStringLiteral("UnitConvert"), {QStringLiteral("I001"), 3, QStringLiteral("箱"), QStringLiteral("个")},
       [](const QVariant& a) { EXPECT_EQ(a.toList(), QVariantList{30.0}); }},
      {"fixed weight to packages", QStringLiteral("UnitConvert"), {QStringLiteral("I002"), 50, QStringLiteral("公斤"), QStringLiteral("包")},
       [](const QVariant& a) { EXPECT_EQ(a.toList(), QVariantList{2.0}); }},
      {"no package unit", QStringLiteral("UnitConvert"), {QStringLiteral("I003"), 5, QStringLiteral("个"), QString()},
       [](const QVariant& a) { EXPECT_EQ(a.toList(), QVariantList{0.0}); }},
      {"unit the item lacks", QStringLiteral("UnitConvert"), {QStringLiteral("I003"), 5, QStringLiteral("个"), QStringLiteral("箱")}, {},
       "has no conversion for the unit"},
      {"quantity that is no number", QStringLiteral("UnitConvert"), {QStringLiteral("I001"), QStringLiteral("x"), QStringLiteral("个"), QStringLiteral("箱")}, {},
       "is not a number"},
      {"computed supplier name", QStringLiteral("QueryUDFData"),
       {QStringLiteral("RTNI01U01"), QString(), db, n, QVariantList{QStringLiteral("S001")}},
       [](const QVariant& a) { EXPECT_EQ(FirstRow(a).value(0).toString(), QStringLiteral("苏州华东精工五金有限公司")); }},
      {"unknown rule key", QStringLiteral("QueryUDFData"), {QStringLiteral("NOSUCH"), QString(), db, n, QVariantList{}}, {},
       "no active user-defined field rule"},
      {"no settings yet", QStringLiteral("GetUserDefine"),
       {QStringLiteral("C01"), QStringLiteral("ADMIN"), QStringLiteral("RTNI01"), QStringLiteral("InputSettings001")},
       [](const QVariant& a) { EXPECT_EQ(a.toString(), QString()); }},
      {"procedure unknown", QStringLiteral("NoSuchProc"), {}, {}, "no procedure named"},
      {"writing through SimpleSql", QStringLiteral("SimpleSql"), {QStringLiteral("DELETE FROM MOCTJ"), QString(), db, n}, {},
       "deleting from MOCTJ"},
      {"too few elements", QStringLiteral("SetUserDefine"), {QStringLiteral("C01")}, {}, "expects [company, user, program, section/key, value]"},
  };
}

class Procedure : public AppServerTest, public ::testing::WithParamInterface<int> {};

TEST_P(Procedure, AnswersInItsShape) {
  const TProcedureCase c = ProcedureCases()[GetParam()];
  SCOPED_TRACE(c.Name);
  const TDispatchRef service = Service();
  if (c.Check) {
    c.Check(Counter(service, c.Procedure, c.Params));
    return;
  }
  try {
    Counter(service, c.Procedure, c.Params);
    ADD_FAILURE() << "accepted";
  } catch (const Exception& e) {
    EXPECT_TRUE(e.Message().contains(QLatin1String(c.Refusal))) << qPrintable(e.Message());
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Procedure, ::testing::Range(0, int(ProcedureCases().size())), [](const auto& info) {
  std::string n = ProcedureCases()[info.param].Name;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

TEST_F(AppServerTest, UserSettingsAreStoredPerKeyAndForAllPrograms) {
  const TDispatchRef s = Service();
  const auto set = [&](const char* program, const char* key, const char* value) {
    EXPECT_TRUE(Counter(s, QStringLiteral("SetUserDefine"),
                        {QStringLiteral("C01"), QStringLiteral("ZHANGW"), QLatin1String(program), QLatin1String(key), QLatin1String(value)})
                    .toBool());
  };
  const auto get = [&](const char* section) {
    return Counter(s, QStringLiteral("GetUserDefine"),
                   {QStringLiteral("C01"), QStringLiteral("ZHANGW"), QStringLiteral("RTNI01"), QLatin1String(section)}).toString();
  };
  set("RTNI01", "InputSettings003/IsColorManage", "False");
  set("RTNI01", "NumberFieldsSetting/QuantityFieldThousand", "False");
  set("RTNI01", "NumberFieldsSetting/MoneyFieldAutoZero", "True");
  EXPECT_EQ(get("InputSettings003"), QStringLiteral("<InputSettings003><IsColorManage>False</IsColorManage></InputSettings003>"));
  EXPECT_EQ(get("NumberFieldsSetting"),
            QStringLiteral("<NumberFieldsSetting Enabled=\"True\"><MoneyFieldAutoZero>True</MoneyFieldAutoZero>"
                           "<QuantityFieldThousand>False</QuantityFieldThousand></NumberFieldsSetting>"));
  // A setting for every program replaces the program's own.
  set("********************", "InputSettings003/IsColorManage", "True");
  EXPECT_EQ(get("InputSettings003"), QStringLiteral("<InputSettings003><IsColorManage>True</IsColorManage></InputSettings003>"));
  set("RTNI01", "InputSettings003/IsColorManage", "False");
  EXPECT_EQ(get("InputSettings003"), QStringLiteral("<InputSettings003><IsColorManage>False</IsColorManage></InputSettings003>"));
}

TEST_F(AppServerTest, UpdateRulesRecomputeTheSourceLineAtCommit) {
  Db().Exec(QStringLiteral("UPDATE MOCTI SET TI011 = 0, TI012 = 0"));
  const TDispatchRef s = Service();
  const QString condition = QStringLiteral(" TI001 = '5901' AND TI002 = '20240101001' AND TI003 = '0001'");
  EXPECT_TRUE(Counter(s, QStringLiteral("UpdateUDFFields"),
                      {QStringLiteral("GUID-1"), QStringLiteral("RTNI01"), QStringLiteral("P01D"), condition,
                       QVariantList{QStringLiteral("20240130")}}).toBool());
  EXPECT_EQ(Scalar(QStringLiteral("SELECT TI011 FROM MOCTI WHERE TI003 = '0001'")).toDouble(), 0.0);  // not before the commit
  EXPECT_TRUE(Counter(s, QStringLiteral("DoUpdateUDFFields"), {QStringLiteral("GUID-1")}).toBool());
  EXPECT_EQ(Scalar(QStringLiteral("SELECT TI011 FROM MOCTI WHERE TI003 = '0001'")).toDouble(), 50.0);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT TI012 FROM MOCTI WHERE TI003 = '0001'")).toDouble(), 5.0);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT TI011 FROM MOCTI WHERE TI003 = '0002'")).toDouble(), 0.0);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM ADMUQ")).toInt(), 0);
  // A condition that writes, or a rule the program lacks, is refused when registered.
  for (const auto& [rule, cond] : {std::pair{"P01D", "1=1; DELETE FROM MOCTJ"}, std::pair{"P09D", "1=1"}})
    EXPECT_THROW(Counter(s, QStringLiteral("UpdateUDFFields"),
                         {QStringLiteral("GUID-2"), QStringLiteral("RTNI01"), QLatin1String(rule), QLatin1String(cond), QVariantList{}}),
                 EDatabaseError);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM MOCTJ")).toInt(), 2);
}

TEST_F(AppServerTest, TransactionSqlDeletesOnlyAttachmentsOfTheCompany) {
  Db().Exec(QStringLiteral("INSERT INTO ATTACH (Parent, CompanyID, KeyValues, SeqNo) VALUES "
                           "('RTNI01', 'C01', 'K1', 1), ('RTNI01', 'C01', 'K2', 1), ('RTNI01', 'C02', 'K1', 1)"));
  const TDispatchRef s = Service();
  const auto run = [&](const QString& sql) {
    return Counter(s, QStringLiteral("TransactionSQL"), {QVariantList{sql}, QString()});
  };
  EXPECT_TRUE(run(QStringLiteral(" DELETE FROM ATTACH  WHERE Parent = 'RTNI01'        AND CompanyID = 'C01'        AND KeyValues = 'K1' ")).toBool());
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM ATTACH")).toInt(), 2);
  for (const char* bad : {"DELETE FROM MOCTJ WHERE TJ002 = '5901'",
                          "DELETE FROM ATTACH WHERE Parent = 'RTNI01' AND CompanyID = 'C01' AND KeyValues = 'K2' OR 1=1",
                          "DELETE FROM ATTACH WHERE Parent = 'RTNI01' AND CompanyID = 'C02' AND KeyValues = 'K1'",
                          "DELETE FROM ATTACH WHERE Parent = 'RTNI01' AND CompanyID = 'C01'",
                          "UPDATE ATTACH SET KeyValues = 'x'"})
    EXPECT_THROW(run(QLatin1String(bad)), EDatabaseError) << bad;
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM ATTACH")).toInt(), 2);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM MOCTJ")).toInt(), 2);
}

TEST_F(AppServerTest, SystemParametersMessagesAndNextNumbers) {
  Db().Exec(QStringLiteral("INSERT INTO ADMSP (SP001, SP002, SP003) VALUES ('C01', 'SYS024', '1')"));
  const TDispatchRef s = Service();
  QVariantList args{QStringLiteral("C01")};
  const TVarMatrix m = VarToMatrix(s->Invoke(QStringLiteral("GetSysInfo"), args, ByRefArg(0)));
  ASSERT_EQ(m.Count(1), 2);
  QHash<QString, QString> params;
  for (int i = m.Low(2); i <= m.High(2); ++i) params.insert(m(0, i).toString(), m(1, i).toString());
  EXPECT_EQ(params.value(QStringLiteral("SYS001")), QStringLiteral("1"));
  EXPECT_EQ(params.value(QStringLiteral("SYS024")), QStringLiteral("1"));  // the company's own value
  EXPECT_EQ(params.value(QStringLiteral("ZKM002")), QStringLiteral("示范公司"));

  const struct { const char *Kind, *Code, *Language, *Text; } messages[] = {
      {"E", "000001", "", "%s 资料不存在!"},
      {"T", "000001", "", "%s 资料不存在!"},
      {"C", "000001", "", "确定要删除此笔资料吗?"},
      {"E", "100033", "950", "驗退數量不可大於可退數量!"},
      {"E", "000008", "ENG", "The record could not be saved!"},
      {"E", "999999", "", "(E/999999)"},
  };
  for (const auto& m : messages) {
    QVariantList a{QLatin1String(m.Kind), QLatin1String(m.Code), QLatin1String(m.Language)};
    EXPECT_EQ(s->Invoke(QStringLiteral("GetMessage"), a).toString(), QString::fromUtf8(m.Text)) << m.Code;
  }

  QVariantList seq{QStringLiteral("MOCTJ"), QStringLiteral("TJ002,TJ003,TJ004"),
                   QVariantList{QStringLiteral("5901"), QStringLiteral("20240101001")}, QString(), QStringLiteral("RTNI01"),
                   QStringLiteral("FIX"), QString()};
  EXPECT_TRUE(s->Invoke(QStringLiteral("QueryMaxSeq"), seq, ByRefArg(6)).toBool());
  EXPECT_EQ(seq[6].toString(), QStringLiteral("0002"));
}

}  // namespace
}  // namespace vantor::test
