// The language controller: activation and its errors, events, the reader's
// walk over a form (root attributes, components by name, indexed items,
// exclusions), a form translated from the files of its class chain in
// order, the language folder per code page, and message look-up.
#include "language/LanguageController.h"

#include "LanguageFixture.h"
#include "LanguageWidgets.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

namespace vantor::test {
namespace {

class LanguageControllerTest : public TLanguageTest {
protected:
  // A form with a button, a combo box of two items (the second selected),
  // a list view with one column and a grid with column objects.
  struct TSampleForm {
    TfrmLangSample Form;
    QPushButton* Button = new QPushButton(QStringLiteral("查询"), &Form);
    QComboBox* Combo = new QComboBox(&Form);
    QTreeWidget* List = new QTreeWidget(&Form);
    TLangGrid* Grid = new TLangGrid(&Form);
    QLabel* Label = new QLabel(QStringLiteral("供应商"), &Form);
    TSampleForm() {
      Button->setObjectName(QStringLiteral("btnQuery"));
      Combo->setObjectName(QStringLiteral("cbxKind"));
      Combo->addItems({QStringLiteral("全部"), QStringLiteral("部分")});
      Combo->setCurrentIndex(1);
      List->setObjectName(QStringLiteral("lvItems"));
      List->setHeaderLabels({QStringLiteral("品号")});
      List->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("A001")}));
      Grid->setObjectName(QStringLiteral("gdMain"));
      Label->setObjectName(QStringLiteral("lblSupplier"));
    }
  };

  static void Apply(TLanguageController& controller, QObject* component, const QString& xml) {
    controller.SetLangText(xml.split(QLatin1Char('\n')));
    controller.SetActive(true);
    controller.GetReader()->LoadComponent(component);
  }
};

TEST_F(LanguageControllerTest, ActivationFailures) {
  TLanguageController controller;
  try {
    controller.SetActive(true);
    FAIL() << "activation without a file";
  } catch (const LanguageControllerError& error) {
    EXPECT_EQ(error.Message(), QStringLiteral("Cannot Find File !"));
  }
  EXPECT_FALSE(controller.Active());
  try {
    controller.GetReader();
    FAIL() << "reader of an inactive controller";
  } catch (const LanguageControllerError& error) {
    EXPECT_EQ(error.Message(), QStringLiteral("No active LanguageController!"));
  }
  const struct {
    const char* what;
    QString fileContent;  // null: no file at all
  } cases[] = {{"missing file", QString()},
               {"not XML", QStringLiteral("this is not xml")},
               {"unclosed element", QStringLiteral("<TfrmX><btnQuery Caption=\"x\"></TfrmX>")},
               {"empty", QStringLiteral("")}};
  for (const auto& c : cases) {
    const QString fileName = SuitePath() + QStringLiteral("case.Lng");
    QFile::remove(fileName);
    if (!c.fileContent.isNull())
      WriteFileBytes(fileName, c.fileContent.toUtf8());
    controller.SetFileName(fileName);
    try {
      controller.SetActive(true);
      ADD_FAILURE() << c.what << " was accepted";
    } catch (const LanguageControllerError& error) {
      // The reason names the file, so that a user can find the broken one.
      EXPECT_TRUE(error.Message().startsWith(fileName)) << c.what << ": " << error.Message().toStdString();
    }
    EXPECT_FALSE(controller.Active()) << c.what;
  }
}

