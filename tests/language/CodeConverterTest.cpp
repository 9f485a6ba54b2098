// The code converter: modes from the configuration, the converter
// library's binding and its errors, value conversion in both directions,
// fonts, a form converted in modes 0, 2 and 4, exclusions, and the
// converted message box.
#include "language/CodeConverter.h"

#include "language/LangComponents.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

#include "LanguageFixture.h"
#include "LanguageWidgets.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>

namespace vantor::test {
namespace {

class CodeConverterTest : public TLanguageTest {};

TEST_F(CodeConverterTest, ModesAndTranslatorFromConfiguration) {
  const struct {
    const char *system, *ui, *db;
    int uiMode, dbMode;
  } cases[] = {
      {"936", "936", "936", 0, 0}, {"936", "950", "936", 2, 2}, {"950", "936", "936", 4, 0},
      {"936", "936", "950", 0, 1}, {"950", "950", "950", 2, 0}, {"936", "437", "936", 0, 0},
  };
  for (const auto& c : cases) {
    UseCodePages(c.system, c.ui, c.db);
    TCodeConverter converter;
    EXPECT_EQ(converter.UIConvertMode(), c.uiMode) << c.system << c.ui << c.db;
    EXPECT_EQ(converter.DBConvertMode(), c.dbMode) << c.system << c.ui << c.db;
    EXPECT_EQ(converter.HasTranslator(), c.uiMode != 0) << c.system << c.ui << c.db;
    EXPECT_EQ(converter.SystemCodePage(), QLatin1String(c.system));
    EXPECT_EQ(converter.UICodePage(), QLatin1String(c.ui));
  }
}

TEST_F(CodeConverterTest, TranslatorBindsTheLibraryAndOwnsItsResults) {
  QString kept;
  {
    TTranslator translator;
    EXPECT_EQ(translator.GBToBIG5(QStringLiteral("简体中文验证")), QStringLiteral("簡體中文驗證"));
    EXPECT_EQ(translator.BIG5ToGB(QStringLiteral("簡體中文驗證")), QStringLiteral("简体中文验证"));
    EXPECT_EQ(translator.GBToBIG5(QStringLiteral("abc 123")), QStringLiteral("abc 123"));
    kept = translator.GBToBIG5(QStringLiteral("发票"));
  }
  // The text outlives the translator that made it.
  EXPECT_EQ(kept, QStringLiteral("發票"));
}

TEST_F(CodeConverterTest, TranslatorErrors) {
  try {
    TTranslator missing(QStringLiteral("no_such_converter.so"));
    FAIL() << "a missing library was loaded";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), QStringLiteral("Load Library no_such_converter.so Error!"));
  }
  try {
    TTranslator wrong(QStringLiteral(VANTOR_BIN_DIR "/libvplatform.so"));
    FAIL() << "a library without the entry points was accepted";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), QStringLiteral("Get Library Procedure Address Error!"));
  }
}

TEST_F(CodeConverterTest, WithoutTranslatorValuesStayAsTheyAre) {
  UseCodePages("936", "936", "950");  // GB interface, BIG5 database, GB system
  TCodeConverter converter;
  ASSERT_FALSE(converter.HasTranslator());
  EXPECT_EQ(converter.DBToUI(QStringLiteral("驗證")).toString(), QStringLiteral("驗證"));
  EXPECT_EQ(converter.UIToDB(QStringLiteral("验证")).toString(), QStringLiteral("验证"));
  EXPECT_EQ(converter.ConvertVariant(2, QStringLiteral("验证")).toString(), QStringLiteral("验证"));
}

