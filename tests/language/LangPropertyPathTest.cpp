// The property-path setter and component access by library names: colour
// and cursor identifiers, enumerations and sets, booleans, fonts reached
// through a path, geometry of plain widgets, mapped Caption and Hint of
// standard widgets, string lists, and the failures that answer false.
#include "language/LangComponents.h"
#include "language/LangPropertyPath.h"

#include "LanguageWidgets.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace vantor::test {
namespace {

TEST(LangPropertyPathTest, IntegerPropertiesTakeIdentifiersAndNumbers) {
  const struct {
    const char* value;
    bool ok;
    int expected;
  } cases[] = {
      {"clRed", true, 0x0000FF},
      {"clwindow", true, int(0x80000005u)},
      {" clBtnFace ", true, int(0x8000000Fu)},
      {"15532027", true, 15532027},
      {"$FF00", true, 0xFF00},
      {"-1", true, -1},
      {"clNoSuchColour", false, 0},
      {"12abc", false, 0},
  };
  for (const auto& c : cases) {
    TLangTestBase form;
    form.SetColor(7);
    EXPECT_EQ(SetPropertyByPath(&form, QStringLiteral("Color"), QLatin1String(c.value)), c.ok) << c.value;
    EXPECT_EQ(form.Color(), c.ok ? c.expected : 7) << c.value;
  }
}

TEST(LangPropertyPathTest, IdentifierMaps) {
  EXPECT_EQ(IdentToColor(QStringLiteral("clNavy")), 0x800000);
  EXPECT_EQ(IdentToColor(QStringLiteral("clInfoBk")), int(0x80000018u));
  EXPECT_EQ(IdentToCursor(QStringLiteral("crHandPoint")), -21);
  EXPECT_EQ(IdentToCursor(QStringLiteral("crDefault")), 0);
  EXPECT_FALSE(IdentToCursor(QStringLiteral("clRed")).has_value());
}

TEST(LangPropertyPathTest, EnumerationsSetsAndBooleans) {
  TLangStyledCombo combo;
  EXPECT_TRUE(SetPropertyByPath(&combo, QStringLiteral("Style"), QStringLiteral("  csOwnerDrawFixed ")));
  EXPECT_EQ(combo.Style(), TLangStyledCombo::csOwnerDrawFixed);
  EXPECT_TRUE(SetPropertyByPath(&combo, QStringLiteral("Style"), QStringLiteral("1")));
  EXPECT_EQ(combo.Style(), TLangStyledCombo::csSimple);
  EXPECT_FALSE(SetPropertyByPath(&combo, QStringLiteral("Style"), QStringLiteral("csNothing")));
  EXPECT_EQ(combo.Style(), TLangStyledCombo::csSimple);

  QLabel label;
  EXPECT_TRUE(SetPropertyByPath(&label, QStringLiteral("Alignment"), QStringLiteral("[AlignRight, AlignVCenter]")));
  EXPECT_EQ(label.alignment(), Qt::AlignRight | Qt::AlignVCenter);

  QPushButton button;
  EXPECT_TRUE(SetPropertyByPath(&button, QStringLiteral("Enabled"), QStringLiteral("False")));
  EXPECT_FALSE(button.isEnabled());
  EXPECT_TRUE(SetPropertyByPath(&button, QStringLiteral("enabled"), QStringLiteral("true")));
  EXPECT_TRUE(button.isEnabled());
  EXPECT_FALSE(SetPropertyByPath(&button, QStringLiteral("Enabled"), QStringLiteral("maybe")));
  EXPECT_TRUE(button.isEnabled());
}

TEST(LangPropertyPathTest, FontPartsThroughThePath) {
  TLangStyledCombo combo;
  EXPECT_TRUE(SetPropertyByPath(&combo, QStringLiteral("Font.Name"), QStringLiteral("Tahoma")));
  EXPECT_TRUE(SetPropertyByPath(&combo, QStringLiteral("Font.Charset"), QStringLiteral("136")));
  EXPECT_TRUE(SetPropertyByPath(&combo, QStringLiteral("Font.Height"), QStringLiteral("-13")));
  EXPECT_TRUE(SetPropertyByPath(&combo, QStringLiteral("Font.Style"), QStringLiteral("[fsBold,fsItalic]")));
  const QFont font = combo.font();
  EXPECT_EQ(font.family(), QStringLiteral("Tahoma"));
  EXPECT_EQ(FontCharsetOf(font), 136);
  EXPECT_EQ(font.pixelSize(), 13);
  EXPECT_TRUE(font.bold());
  EXPECT_TRUE(font.italic());
  EXPECT_FALSE(SetPropertyByPath(&combo, QStringLiteral("Font.Nothing"), QStringLiteral("1")));
  EXPECT_FALSE(SetPropertyByPath(&combo, QStringLiteral("Font.Name.Deeper"), QStringLiteral("x")));
}

TEST(LangPropertyPathTest, ObjectPathsAndGeometry) {
  TLangGrid grid;
  // An object property that is a collection is not itself a settable path
  // segment for "Caption" (the reader picks items by index), but its own
  // named properties are.
  EXPECT_FALSE(SetPropertyByPath(&grid, QStringLiteral("Columns.Caption"), QStringLiteral("x")));
  EXPECT_TRUE(SetPropertyByPath(&grid, QStringLiteral("Columns.objectName"), QStringLiteral("cols")));
  EXPECT_EQ(grid.ColumnList()->objectName(), QStringLiteral("cols"));

  QPushButton button;
  button.setGeometry(1, 2, 30, 40);
  EXPECT_TRUE(SetPropertyByPath(&button, QStringLiteral("Left"), QStringLiteral("11")));
  EXPECT_TRUE(SetPropertyByPath(&button, QStringLiteral("Top"), QStringLiteral("12")));
  EXPECT_TRUE(SetPropertyByPath(&button, QStringLiteral("Width"), QStringLiteral("130")));
  EXPECT_TRUE(SetPropertyByPath(&button, QStringLiteral("Height"), QStringLiteral("24")));
  EXPECT_EQ(button.geometry(), QRect(11, 12, 130, 24));
  EXPECT_FALSE(SetPropertyByPath(&button, QStringLiteral("Width"), QStringLiteral("wide")));
}

TEST(LangPropertyPathTest, CaptionAndHintOfStandardWidgets) {
  QWidget form;
  auto* button = new QPushButton(&form);
  auto* group = new QGroupBox(&form);
  auto* edit = new QPlainTextEdit(&form);
  EXPECT_TRUE(SetPropertyByPath(button, QStringLiteral("Caption"), QStringLiteral("&Query")));
  EXPECT_TRUE(SetPropertyByPath(button, QStringLiteral("Hint"), QStringLiteral("Run the query")));
  EXPECT_TRUE(SetPropertyByPath(group, QStringLiteral("Caption"), QStringLiteral("Options")));
  EXPECT_TRUE(SetPropertyByPath(&form, QStringLiteral("Caption"), QStringLiteral("Returns")));
  EXPECT_EQ(button->text(), QStringLiteral("&Query"));
  EXPECT_EQ(button->toolTip(), QStringLiteral("Run the query"));
  EXPECT_EQ(group->title(), QStringLiteral("Options"));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Returns"));
  // A text editor has no caption: its text is data, not a label.
  EXPECT_FALSE(SetPropertyByPath(edit, QStringLiteral("Caption"), QStringLiteral("x")));
  EXPECT_TRUE(edit->toPlainText().isEmpty());
}

TEST(LangPropertyPathTest, UnknownOrEmptyPathsAnswerFalse) {
  QPushButton button;
  EXPECT_FALSE(SetPropertyByPath(&button, QStringLiteral("NoSuchProperty"), QStringLiteral("1")));
  EXPECT_FALSE(SetPropertyByPath(&button, QStringLiteral("NoSuch.Caption"), QStringLiteral("1")));
  EXPECT_FALSE(SetPropertyByPath(&button, QString(), QStringLiteral("1")));
  EXPECT_FALSE(SetPropertyByPath(nullptr, QStringLiteral("Caption"), QStringLiteral("1")));
}

TEST(LangComponentsTest, StringListsOfStandardWidgets) {
  QComboBox combo;
  combo.addItems({QStringLiteral("a"), QStringLiteral("b")});
  QListWidget list;
  QPlainTextEdit memo;
  for (QObject* object : {static_cast<QObject*>(&combo), static_cast<QObject*>(&list), static_cast<QObject*>(&memo)}) {
    TStringsRef strings = TStringsRef::Of(object, qobject_cast<QPlainTextEdit*>(object) ? QStringLiteral("Lines")
                                                                                          : QStringLiteral("Items"));
    ASSERT_TRUE(strings.IsValid()) << object->metaObject()->className();
    strings.Set(3, QStringLiteral("d"));
    EXPECT_EQ(strings.Count(), 4) << object->metaObject()->className();
    EXPECT_EQ(strings.Get(3), QStringLiteral("d"));
    EXPECT_TRUE(strings.Get(2).isEmpty());
    strings.Set(-1, QStringLiteral("never"));
    EXPECT_EQ(strings.Count(), 4);
  }
  EXPECT_EQ(combo.itemText(0), QStringLiteral("a"));
  EXPECT_FALSE(TStringsRef::Of(&combo, QStringLiteral("Lines")).IsValid());
}

TEST(LangComponentsTest, ClassChainsAndKinds) {
  TfrmLangSample form;
  EXPECT_EQ(ComponentClassChain(&form).mid(0, 4),
            (QStringList{"TfrmLangSample", "TLangTestMiddle", "TLangTestBase", "QWidget"}));
  EXPECT_TRUE(InheritsClassName(&form, QStringLiteral("TLangTestBase")));
  EXPECT_TRUE(IsFormOrDataModule(&form));
  TdmLangSample module(&form);
  EXPECT_TRUE(IsFormOrDataModule(&module));
  QPushButton button(&form);
  EXPECT_FALSE(IsFormOrDataModule(&button));
  // A menu is a window of its own, but no form.
  QMenu menu(&form);
  EXPECT_FALSE(IsFormOrDataModule(&menu));
}

TEST(LangComponentsTest, FontCharsetRoundTrip) {
  for (int charset : {134, 136, 1}) {
    QFont font(QStringLiteral("SimSun"));
    SetFontCharset(font, charset);
    EXPECT_EQ(FontCharsetOf(font), charset);
    EXPECT_EQ(font.family(), QStringLiteral("SimSun"));
  }
}

}  // namespace
}  // namespace vantor::test