TEST_F(LanguageControllerTest, EventsAroundOpenCloseAndEachComponent) {
  TSampleForm sample;
  TLanguageController controller;
  QStringList events;
  controller.BeforeOpen = [&](QObject*) { events << "BeforeOpen"; };
  controller.AfterOpen = [&](QObject*) { events << "AfterOpen"; };
  controller.BeforeClose = [&](QObject*) { events << "BeforeClose"; };
  controller.AfterClose = [&](QObject*) { events << "AfterClose"; };
  controller.BeforeLoadComponent = [&](QObject* c, const TLangNode& n) {
    events << QStringLiteral("Before %1/%2").arg(c->objectName(), n.NodeName());
  };
  controller.AfterLoadComponent = [&](QObject* c, const TLangNode&) { events << "After " + c->objectName(); };
  sample.Form.setObjectName(QStringLiteral("frmSample"));
  auto* menu = new QMenu(&sample.Form);  // a popup window: not a form, no root attributes
  Apply(controller, &sample.Form, QStringLiteral("<TfrmLangSample Caption=\"Sample\"><btnQuery Caption=\"Query\"/></TfrmLangSample>"));
  controller.SetActive(false);
  EXPECT_EQ(events, (QStringList{"BeforeOpen", "AfterOpen", "Before frmSample/TfrmLangSample", "After frmSample",
                                 "Before btnQuery/btnQuery", "After btnQuery", "BeforeClose", "AfterClose"}));
  EXPECT_EQ(sample.Form.Caption(), QStringLiteral("Sample"));
  EXPECT_EQ(sample.Button->text(), QStringLiteral("Query"));
  EXPECT_TRUE(menu->title().isEmpty());
}

TEST_F(LanguageControllerTest, AttributeEdgeCases) {
  TSampleForm sample;
  TLanguageController controller;
  Apply(controller, &sample.Form,
        QStringLiteral("<TfrmLangSample>"
                       "<cbxKind Items_5=\"Sixth\" Items_0=\"All\"/>"
                       "<lvItems Columns_1.Caption=\"ignored\" Columns_0.Caption=\"Item\" Items_0.Caption=\"B002\""
                       " Items_7.Caption=\"out of range\"/>"
                       "<btnQuery NoSuchProperty=\"1\" Caption=\"&amp;Query\" Enabled=\"maybe\" Hint=\"Run\"/>"
                       "<gdMain Columns_1.Caption=\"Name\" Columns_9.Caption=\"none\" Bogus_1.Caption=\"x\""
                       " TitleFont.Name=\"Tahoma\"/>"
                       "</TfrmLangSample>"));
  // Items_5 on two items: three empty items are added and the sixth set;
  // the selection stays where it was.
  ASSERT_EQ(sample.Combo->count(), 6);
  EXPECT_EQ(sample.Combo->itemText(0), QStringLiteral("All"));
  EXPECT_EQ(sample.Combo->itemText(1), QStringLiteral("部分"));
  EXPECT_TRUE(sample.Combo->itemText(3).isEmpty());
  EXPECT_EQ(sample.Combo->itemText(5), QStringLiteral("Sixth"));
  EXPECT_EQ(sample.Combo->currentIndex(), 1);
  // Columns_1 of a list view with one column is ignored.
  EXPECT_EQ(sample.List->columnCount(), 1);
  EXPECT_EQ(sample.List->headerItem()->text(0), QStringLiteral("Item"));
  EXPECT_EQ(sample.List->topLevelItem(0)->text(0), QStringLiteral("B002"));
  // Unknown properties and bad values do not stop the other attributes.
  EXPECT_EQ(sample.Button->text(), QStringLiteral("&Query"));
  EXPECT_EQ(sample.Button->toolTip(), QStringLiteral("Run"));
  EXPECT_TRUE(sample.Button->isEnabled());
  EXPECT_EQ(sample.Grid->ColumnList()->Column(1)->Caption, QStringLiteral("Name"));
  EXPECT_TRUE(sample.Grid->ColumnList()->Column(0)->Caption.isEmpty());
  EXPECT_EQ(sample.Grid->TitleFont().family(), QStringLiteral("Tahoma"));
}