TEST_F(CodeConverterTest, ConvertVariantShapes) {
  UseCodePages("936", "950", "936");
  TCodeConverter converter;
  TVarMatrix matrix(0, 1, 1, 2);
  matrix.Set(0, 1, QStringLiteral("简"));
  matrix.Set(0, 2, Null());
  matrix.Set(1, 1, 5);
  TVarMatrix expectedMatrix(0, 1, 1, 2);
  expectedMatrix.Set(0, 1, QStringLiteral("簡"));
  expectedMatrix.Set(0, 2, Null());
  expectedMatrix.Set(1, 1, QStringLiteral("5"));
  const struct {
    const char* what;
    int direction;
    QVariant in, out;
  } cases[] = {
      {"text", 2, QStringLiteral("验证"), QStringLiteral("驗證")},
      {"back", 1, QStringLiteral("驗證"), QStringLiteral("验证")},
      {"number becomes text", 2, 12, QStringLiteral("12")},
      {"unassigned", 2, QVariant(), QVariant()},
      {"null", 2, Null(), Null()},
      {"no direction", 0, QStringLiteral("验证"), QStringLiteral("验证")},
      {"unknown direction", 3, QStringLiteral("验证"), QStringLiteral("验证")},
      {"nested array", 2,
       QVariantList{QStringLiteral("简"), QVariantList{QStringLiteral("体"), Null()}, QVariant()},
       QVariantList{QStringLiteral("簡"), QVariantList{QStringLiteral("體"), Null()}, QVariant()}},
      {"matrix", 2, QVariant::fromValue(matrix), QVariant::fromValue(expectedMatrix)},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(VarSame(converter.ConvertVariant(c.direction, c.in), c.out))
        << c.what << ": " << VarToStr(converter.ConvertVariant(c.direction, c.in)).toStdString();
}

TEST_F(CodeConverterTest, DirectionsOfTheFourRoutines) {
  UseCodePages("936", "950", "936");  // BIG5 interface on GB data and program texts
  TCodeConverter converter;
  EXPECT_EQ(converter.DBToUI(QStringLiteral("验证")).toString(), QStringLiteral("驗證"));
  EXPECT_EQ(converter.UIToDB(QStringLiteral("驗證")).toString(), QStringLiteral("验证"));
  EXPECT_EQ(converter.ProgramToUI(QStringLiteral("验证")).toString(), QStringLiteral("驗證"));
  EXPECT_EQ(converter.UIToProgram(QStringLiteral("驗證")).toString(), QStringLiteral("验证"));
  EXPECT_EQ(converter.GBToBIG5(QString()), QString());

  UseCodePages("950", "936", "950");  // GB interface on a BIG5 system and BIG5 data
  TCodeConverter gbOnBig5;
  EXPECT_EQ(gbOnBig5.UIConvertMode(), 4);
  EXPECT_EQ(gbOnBig5.DBToUI(QStringLiteral("驗證")).toString(), QStringLiteral("验证"));
  EXPECT_EQ(gbOnBig5.UIToDB(QStringLiteral("验证")).toString(), QStringLiteral("驗證"));
  // Mode 4 is no direction: program texts stay.
  EXPECT_EQ(gbOnBig5.ProgramToUI(QStringLiteral("验证")).toString(), QStringLiteral("验证"));
  EXPECT_EQ(gbOnBig5.UIToProgram(QStringLiteral("验证")).toString(), QStringLiteral("验证"));
}

TEST_F(CodeConverterTest, FontRule) {
  const struct {
    int mode;
    int charset;
  } cases[] = {{0, 134}, {1, 134}, {4, 134}, {2, 136}, {3, 136}, {5, 1}, {-1, 1}};
  for (const auto& c : cases) {
    QFont font(QStringLiteral("Tahoma"));
    TCodeConverter::ApplyFontCharset(c.mode, font);
    EXPECT_EQ(FontCharsetOf(font), c.charset) << c.mode;
    EXPECT_EQ(font.family(), c.charset == 1 ? QStringLiteral("Tahoma") : QStringLiteral("SimSun")) << c.mode;
  }
}

// A form with one component of every kind the converter treats.
struct TConvertibleForm {
  TLangTestBase Form;
  QPushButton* Button = new QPushButton(QStringLiteral("查询"), &Form);
  QComboBox* DropDown = new QComboBox(&Form);
  QComboBox* DropDownList = new QComboBox(&Form);
  TLangStyledCombo* Styled = new TLangStyledCombo(&Form);
  QListWidget* ListBox = new QListWidget(&Form);
  QTreeWidget* ListView = new QTreeWidget(&Form);
  QTreeWidget* TreeView = new QTreeWidget(&Form);
  QTableWidget* Grid = new QTableWidget(1, 1, &Form);
  QTabBar* Tabs = new QTabBar(&Form);
  QMenu* Menu = new QMenu(&Form);
  TLangGrid* DataGrid = new TLangGrid(&Form);
  TLangSelfConverting* Panel = new TLangSelfConverting(&Form);
  QPushButton* Unnamed = new QPushButton(QStringLiteral("无名"), &Form);

  TConvertibleForm() {
    Form.SetCaption(QStringLiteral("退货单"));
    Form.SetHint(QStringLiteral("简体"));
    Form.SetButtonHint(QStringLiteral("按钮"));
    Button->setObjectName(QStringLiteral("btnQuery"));
    Button->setToolTip(QStringLiteral("查询资料"));
    DropDown->setObjectName(QStringLiteral("cbxKind"));
    DropDown->setEditable(true);
    DropDown->addItems({QStringLiteral("全部"), QStringLiteral("发票")});
    DropDown->setCurrentIndex(1);
    DropDownList->setObjectName(QStringLiteral("cbxList"));
    DropDownList->addItems({QStringLiteral("简"), QStringLiteral("体")});
    DropDownList->setCurrentIndex(-1);
    Styled->setObjectName(QStringLiteral("cbxStyled"));
    ListBox->setObjectName(QStringLiteral("lstFields"));
    ListBox->addItems({QStringLiteral("单号"), QStringLiteral("日期")});
    ListView->setObjectName(QStringLiteral("lvItems"));
    ListView->setHeaderLabels({QStringLiteral("品号"), QStringLiteral("数量")});
    ListView->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("简"), QStringLiteral("体")}));
    TreeView->setObjectName(QStringLiteral("tvGroups"));
    TreeView->setHeaderHidden(true);
    auto* node = new QTreeWidgetItem(QStringList{QStringLiteral("简")});
    node->addChild(new QTreeWidgetItem(QStringList{QStringLiteral("体")}));
    TreeView->addTopLevelItem(node);
    Grid->setObjectName(QStringLiteral("sgCells"));
    Grid->setItem(0, 0, new QTableWidgetItem(QStringLiteral("数量")));
    Tabs->setObjectName(QStringLiteral("tsPages"));
    Tabs->addTab(QStringLiteral("基本"));
    Tabs->addTab(QStringLiteral("明细"));
    Tabs->setCurrentIndex(1);
    Menu->setObjectName(QStringLiteral("pmGrid"));
    DataGrid->setObjectName(QStringLiteral("gdMain"));
    DataGrid->PanelList()->Column(0)->Text = QStringLiteral("记录");
    Panel->setObjectName(QStringLiteral("spPanel"));
    Panel->Lines = {QStringLiteral("开始")};
  }
};

