// Component chores: safe field writes, bound controls by field list, grid
// columns, list boxes, browsing state and the last control of each page.
#include "support/LibVCLs.h"

#include "SupportFixture.h"
#include "SupportWidgets.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/FieldTypes.h"
#include "platform/os/Exceptions.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>

namespace vantor::test {
namespace {

// A dataset with a text field of size 5, a memo, an integer and a float field.
class FieldTextTest : public ::testing::Test {
protected:
  void SetUp() override {
    text = new TStringField(&ds);
    text->SetFieldName(QStringLiteral("TJ001"));
    text->SetSize(5);
    memo = new TMemoField(&ds);
    memo->SetFieldName(QStringLiteral("TJ002"));
    number = new TIntegerField(&ds);
    number->SetFieldName(QStringLiteral("TJ003"));
    real = new TFloatField(&ds);
    real->SetFieldName(QStringLiteral("TJ004"));
    ds.CreateDataSet();
    ds.Append();
  }

  TClientDataSet ds;
  TStringField* text = nullptr;
  TMemoField* memo = nullptr;
  TIntegerField* number = nullptr;
  TFloatField* real = nullptr;
};

TEST_F(FieldTextTest, TextIsCutToTheFieldSizeWithoutSplittingCharacters) {
  const struct {
    const char* systemCodePage;
    int codePage;
    int size;
    QString text;
    QString stored;
  } cases[] = {
      {"936", CP_ACP, 5, "中文字", "中文"},     // six bytes into five: two characters
      {"936", CP_ACP, 5, "a中文", "a中文"},     // exactly five bytes
      {"936", CP_ACP, 4, "a中文", "a中"},
      {"936", CP_ACP, 5, "abcdefg", "abcde"},
      {"936", CP_ACP, 1, "中", ""},
      {"936", 950, 5, "中文字", "中文"},
      {"1252", CP_ACP, 5, "中文字", "中文字"},  // a single-byte system counts characters
      {"1252", CP_ACP, 2, "中文字", "中文"},
      {"65001", CP_ACP, 2, "😀a", "😀"},
      {"65001", CP_ACP, 1, "😀a", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString() + " size " + std::to_string(c.size) + " cp " + c.systemCodePage);
    TEnvScope system("VANTOR_CODEPAGE", c.systemCodePage);
    text->SetSize(c.size);
    EXPECT_TRUE(SetFieldText(text, c.text, false, c.codePage));
    EXPECT_EQ(text->AsString(), c.stored);
  }
  const QString longText = QStringLiteral("备注").repeated(100);
  EXPECT_TRUE(SetFieldText(memo, longText, false));
  EXPECT_EQ(memo->AsString(), longText);
}

TEST_F(FieldTextTest, ReadOnlyFieldIsWrittenAndStaysReadOnly) {
  text->SetReadOnly(true);
  EXPECT_TRUE(SetFieldText(text, QStringLiteral("ab"), false));
  EXPECT_EQ(text->AsString(), QLatin1String("ab"));
  EXPECT_TRUE(text->ReadOnly());

  text->OnValidate.Set([](TField*) { throw EAbort(QString()); });
  EXPECT_THROW(SetFieldText(text, QStringLiteral("cd"), false), EAbort);
  EXPECT_EQ(text->AsString(), QLatin1String("ab"));
  EXPECT_TRUE(text->ReadOnly());
  EXPECT_FALSE(SetFieldText(nullptr, QStringLiteral("x"), false));
}

TEST_F(FieldTextTest, EditTextOnlyForNumericFieldsWhenAsked) {
  QStringList seen;
  for (TField* f : {static_cast<TField*>(number), static_cast<TField*>(real), static_cast<TField*>(text)})
    f->OnSetText.Set([&seen](TField* field, const QString& t) {
      seen << field->FieldName();
      field->SetAsString(t);
    });
  EXPECT_TRUE(SetFieldText(number, QStringLiteral("12"), true));
  EXPECT_TRUE(SetFieldText(real, QStringLiteral("3.5"), true));
  EXPECT_TRUE(SetFieldText(text, QStringLiteral("x"), true));
  EXPECT_EQ(seen, (QStringList{"TJ003", "TJ004"}));
  EXPECT_EQ(number->AsInteger(), 12);
  EXPECT_EQ(real->AsFloat(), 3.5);
  EXPECT_TRUE(SetFieldText(number, QStringLiteral("7"), false));
  EXPECT_EQ(seen.size(), 2);
  EXPECT_EQ(number->AsInteger(), 7);
}

// A form with bound controls, some of them on a panel.
class BoundControlsTest : public ::testing::Test {
protected:
  TBoundEdit* Add(QWidget* parent, const char* name, const char* field) {
    auto* e = new TBoundEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->DataField = QLatin1String(field);
    return e;
  }
  template <class T>
  T* AddOf(const char* name, const char* field) {
    auto* e = new T(&form);
    e->setObjectName(QLatin1String(name));
    e->DataField = QLatin1String(field);
    return e;
  }