TEST_F(LanguageControllerTest, ComboReadersKeepTheSelection) {
  TLangTestBase form;
  auto* vcl = new TCustomComboBox(&form);
  auto* ww = new TwwDBCustomComboBox(&form);
  auto* other = new TLangItemsOwner(&form);
  const struct {
    TLangItemsBase* component;
    const char* name;
    int indexAfter;
  } cases[] = {{vcl, "cbxVcl", 1}, {ww, "cbxWw", 1}, {other, "lstOther", -1}};
  QString xml = QStringLiteral("<TLangTestBase>");
  for (const auto& c : cases) {
    c.component->setObjectName(QLatin1String(c.name));
    c.component->SetItems({QStringLiteral("甲"), QStringLiteral("乙")});
    c.component->SetItemIndex(1);
    xml += QStringLiteral("<%1 Items_1=\"B\" Items_0=\"A\"/>").arg(QLatin1String(c.name));
  }
  TLanguageController controller;
  Apply(controller, &form, xml + QStringLiteral("</TLangTestBase>"));
  for (const auto& c : cases) {
    EXPECT_EQ(c.component->Items(), (QStringList{"A", "B"})) << c.name;
    EXPECT_EQ(c.component->ItemIndex(), c.indexAfter) << c.name;
  }
}

TEST_F(LanguageControllerTest, ExcludedNamesMatchTrimmedAndIgnoringCase) {
  TSampleForm sample;
  auto* inner = new QPushButton(QStringLiteral("内"), sample.Grid);
  inner->setObjectName(QStringLiteral("btnInner"));
  TLanguageController controller;
  controller.SetExcludeControls({QStringLiteral("  BTNQUERY "), QStringLiteral("GDMAIN")});
  Apply(controller, &sample.Form,
        QStringLiteral("<TfrmLangSample><btnQuery Caption=\"Query\"/><lblSupplier Caption=\"Supplier\"/>"
                       "<gdMain Columns_0.Caption=\"No\"/><btnInner Caption=\"Inner\"/></TfrmLangSample>"));
  EXPECT_EQ(sample.Button->text(), QStringLiteral("查询"));
  EXPECT_TRUE(sample.Grid->ColumnList()->Column(0)->Caption.isEmpty());
  EXPECT_EQ(sample.Label->text(), QStringLiteral("Supplier"));
  // What an excluded component owns is still visited.
  EXPECT_EQ(inner->text(), QStringLiteral("Inner"));
  // A new list reaches the active reader at once.
  controller.SetExcludeControls({});
  controller.GetReader()->LoadComponent(&sample.Form);
  EXPECT_EQ(sample.Button->text(), QStringLiteral("Query"));
}

TEST_F(LanguageControllerTest, FirstElementOfATagWinsAndDataModulesTakeTheRoot) {
  TSampleForm sample;
  TdmLangSample module(&sample.Form);
  module.setObjectName(QStringLiteral("dmSample"));
  TLanguageController controller;
  Apply(controller, &module,
        QStringLiteral("<TdmLangSample Caption=\"Module\"><group><dmSample Caption=\"First\"/></group>"
                       "<dmSample Caption=\"Second\"/></TdmLangSample>"));
  EXPECT_EQ(module.Caption, QStringLiteral("First"));
}

TEST_F(LanguageControllerTest, LoadingDefersActivation) {
  TLanguageController controller;
  controller.BeginLoading();
  controller.SetLangText({QStringLiteral("<TfrmX Caption=\"x\"/>")});
  controller.SetActive(true);
  EXPECT_FALSE(controller.Active());
  controller.Loaded();
  EXPECT_TRUE(controller.Active());
  controller.SetLangText({QStringLiteral("<TfrmY/>")});
  EXPECT_FALSE(controller.Active());
  EXPECT_TRUE(controller.FileName().isEmpty());
}