TEST_F(CodeConverterTest, FormInModeZeroStaysAsItIs) {
  TConvertibleForm f;
  TCodeConverter converter(&f.Form);
  converter.ConvertForm(&f.Form, QString(), true);
  EXPECT_EQ(f.Form.Caption(), QStringLiteral("退货单"));
  EXPECT_EQ(f.Button->text(), QStringLiteral("查询"));
  EXPECT_EQ(FontCharsetOf(f.Button->font()), 1);
  EXPECT_FALSE(f.DropDown->property("Style").isValid());
  EXPECT_EQ(f.Panel->Direction, 0);
}

TEST_F(CodeConverterTest, FormInModeTwoConvertsTextsFontsAndStyles) {
  UseCodePages("936", "950", "936");
  TConvertibleForm f;
  TCodeConverter converter(&f.Form);
  converter.ConvertForm(&f.Form, QString(), false);
  // The caption is the system's business, and the system is GB here.
  EXPECT_EQ(f.Form.Caption(), QStringLiteral("退货单"));
  EXPECT_EQ(f.Form.Hint(), QStringLiteral("簡體"));
  EXPECT_EQ(f.Form.ButtonHint(), QStringLiteral("按鈕"));
  EXPECT_EQ(f.Button->text(), QStringLiteral("查詢"));
  EXPECT_EQ(f.Button->toolTip(), QStringLiteral("查詢資料"));
  EXPECT_EQ(FontCharsetOf(f.Button->font()), 136);
  EXPECT_EQ(f.Button->font().family(), QStringLiteral("SimSun"));
  EXPECT_EQ(FontCharsetOf(f.DataGrid->TitleFont()), 136);
  // Combo boxes: items converted, selection kept, owner-drawn fixed at the
  // end, the first item selected when none was.
  EXPECT_EQ(f.DropDown->itemText(1), QStringLiteral("發票"));
  EXPECT_EQ(f.DropDown->currentIndex(), 1);
  EXPECT_EQ(f.DropDown->property("Style").toString(), QStringLiteral("csOwnerDrawFixed"));
  EXPECT_EQ(f.DropDownList->currentIndex(), 0);
  EXPECT_EQ(f.DropDownList->itemText(1), QStringLiteral("體"));
  EXPECT_EQ(f.Styled->Style(), TLangStyledCombo::csOwnerDrawFixed);
  EXPECT_EQ(f.ListBox->item(0)->text(), QStringLiteral("單號"));
  EXPECT_EQ(f.ListBox->property("Style").toString(), QStringLiteral("lbOwnerDrawFixed"));
  EXPECT_EQ(f.ListView->headerItem()->text(0), QStringLiteral("品號"));
  EXPECT_EQ(f.ListView->headerItem()->text(1), QStringLiteral("數量"));
  EXPECT_EQ(f.ListView->topLevelItem(0)->text(1), QStringLiteral("體"));
  EXPECT_EQ(f.Tabs->tabText(1), QStringLiteral("明細"));
  EXPECT_EQ(f.Tabs->currentIndex(), 1);
  EXPECT_TRUE(f.Menu->property("OwnerDraw").toBool());
  EXPECT_EQ(f.DataGrid->PanelList()->Column(0)->Text, QStringLiteral("記錄"));
  EXPECT_EQ(f.Panel->Lines.first(), QStringLiteral("開始"));
  EXPECT_EQ(f.Panel->Direction, 2);
  // Not deep: cells and tree nodes stay.
  EXPECT_EQ(f.Grid->item(0, 0)->text(), QStringLiteral("数量"));
  EXPECT_EQ(f.TreeView->topLevelItem(0)->text(0), QStringLiteral("简"));
  // Components are the named ones.
  EXPECT_EQ(f.Unnamed->text(), QStringLiteral("无名"));
}

