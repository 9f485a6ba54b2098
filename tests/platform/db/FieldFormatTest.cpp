// Number pictures as DisplayFormat and EditFormat use them, and the texts
// that numeric and date fields show.
#include <gtest/gtest.h>

#include "ClientDataSetFixture.h"
#include "platform/db/FormatFloat.h"

namespace vantor::test {
namespace {

struct TPictureCase {
  const char* Format;
  double Value;
  const char* Expected;
};

class FormatFloatTable : public ::testing::TestWithParam<TPictureCase> {};

TEST_P(FormatFloatTable, FormatsAsThePictureSays) {
  const TPictureCase& c = GetParam();
  EXPECT_EQ(FormatFloat(QString::fromLatin1(c.Format), c.Value), QString::fromLatin1(c.Expected))
      << c.Format << " with " << c.Value;
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, FormatFloatTable,
    ::testing::Values(
        TPictureCase{"#,##0.00", 1234567.891, "1,234,567.89"}, TPictureCase{"#,##0.00", 0, "0.00"},
        TPictureCase{"#,##0.00", -1234.5, "-1,234.50"}, TPictureCase{"#,##0.00", 0.5, "0.50"},
        TPictureCase{"#,##0.00", 999.999, "1,000.00"}, TPictureCase{"#,##0.00", 1e15, "1,000,000,000,000,000.00"},
        TPictureCase{"##0.#######", 0.5, "0.5"}, TPictureCase{"##0.#######", 12.3456789012, "12.3456789"},
        TPictureCase{"##0.#######", 3, "3"}, TPictureCase{"##0.#######", -0.25, "-0.25"},
        TPictureCase{"##0.#######", 1234567, "1234567"}, TPictureCase{"#,##0.#######", 1234.5, "1,234.5"},
        TPictureCase{"#,##0.#######", 0, "0"}, TPictureCase{"#,##0.#######", 0.1 + 0.2, "0.3"},
        TPictureCase{"0.00", 2.675, "2.68"}, TPictureCase{"0.00", -0.001, "0.00"},
        TPictureCase{"0.00;(0.00)", -5.5, "(5.50)"}, TPictureCase{"0.00;(0.00);'zero'", 0, "zero"},
        TPictureCase{"0.00;(0.00);'zero'", 0.001, "zero"}, TPictureCase{"#,##0.00;;", 0, "0.00"},
        TPictureCase{"'$'#,##0.00", -3, "-$3.00"}, TPictureCase{"0.00\" kg\"", 2.5, "2.50 kg"},
        TPictureCase{"000", 7, "007"}, TPictureCase{"#,##0", 999.5, "1,000"},
        TPictureCase{"0.###", 1.0005, "1.001"}, TPictureCase{"#,##0.000", 1234.0625, "1,234.063"},
        TPictureCase{"0.00E+00", 12345, "1.23E+04"}, TPictureCase{"0.0E-0", 0.00012, "1.2E-4"},
        TPictureCase{"0.00E+00", -0.5, "-5.00E-01"}, TPictureCase{"", 1.5, "1.5"}));

TEST(FloatToStrGeneral, UsesShortestTextAndScientificOnlyAtTheEnds) {
  const struct {
    double Value;
    const char* Expected;
  } cases[] = {{0.1 + 0.2, "0.3"}, {1e20, "1E20"}, {1.5e-6, "1.5E-6"}, {-2.5, "-2.5"},
               {123456789012345678.0, "1.23456789012346E17"}, {0, "0"}, {100, "100"}, {0.0001, "0.0001"}};
  for (const auto& c : cases) EXPECT_EQ(FloatToStrGeneral(c.Value), QString::fromLatin1(c.Expected)) << c.Value;
}

TEST(RoundToDecimals, RoundsHalfAwayFromZeroOnDecimalDigits) {
  EXPECT_DOUBLE_EQ(RoundToDecimals(2.675, 2), 2.68);
  EXPECT_DOUBLE_EQ(RoundToDecimals(-2.675, 2), -2.68);
  EXPECT_DOUBLE_EQ(RoundToDecimals(1.25, 1), 1.3);
  EXPECT_DOUBLE_EQ(RoundToDecimals(0.004, 2), 0);
}

class FieldTextTest : public TItemsTest {};

TEST_F(FieldTextTest, NumericFieldsUseDisplayFormatForDisplayAndEditFormatForEditing) {
  OpenItems(3);
  auto* qty = qobject_cast<TFloatField*>(F("QTY"));
  ASSERT_NE(qty, nullptr);
  cds->Edit();
  qty->SetAsFloat(1234.5);
  EXPECT_EQ(qty->DisplayText(), QStringLiteral("1234.5"));
  qty->SetDisplayFormat(QStringLiteral("#,##0.00"));
  EXPECT_EQ(qty->DisplayText(), QStringLiteral("1,234.50"));
  // Without an edit format the edit text follows the display format.
  EXPECT_EQ(qty->Text(), QStringLiteral("1,234.50"));
  qty->SetEditFormat(QStringLiteral("##0.#######"));
  EXPECT_EQ(qty->Text(), QStringLiteral("1234.5"));
  // The edit text reads back as the same value.
  qty->SetText(qty->Text());
  EXPECT_DOUBLE_EQ(qty->AsFloat(), 1234.5);
  EXPECT_EQ(qty->Alignment(), int(taRightJustify));
}

TEST_F(FieldTextTest, DateFieldsShowTheirDisplayFormatOrTheShortDate) {
  OpenItems(3);
  TField* day = F("DAY");
  EXPECT_EQ(day->AsString(), QStringLiteral("2002/01/02"));
  day->setProperty("DisplayFormat", QStringLiteral("dd.mm.yyyy"));
  EXPECT_EQ(day->DisplayText(), QStringLiteral("02.01.2002"));
  EXPECT_EQ(day->Text(), QStringLiteral("2002/01/02"));
}

TEST_F(FieldTextTest, OnGetTextDecidesBothTextsAndKnowsWhichIsWanted) {
  OpenItems(3);
  TField* code = F("CODE");
  code->OnGetText.Set(QStringLiteral("CodeGetText"), [](TField* f, QString& text, bool display) {
    text = (display ? QStringLiteral("[%1]") : QStringLiteral("%1")).arg(f->AsString());
  });
  EXPECT_EQ(code->DisplayText(), QStringLiteral("[C0001]"));
  EXPECT_EQ(code->Text(), QStringLiteral("C0001"));
}

}  // namespace
}  // namespace vantor::test
