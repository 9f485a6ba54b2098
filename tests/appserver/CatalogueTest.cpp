// The check catalogue behind CheckValue and QueryData: every check the
// program and the framework use answers its columns in the positions they
// map, and the available quantities follow the return date.
#include <gtest/gtest.h>

#include "AppServerFixture.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor::test {

namespace {

struct TCheckCase {
  const char* Name;
  const char* Member;  // CheckValue or QueryData
  const char* Table;
  const char* Kind;
  QVariantList Params;
  bool Found;
  int Columns;                             // of the answer (of its first row for QueryData)
  QList<QPair<int, QVariant>> Expected;    // column -> value (first row for QueryData)
  int Rows = 1;                            // QueryData: rows expected
};

QList<TCheckCase> CheckCases() {
  const QVariantList line1 = {QStringLiteral("5901"), QStringLiteral("20240101001"), QStringLiteral("0001")};
  const auto key = [&](const char* date, const char* line = "0001") {
    return QVariantList{QLatin1String(date), QStringLiteral("5901"), QStringLiteral("20240101001"), QLatin1String(line)};
  };
  return {
      {"supplier name and status", "CheckValue", "PURMA", "01", {QStringLiteral("S001")}, true, 13,
       {{0, QStringLiteral("华东精工")}, {1, QStringLiteral("苏州华东精工五金有限公司")}, {12, QStringLiteral("1")}}},
      {"suspended supplier", "CheckValue", "PURMA", "01", {QStringLiteral("S002")}, true, 13, {{12, QStringLiteral("2")}}},
      {"closed supplier", "CheckValue", "PURMA", "01", {QStringLiteral("S003")}, true, 13, {{12, QStringLiteral("3")}}},
      {"unknown supplier", "CheckValue", "PURMA", "01", {QStringLiteral("S999")}, false, 0, {}},
      {"receipt line before the later return", "CheckValue", "MOCTI", "09", key("20240115"), true, 15,
       {{0, QStringLiteral("不锈钢螺丝")}, {1, QStringLiteral("M6×20")}, {3, 100.0}, {4, QStringLiteral("个")},
        {6, QStringLiteral("I001")}, {8, QStringLiteral("箱")}, {9, 10.0}, {10, QStringLiteral("N")},
        {12, QStringLiteral("20240101")}, {13, 80.0}, {14, 8.0}}},
      {"receipt line after both returns", "CheckValue", "MOCTI", "09", key("20240125"), true, 15, {{13, 50.0}, {14, 5.0}}},
      {"receipt line on a return's own date", "CheckValue", "MOCTI", "09", key("20240120"), true, 15, {{13, 80.0}, {14, 8.0}}},
      {"fixed-weight receipt line", "CheckValue", "MOCTI", "09", key("20240301", "0002"), true, 15,
       {{10, QStringLiteral("Y")}, {8, QStringLiteral("包")}, {13, 50.0}, {14, 2.0}}},
      {"unknown receipt line", "CheckValue", "MOCTI", "09", key("20240301", "0009"), false, 0, {}},
      {"arrival line", "CheckValue", "MOCCD", "02",
       {QStringLiteral("20240210"), QStringLiteral("5801"), QStringLiteral("20240201001"), QStringLiteral("0001")}, true, 14,
       {{0, QStringLiteral("尼龙垫片")}, {3, QStringLiteral("个")}, {4, 30.0}, {5, 30.0}, {6, QStringLiteral("I003")},
        {10, QStringLiteral("N")}, {11, QStringLiteral("20240201")}, {12, 30.0}, {13, 0.0}}},
      {"existing return", "CheckValue", "MOCTJ", "01", line1 + QVariantList{QStringLiteral("20240110")}, true, 3, {}},
      {"new return key", "CheckValue", "MOCTJ", "01", line1 + QVariantList{QStringLiteral("20240111")}, false, 0, {}},
      {"program row", "CheckValue", "ADMMB", "06", {QStringLiteral("RTNI01"), QStringLiteral("FIX")}, true, 10,
       {{0, QStringLiteral("委外验退作业")}, {1, QStringLiteral("RTNR01")}, {7, QStringLiteral("N")}, {8, QStringLiteral("E")},
        {9, QStringLiteral("Subcontract Inspection Returns")}}},
      {"number sizes", "QueryData", "NUMFD", "01", {QStringLiteral("MOCTJ")}, true, 3, {{0, QStringLiteral("FLAG")}, {1, 3}}, 3},
      {"user-defined fields", "QueryData", "ADMMD", "03", {QStringLiteral("MOCTJ")}, true, 3,
       {{0, QStringLiteral("UDF01")}, {1, QStringLiteral("供应商全称")}}, 2},
      {"scheme name", "CheckValue", "DOCUS", "01", {QStringLiteral("x"), QStringLiteral("ADMIN"), QStringLiteral("RTNI01")}, false, 0, {}},
      {"lookup link", "CheckValue", "F2LINK", "01", {QStringLiteral("1"), QStringLiteral("PURMA"), QStringLiteral("MA001")}, true, 2,
       {{0, QStringLiteral("PURMA")}, {1, QStringLiteral("01")}}},
  };
}

class CheckCatalogue : public AppServerTest, public ::testing::WithParamInterface<int> {};

TEST_P(CheckCatalogue, AnswersItsColumns) {
  const TCheckCase c = CheckCases()[GetParam()];
  SCOPED_TRACE(c.Name);
  QVariantList args{QLatin1String(c.Table), QLatin1String(c.Kind), QStringLiteral("FIX"), QVariant(c.Params), QVariant()};
  const bool found = Service()->Invoke(QLatin1String(c.Member), args, ByRefArg(2) | ByRefArg(3) | ByRefArg(4)).toBool();
  ASSERT_EQ(found, c.Found);
  if (!found) {
    EXPECT_TRUE(VarIsEmpty(args[4]));
    return;
  }
  QVariantList row = args[4].toList();
  if (QLatin1String(c.Member) == QLatin1String("QueryData")) {
    EXPECT_EQ(row.size(), c.Rows);
    row = row.first().toList();
  }
  ASSERT_EQ(row.size(), c.Columns);
  for (const auto& [column, value] : c.Expected) {
    if (value.typeId() == QMetaType::Double) EXPECT_DOUBLE_EQ(row[column].toDouble(), value.toDouble()) << "column " << column;
    else EXPECT_EQ(VarToStr(row[column]), VarToStr(value)) << "column " << column;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckCatalogue, ::testing::Range(0, int(CheckCases().size())),
                         [](const auto& info) {
                           std::string n = CheckCases()[info.param].Name;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

TEST_F(AppServerTest, MalformedChecksAreRefusedWithTheirReason) {
  const TDispatchRef service = Service();
  const struct {
    QVariantList Args;
    const char* Message;
  } cases[] = {
      {{QStringLiteral("MOCTI"), QStringLiteral("09"), QStringLiteral("FIX"), QVariantList{QStringLiteral("x")}, QVariant()},
       "needs 4 parameter(s), got 1"},
      {{QStringLiteral("NOSUCH"), QStringLiteral("01"), QStringLiteral("FIX"), QVariantList{}, QVariant()}, "no check of kind"},
      {{QStringLiteral("PURMA"), QStringLiteral("01"), QStringLiteral("FIX"), QVariantList{QVariantList{1}}, QVariant()},
       "must be a single value"},
      {{QStringLiteral("PURMA"), QStringLiteral("01")}, "expects at least 5 argument(s), got 2"},
      {{QStringLiteral("PURMA"), QStringLiteral("01"), QStringLiteral("../x"), QVariantList{}, QVariant()},
       "not a valid company database name"},
  };
  for (const auto& c : cases) {
    QVariantList args = c.Args;
    try {
      service->Invoke(QStringLiteral("CheckValue"), args);
      ADD_FAILURE() << "accepted: " << c.Message;
    } catch (const Exception& e) {
      EXPECT_TRUE(e.Message().contains(QLatin1String(c.Message))) << qPrintable(e.Message());
    }
  }
  // The object still answers after every refusal.
  QVariantList ok{QStringLiteral("PURMA"), QStringLiteral("01"), QStringLiteral("FIX"), QStringLiteral("S001"), QVariant()};
  EXPECT_TRUE(service->Invoke(QStringLiteral("CheckValue"), ok, ByRefArg(4)).toBool());
}

}  // namespace
}  // namespace vantor::test