TEST_F(CodeConverterTest, DeepConversionReachesCellsAndNodes) {
  UseCodePages("936", "950", "936");
  TConvertibleForm f;
  TCodeConverter converter(&f.Form);
  converter.ConvertForm(&f.Form, QString(), true);
  EXPECT_EQ(f.Grid->item(0, 0)->text(), QStringLiteral("數量"));
  EXPECT_EQ(f.TreeView->topLevelItem(0)->text(0), QStringLiteral("簡"));
  EXPECT_EQ(f.TreeView->topLevelItem(0)->child(0)->text(0), QStringLiteral("體"));
  EXPECT_TRUE(f.Panel->Deep);
}

TEST_F(CodeConverterTest, FormInModeFourChangesFontsStylesAndCaptionOnly) {
  UseCodePages("950", "936", "936");
  TConvertibleForm f;
  TCodeConverter converter(&f.Form);
  ASSERT_EQ(converter.UIConvertMode(), 4);
  converter.ConvertForm(&f.Form, QString(), true);
  EXPECT_EQ(f.Form.Caption(), QStringLiteral("退貨單"));
  EXPECT_EQ(f.Form.Hint(), QStringLiteral("简体"));
  EXPECT_EQ(f.Button->text(), QStringLiteral("查询"));
  EXPECT_EQ(f.DropDown->itemText(1), QStringLiteral("发票"));
  EXPECT_EQ(f.Grid->item(0, 0)->text(), QStringLiteral("数量"));
  EXPECT_EQ(FontCharsetOf(f.Button->font()), 134);
  EXPECT_EQ(f.DropDown->property("Style").toString(), QStringLiteral("csOwnerDrawVariable"));
  EXPECT_EQ(f.DropDownList->property("Style").toString(), QStringLiteral("csOwnerDrawFixed"));
  EXPECT_EQ(f.ListBox->property("Style").toString(), QStringLiteral("lbOwnerDrawFixed"));
  EXPECT_TRUE(f.Menu->property("OwnerDraw").toBool());
  EXPECT_EQ(f.Panel->Direction, 0);
  EXPECT_EQ(FontCharsetOf(QApplication::font("QMenu")), 134);
}