TEST_F(LanguageControllerTest, LanguageFolderPerCodePage) {
  const struct {
    const char* uiCodePage;
    const char* code;  // "" when there is no folder
  } cases[] = {{"936", "CHS"}, {"950", "CHT"}, {"437", "ENG"}, {"1252", ""}, {"65001", ""}};
  for (const auto& c : cases) {
    UseCodePages("936", c.uiCodePage, "936");
    const QString expected = *c.code ? LangFolder(c.code) : QString();
    EXPECT_EQ(GetLangFolder(dtClient), expected) << c.uiCodePage;
  }
  UseCodePages("936", "437", "936");
  QDir(LangFolder("ENG")).removeRecursively();
  EXPECT_TRUE(GetLangFolder(dtClient).isEmpty());
}

TEST_F(LanguageControllerTest, FormTranslatedFromItsClassChainInOrder) {
  UseCodePages("936", "437", "936");
  // Each file overrides what the files of the ancestors set.
  WriteLang("ENG", "TLangTestBase",
            "<TLangTestBase Caption=\"Base\" Hint=\"base hint\"><btnQuery Caption=\"Query\" Hint=\"base\"/>"
            "<lblSupplier Caption=\"Supplier\"/></TLangTestBase>");
  WriteLang("ENG", "TLangTestMiddle",
            "<TLangTestMiddle Caption=\"Middle\"><btnQuery Caption=\"&amp;Query\"/></TLangTestMiddle>");
  WriteLang("ENG", "TfrmLangSample",
            "<TfrmLangSample Caption=\"Inspection returns\"><btnQuery Hint=\"Find returns\"/></TfrmLangSample>");
  TSampleForm sample;
  TQxLangController controller(&sample.Form);
  QStringList opened;
  controller.AfterOpen = [&](QObject*) { opened << QFileInfo(controller.FileName()).fileName(); };
  const QStringList chain = LangClassNames(&sample.Form, {QStringLiteral("QWidget")});
  EXPECT_EQ(chain, (QStringList{"TLangTestBase", "TLangTestMiddle", "TfrmLangSample"}));
  EXPECT_EQ(TranslateComponent(controller, &sample.Form, chain), 3);
  EXPECT_EQ(opened, (QStringList{"TLangTestBase.Lng", "TLangTestMiddle.Lng", "TfrmLangSample.Lng"}));
  EXPECT_EQ(sample.Form.Caption(), QStringLiteral("Inspection returns"));
  EXPECT_EQ(sample.Form.Hint(), QStringLiteral("base hint"));
  EXPECT_EQ(sample.Button->text(), QStringLiteral("&Query"));
  EXPECT_EQ(sample.Button->toolTip(), QStringLiteral("Find returns"));
  EXPECT_EQ(sample.Label->text(), QStringLiteral("Supplier"));
  // The last file stays loaded.
  EXPECT_TRUE(controller.Active());
  EXPECT_EQ(controller.LangPackageName(), QStringLiteral("TfrmLangSample"));

  // A class without a file is passed over.
  QFile::remove(LangFolder("ENG") + QStringLiteral("TLangTestMiddle.Lng"));
  TSampleForm second;
  TQxLangController secondController(&second.Form);
  EXPECT_EQ(TranslateComponent(secondController, &second.Form, chain), 2);
  EXPECT_EQ(second.Button->text(), QStringLiteral("Query"));
}

TEST_F(LanguageControllerTest, NoLanguageFolderTranslatesNothing) {
  UseCodePages("936", "1252", "936");
  // Even a file of that name in the current folder is not taken.
  const QString stray = QDir::currentPath() + QStringLiteral("/TLangTestBase.Lng");
  const bool wroteStray = !QFile::exists(stray);
  if (wroteStray)
    WriteFileBytes(stray, "<TLangTestBase Caption=\"stray\"/>");
  TSampleForm sample;
  sample.Form.SetCaption(QStringLiteral("退货"));
  TQxLangController controller;
  EXPECT_EQ(TranslateComponent(controller, &sample.Form, {QStringLiteral("TLangTestBase")}), 0);
  EXPECT_EQ(controller.FileName(), QStringLiteral("TLangTestBase.Lng"));
  EXPECT_EQ(sample.Form.Caption(), QStringLiteral("退货"));
  EXPECT_EQ(GetLangMessage(dtClient, QStringLiteral("TLangTestBase"), QStringLiteral("sQuery"), QStringLiteral("查询")),
            QStringLiteral("查询"));
  if (wroteStray)
    QFile::remove(stray);
}