  QWidget form;
  QWidget* panel = new QWidget(&form);
  TBoundEdit* ed1 = Add(&form, "edTJ001", "TJ001");
  TBoundEdit* ed1b = Add(panel, "edTJ001b", "tj001");
  TBoundEdit* ed3 = Add(panel, "edTJ003", "TJ003");
  TBoundEdit* ed4 = Add(&form, "edTJ004", "TJ004");
  TBoundEdit* unbound = Add(&form, "edNone", "");
  TFDbCheckBox* check = AddOf<TFDbCheckBox>("ckbTJ001", "TJ001");
  TwwDBComboBox* combo = AddOf<TwwDBComboBox>("cboTJ001", "TJ001");
};

TEST_F(BoundControlsTest, ColourStopsAtTheFirstEmptyEntry) {
  ColorByDataFields(&form, QStringLiteral(" TJ001 ;;TJ003"), QStringLiteral(";"), 255);
  EXPECT_EQ(ed1->Color, 255);
  EXPECT_EQ(ed1b->Color, 255);
  EXPECT_EQ(ed3->Color, -1);
  EXPECT_EQ(unbound->Color, -1);
  // Check and combo boxes only take the highlight colour.
  EXPECT_EQ(check->Color, -1);
  EXPECT_EQ(combo->Color, -1);
  ColorByDataFields(&form, QStringLiteral("TJ001,TJ003"), QStringLiteral(","), kBoundControlHighlight);
  for (const TBoundEdit* e : {static_cast<TBoundEdit*>(ed1), ed1b, ed3, static_cast<TBoundEdit*>(check),
                              static_cast<TBoundEdit*>(combo)})
    EXPECT_EQ(e->Color, kBoundControlHighlight) << e->objectName().toStdString();
  ColorByDataFields(nullptr, QStringLiteral("TJ001"), QStringLiteral(";"), 1);
}

TEST_F(BoundControlsTest, EnableByTheFirstWordOfEachEntry) {
  EnableByDataFields(&form, QStringLiteral("TJ004 must be entered;;tj003"), QStringLiteral(";"), false);
  EXPECT_FALSE(ed4->isEnabled());
  EXPECT_FALSE(ed3->isEnabled());
  EXPECT_TRUE(ed1->isEnabled());
  EXPECT_TRUE(unbound->isEnabled());
  EnableByDataFields(&form, QStringLiteral("TJ004"), QStringLiteral(";"), true);
  EXPECT_TRUE(ed4->isEnabled());
  EXPECT_FALSE(ed3->isEnabled());
}

// A shown window with a grid over a three-field dataset.
class FitGridTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"A", "B", "C"}) {
      auto* f = new TStringField(&ds);
      f->SetFieldName(QLatin1String(name));
      f->SetSize(10);
    }
    source.SetDataSet(&ds);
    grid = new TTestGrid(&window);
    grid->setModel(&model);
    grid->SetDataSource(&source);
    grid->setGeometry(0, 0, 600, 200);
    window.resize(600, 200);
    window.show();
    for (int c = 0; c < 3; ++c) grid->setColumnWidth(c, 50);
  }

  QList<int> Widths() const { return {grid->columnWidth(0), grid->columnWidth(1), grid->columnWidth(2)}; }
  int Needed() const {
    int needed = grid->verticalHeader()->width() + 1 + 2 +
                 grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid);
    for (int w : Widths()) needed += w + 1;
    return needed;
  }

  TClientDataSet ds;
  TDataSource source;
  QStandardItemModel model{0, 3};
  QWidget window;
  TTestGrid* grid = nullptr;
};

TEST_F(FitGridTest, ColumnsShareTheSpareWidth) {
  ds.CreateDataSet();
  FitGridColumns(grid);
  const QList<int> widths = Widths();
  EXPECT_GT(widths[0], 50);
  EXPECT_EQ(widths[1], widths[0]);
  EXPECT_EQ(widths[2], widths[0]);
  const int spare = grid->contentsRect().width() - Needed();
  EXPECT_GE(spare, 0);
  EXPECT_LT(spare, 3);
  EXPECT_TRUE(grid->isEnabled());
}

TEST_F(FitGridTest, ParentGrowsWhenColumnsNeedMoreRoom) {
  ds.CreateDataSet();
  for (int c = 0; c < 3; ++c) grid->setColumnWidth(c, 400);
  grid->setEnabled(false);
  FitGridColumns(grid);
  EXPECT_EQ(Widths(), (QList<int>{400, 400, 400}));
  EXPECT_EQ(window.contentsRect().width(), Needed());
  EXPECT_FALSE(grid->isEnabled());
}