TEST_F(CodeConverterTest, ExclusionEntries) {
  UseCodePages("936", "950", "936");
  TConvertibleForm f;
  TCodeConverter converter(&f.Form);
  const QVariantList exclusions{QStringLiteral("BTNQUERY"),
                                QStringLiteral("cbxKind") + QChar(3) + QStringLiteral("Items,Style"),
                                QVariantList{QStringLiteral("lstFields"), QStringLiteral("Font")}};
  converter.ConvertFormExcept(&f.Form, exclusions, true);
  EXPECT_EQ(converter.ExclusionEntries().size(), 3);
  // Name only: the component is left alone.
  EXPECT_EQ(f.Button->text(), QStringLiteral("查询"));
  EXPECT_EQ(FontCharsetOf(f.Button->font()), 1);
  // Items and Style kept; its font still changes; no class handling.
  EXPECT_EQ(f.DropDown->itemText(1), QStringLiteral("发票"));
  EXPECT_FALSE(f.DropDown->property("Style").isValid());
  EXPECT_EQ(FontCharsetOf(f.DropDown->font()), 136);
  // Font kept, items converted.
  EXPECT_EQ(FontCharsetOf(f.ListBox->font()), 1);
  EXPECT_EQ(f.ListBox->item(1)->text(), QStringLiteral("日期"));
  EXPECT_EQ(f.ListBox->item(0)->text(), QStringLiteral("單號"));
  // Components without an entry are converted as usual.
  EXPECT_EQ(f.Tabs->tabText(0), QStringLiteral("基本"));
  EXPECT_EQ(f.Tabs->tabText(1), QStringLiteral("明細"));
}

TEST_F(CodeConverterTest, ConvertedMessage) {
  const struct {
    const char *system, *ui;
    bool blanks;
    int charset;
  } cases[] = {{"936", "936", true, 134}, {"936", "950", true, 136}, {"950", "950", false, 136}, {"950", "936", true, 134}};
  for (const auto& c : cases) {
    UseCodePages(c.system, c.ui, "936");
    TLangTestBase form;
    form.SetCaption(QStringLiteral("退货"));
    TCodeConverter converter(&form);
    TScriptedDialogHost dialogs;
    dialogs.Expect(kMessageKind, mrYes);
    EXPECT_EQ(converter.ShowConvertedMessage(QStringLiteral("继续?"), mtConfirmation, {mbYes, mbNo}), mrYes);
    const TMessageRequest& request = dialogs.Last().Message;
    EXPECT_EQ(request.Text, c.blanks ? QStringLiteral("继续?      ") : QStringLiteral("继续?")) << c.system << c.ui;
    EXPECT_EQ(request.Caption, QStringLiteral("退货"));
    EXPECT_EQ(request.Charset, c.charset) << c.system << c.ui;
    EXPECT_EQ(request.FontFamily, QStringLiteral("SimSun"));
    EXPECT_EQ(request.Buttons, (TMsgDlgButtons{mbYes, mbNo}));
    EXPECT_EQ(request.Owner, &form);
  }
}

}  // namespace
}  // namespace vantor::test
