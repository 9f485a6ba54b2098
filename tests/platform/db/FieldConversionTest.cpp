// Text entered into fields of each type: what is stored, and the error a
// user sees for bad input — after which the record is as it was.
#include <gtest/gtest.h>

#include "ClientDataSetFixture.h"
#include "platform/os/Exceptions.h"

namespace vantor::test {
namespace {

struct TConversionCase {
  TFieldType Type;
  int Size;
  const char* Input;
  const char* Stored;  // AsString afterwards; nullptr when the input is refused
  const char* Error;   // part of the message when refused
};

class FieldConversionTable : public ::testing::TestWithParam<TConversionCase> {
protected:
  void SetUp() override {
    const TConversionCase& c = GetParam();
    ds.FieldDefs().Add(QStringLiteral("V"), c.Type, c.Size);
    ds.CreateDataSet();
    ds.Append();
    field = ds.FieldByName(QStringLiteral("V"));
  }
  TClientDataSet ds;
  TField* field = nullptr;
};

TEST_P(FieldConversionTable, ConvertsOrRefusesWithAClearMessage) {
  const TConversionCase& c = GetParam();
  const QString input = QString::fromUtf8(c.Input);
  if (c.Stored) {
    field->SetText(input);
    EXPECT_EQ(field->AsString(), QString::fromUtf8(c.Stored)) << c.Input;
    return;
  }
  // A valid value first: it must survive the refused entry.
  switch (c.Type) {
    case ftDate: case ftDateTime: field->SetAsString(QStringLiteral("2001/01/01")); break;
    case ftTime: field->SetAsString(QStringLiteral("01:00")); break;
    case ftBoolean: field->SetAsBoolean(true); break;
    default: field->SetAsString(QStringLiteral("1")); break;
  }
  const QString before = field->AsString();
  try {
    field->SetText(input);
    ADD_FAILURE() << "accepted " << c.Input;
  } catch (const EConvertError& e) {
    EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.Error))) << e.Message().toStdString();
    EXPECT_TRUE(e.Message().contains(QStringLiteral("'V'"))) << "names the field: " << e.Message().toStdString();
  }
  EXPECT_EQ(field->AsString(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Types, FieldConversionTable,
    ::testing::Values(
        TConversionCase{ftInteger, 0, "42", "42", nullptr}, TConversionCase{ftInteger, 0, " 7 ", "7", nullptr},
        TConversionCase{ftInteger, 0, "1,234", "1234", nullptr}, TConversionCase{ftInteger, 0, "", "", nullptr},
        TConversionCase{ftInteger, 0, "abc", nullptr, "'abc' is not a valid integer value"},
        TConversionCase{ftInteger, 0, "1.5", nullptr, "'1.5' is not a valid integer value"},
        TConversionCase{ftInteger, 0, "99999999999", nullptr, "The allowed range is"},
        TConversionCase{ftSmallint, 0, "40000", nullptr, "The allowed range is -32768 to 32767"},
        TConversionCase{ftWord, 0, "-1", nullptr, "The allowed range is 0 to 65535"},
        TConversionCase{ftLargeint, 0, "9000000000", "9000000000", nullptr},
        TConversionCase{ftFloat, 0, "3.25", "3.25", nullptr}, TConversionCase{ftFloat, 0, "1,234.5", "1234.5", nullptr},
        TConversionCase{ftFloat, 0, "1e3", "1000", nullptr}, TConversionCase{ftFloat, 0, "-0.5", "-0.5", nullptr},
        TConversionCase{ftFloat, 0, "1,5", nullptr, "'1,5' is not a valid floating point value"},
        TConversionCase{ftFloat, 0, "abc", nullptr, "is not a valid floating point value"},
        TConversionCase{ftCurrency, 0, "12.34567", "12.3457", nullptr},
        TConversionCase{ftBCD, 2, "1.005", "1.01", nullptr},
        TConversionCase{ftString, 5, "abcde", "abcde", nullptr},
        TConversionCase{ftString, 5, "你好世界呀", "你好世界呀", nullptr},
        TConversionCase{ftString, 5, "abcdef", nullptr, "is too long for field 'V': at most 5 characters"},
        TConversionCase{ftDate, 0, "2002/03/04", "2002/03/04", nullptr},
        TConversionCase{ftDate, 0, "2002-3-4", "2002/03/04", nullptr},
        TConversionCase{ftDate, 0, "20020304", "2002/03/04", nullptr},
        TConversionCase{ftDate, 0, "2002/13/40", nullptr, "'2002/13/40' is not a valid date"},
        TConversionCase{ftDate, 0, "2002/02/30", nullptr, "is not a valid date"},
        TConversionCase{ftTime, 0, "13:05", "13:05:00", nullptr},
        TConversionCase{ftTime, 0, "25:00", nullptr, "'25:00' is not a valid time"},
        TConversionCase{ftDateTime, 0, "2002/03/04 10:20:30", "2002/03/04 10:20:30", nullptr},
        TConversionCase{ftBoolean, 0, "t", "True", nullptr}, TConversionCase{ftBoolean, 0, "FALSE", "False", nullptr},
        TConversionCase{ftBoolean, 0, "maybe", nullptr, "'maybe' is not a valid boolean value"}));

TEST(FieldConversion, EmptyTextEmptiesNumbersButNotText) {
  TClientDataSet ds;
  ds.FieldDefs().Add(QStringLiteral("N"), ftInteger);
  ds.FieldDefs().Add(QStringLiteral("S"), ftString, 10);
  ds.CreateDataSet();
  ds.Append();
  ds.FieldByName(QStringLiteral("N"))->SetText(QString());
  ds.FieldByName(QStringLiteral("S"))->SetText(QString());
  EXPECT_TRUE(ds.FieldByName(QStringLiteral("N"))->IsNull());
  EXPECT_FALSE(ds.FieldByName(QStringLiteral("S"))->IsNull());
  EXPECT_EQ(ds.FieldByName(QStringLiteral("S"))->AsString(), QString());
}

TEST(FieldConversion, ReadingTextAsANumberNamesTheBadText) {
  TClientDataSet ds;
  ds.FieldDefs().Add(QStringLiteral("S"), ftString, 10);
  ds.CreateDataSet();
  ds.AppendRecord({QStringLiteral("12x")});
  EXPECT_THROW(ds.FieldByName(QStringLiteral("S"))->AsInteger(), EConvertError);
  ds.Edit();
  ds.FieldByName(QStringLiteral("S"))->SetAsString(QStringLiteral("  12 "));
  EXPECT_EQ(ds.FieldByName(QStringLiteral("S"))->AsInteger(), 12);
  EXPECT_DOUBLE_EQ(ds.FieldByName(QStringLiteral("S"))->AsFloat(), 12.0);
}

class BadInputTest : public TItemsTest {};

TEST_F(BadInputTest, ARefusedEntryLeavesTheRecordAsItWas) {
  OpenItems(3);
  cds->Edit();
  F("NAME")->SetText(QStringLiteral("changed"));
  const struct {
    const char* Field;
    const char* Text;
  } bad[] = {{"ID", "abc"}, {"CODE", "much too long text"}, {"DAY", "2002/13/40"}, {"QTY", "1..2"}};
  for (const auto& b : bad) {
    const QVariant before = F(b.Field)->Value();
    EXPECT_THROW(F(b.Field)->SetText(QString::fromLatin1(b.Text)), EConvertError) << b.Field;
    EXPECT_TRUE(VarSame(F(b.Field)->Value(), before)) << b.Field;
  }
  EXPECT_EQ(cds->State(), dsEdit);
  EXPECT_TRUE(cds->Modified());
  cds->Post();
  EXPECT_EQ(F("NAME")->AsString(), QStringLiteral("changed"));
  EXPECT_EQ(F("ID")->AsInteger(), 1);
  EXPECT_EQ(F("CODE")->AsString(), QStringLiteral("C0001"));
  EXPECT_DOUBLE_EQ(F("QTY")->AsFloat(), 1.5);
  EXPECT_EQ(cds->ChangeCount(), 1);
}

TEST_F(BadInputTest, AssigningOutsideEditStateOrToAReadOnlyFieldIsRefused) {
  OpenItems(2);
  EXPECT_THROW(F("NAME")->SetAsString(QStringLiteral("x")), EDatabaseError);
  cds->Edit();
  F("NAME")->SetReadOnly(true);
  try {
    F("NAME")->SetAsString(QStringLiteral("x"));
    ADD_FAILURE() << "read-only field written";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Field 'NAME' cannot be modified"));
  }
  EXPECT_EQ(F("NAME")->AsString(), QStringLiteral("Name 1"));
}

}  // namespace
}  // namespace vantor::test