TEST_F(FitGridTest, ClosedDataSetChangesNothing) {
  FitGridColumns(grid);
  EXPECT_EQ(Widths(), (QList<int>{50, 50, 50}));
  grid->SetDataSource(nullptr);
  ds.CreateDataSet();
  FitGridColumns(grid);
  EXPECT_EQ(Widths(), (QList<int>{50, 50, 50}));
  FitGridColumns(nullptr);
}

TEST(ListBoxes, AddSelectedItemsOnceInSourceOrder) {
  QListWidget source, target;
  source.setSelectionMode(QAbstractItemView::MultiSelection);
  source.addItems({"TJ001", "TJ002", "TJ003", "TJ002", "TJ004"});
  target.addItems({"TJ001"});
  for (int i : {0, 1, 3, 4}) source.item(i)->setSelected(true);
  AddSelectedItems(&target, &source);
  QStringList texts;
  for (int i = 0; i < target.count(); ++i) texts << target.item(i)->text();
  EXPECT_EQ(texts, (QStringList{"TJ001", "TJ002", "TJ004"}));
  AddSelectedItems(nullptr, &source);
}

TEST(DataSetState, IsBrowsingWithData) {
  TClientDataSet ds;
  auto* f = new TStringField(&ds);
  f->SetFieldName(QStringLiteral("CODE"));
  f->SetSize(5);
  EXPECT_FALSE(IsBrowsingWithData(nullptr));
  EXPECT_FALSE(IsBrowsingWithData(&ds));  // closed
  ds.CreateDataSet();
  EXPECT_FALSE(IsBrowsingWithData(&ds));  // empty
  ds.Append();
  f->SetAsString(QStringLiteral("A"));
  EXPECT_FALSE(IsBrowsingWithData(&ds));  // inserting
  ds.Post();
  EXPECT_TRUE(IsBrowsingWithData(&ds));
  ds.Edit();
  EXPECT_FALSE(IsBrowsingWithData(&ds));
}

// Pages with controls created in tab order.
class LastControlsTest : public ::testing::Test {
protected:
  QWidget* Page(const char* name) {
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    pages->addTab(page, QLatin1String(name));
    return page;
  }
  QLineEdit* Edit(QWidget* page, const char* name) {
    auto* e = new QLineEdit(page);
    e->setObjectName(QLatin1String(name));
    return e;
  }

  QWidget form;
  QTabWidget* pages = new QTabWidget(&form);
};

TEST_F(LastControlsTest, HighestTabOrderOfEachCountedPage) {
  QWidget* p1 = Page("TabSheet1");
  Edit(p1, "edA");
  Edit(p1, "edB");
  Edit(p1, "edDisabled")->setEnabled(false);
  Edit(p1, "edHidden")->hide();
  new QLabel(QStringLiteral("label"), p1);
  QWidget* p2 = Page("TabSheet2");
  Edit(p2, "edOff")->setEnabled(false);
  QWidget* p3 = Page("TbsUDF");
  Edit(p3, "edUdfInMiddle");
  QWidget* p4 = Page("TabSheet4");
  auto* first = new TOrderedEdit(p4);
  first->setObjectName(QStringLiteral("edHighOrder"));
  first->TabOrder = 9;
  auto* second = new TOrderedEdit(p4);
  second->setObjectName(QStringLiteral("edLowOrder"));
  second->TabOrder = 2;
  Edit(Page("TbsUdf"), "edUdf");
  Edit(Page("tbsbrowse"), "edBrowse");

  QStringList names;
  QWidget* last = LastControlsOfPages(pages, names);
  EXPECT_EQ(names, (QStringList{"edB", "edUdfInMiddle", "edHighOrder"}));
  EXPECT_EQ(last, first);
}

TEST_F(LastControlsTest, OnlyTheFirstSixteenPagesCount) {
  for (int i = 1; i <= 18; ++i) {
    const QByteArray name = "Page" + QByteArray::number(i);
    Edit(Page(name.constData()), ("ed" + name).constData());
  }
  QStringList names{"stale"};
  const QWidget* last = LastControlsOfPages(pages, names);
  ASSERT_EQ(names.size(), 16);
  EXPECT_EQ(names.first(), QLatin1String("edPage1"));
  EXPECT_EQ(names.last(), QLatin1String("edPage16"));
  EXPECT_EQ(last->objectName(), QLatin1String("edPage16"));

  QTabWidget empty;
  EXPECT_EQ(LastControlsOfPages(&empty, names), nullptr);
  EXPECT_TRUE(names.isEmpty());
}

}  // namespace
}  // namespace vantor::test