TEST_F(LanguageControllerTest, PackageNameChangeDeactivates) {
  UseCodePages("936", "437", "936");
  WriteLang("ENG", "TA", "<TA/>");
  WriteLang("ENG", "TB", "<TB/>");
  TQxLangController controller;
  controller.SetLangPackageName(QStringLiteral("TA"));
  EXPECT_EQ(controller.FileName(), LangFolder("ENG") + QStringLiteral("TA.Lng"));
  controller.SetActive(true);
  controller.SetLangPackageName(QStringLiteral("TA"));
  EXPECT_TRUE(controller.Active());
  controller.SetLangPackageName(QStringLiteral("TB"));
  EXPECT_FALSE(controller.Active());
  EXPECT_EQ(controller.FileName(), LangFolder("ENG") + QStringLiteral("TB.Lng"));
}

TEST_F(LanguageControllerTest, MessageLookup) {
  UseCodePages("936", "437", "936");
  WriteLang("ENG", "TfrmSingle",
            "<?xml version=\"1.0\"?><TfrmSingle><sQuery Msg=\"Query\"/><sQuery Msg=\"Second\"/>"
            "<sGridHint/><nested><sGridHint Msg=\"Grid hint\"/></nested><sEmpty Msg=\"\"/></TfrmSingle>");
  WriteLang("ENG", "TBroken", "<TBroken><sQuery Msg=\"x\"></TBroken>");
  const struct {
    const char* package;
    const char* key;
    const char* expected;
  } cases[] = {
      {"TfrmSingle", "sQuery", "Query"},           // the first of a duplicate key
      {"TfrmSingle", "sGridHint", "Grid hint"},    // the first element that has the text
      {"TfrmSingle", "sEmpty", ""},                // an empty text is a text
      {"TfrmSingle", "sMissing", "default"},       // missing key
      {"TNoSuchPackage", "sQuery", "default"},     // missing file
      {"TBroken", "sQuery", "default"},            // file that does not parse
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetLangMessage(dtClient, QLatin1String(c.package), QLatin1String(c.key), QStringLiteral("default")),
              QString::fromUtf8(c.expected))
        << c.package << "/" << c.key;
}

TEST_F(LanguageControllerTest, FilesDeclaredInChineseCodePagesAreRead) {
  UseCodePages("936", "950", "936");
  const QByteArray gb = QByteArray("<?xml version=\"1.0\" encoding=\"GB2312\"?><TfrmSingle><sQuery Msg=\"") +
                        QByteArray("\xB2\xE9\xD1\xAF") + "\"/></TfrmSingle>";
  const QByteArray big5 = QByteArray("<?xml version=\"1.0\" encoding=\"big5\"?><TfrmBig5><sQuery Msg=\"") +
                          QByteArray("\xAC\x64\xB8\xDF") + "\"/></TfrmBig5>";
  WriteFileBytes(LangFolder("CHT") + QStringLiteral("TfrmSingle.Lng"), gb);
  WriteFileBytes(LangFolder("CHT") + QStringLiteral("TfrmBig5.Lng"), big5);
  EXPECT_EQ(GetLangMessage(dtClient, QStringLiteral("TfrmSingle"), QStringLiteral("sQuery"), QString()),
            QStringLiteral("查询"));
  EXPECT_EQ(GetLangMessage(dtClient, QStringLiteral("TfrmBig5"), QStringLiteral("sQuery"), QString()),
            QStringLiteral("查詢"));
}

}  // namespace
}  // namespace vantor::test
