// The data-aware binding with its plain line edit: filling, typing and
// leaving, refused entries, null versus empty, read-only fields.
#include <gtest/gtest.h>

#include <QTest>

#include "ClientDataSetFixture.h"
#include "platform/os/Exceptions.h"

namespace vantor::test {
namespace {

class BindingLineEditTest : public TItemsTest {
protected:
  void SetUp() override {
    OpenItems(3);
    source.SetDataSet(cds.get());
    binder = std::make_unique<TDataBinder>(&source);
    binder->SetErrorHandler([this](const Exception& e) { errors << e.Message(); });
    binder->Bind(&code, QStringLiteral("CODE"));
    binder->Bind(&qty, QStringLiteral("QTY"));
  }
  void Type(TDBLineEdit& edit, const QString& text) {
    edit.selectAll();
    QTest::keyClicks(&edit, text);
  }
  void Leave(TDBLineEdit& edit) { QTest::keyClick(&edit, Qt::Key_Return); }

  TDataSource source;
  std::unique_ptr<TDataBinder> binder;
  TDBLineEdit code;
  TDBLineEdit qty;
  QStringList errors;
};

TEST_F(BindingLineEditTest, ShowsTheCurrentRecordAndFollowsScrolling) {
  EXPECT_EQ(code.text(), QStringLiteral("C0001"));
  EXPECT_EQ(qty.text(), QStringLiteral("1.5"));
  cds->Next();
  EXPECT_EQ(code.text(), QStringLiteral("C0002"));
  cds->Close();
  EXPECT_EQ(code.text(), QString());
  EXPECT_TRUE(code.isReadOnly());
}

TEST_F(BindingLineEditTest, TypingAndLeavingAssignsTheText) {
  F("QTY")->setProperty("DisplayFormat", QStringLiteral("#,##0.00"));
  Type(qty, QStringLiteral("1234.5"));
  EXPECT_EQ(cds->State(), dsEdit);  // typing starts editing
  Leave(qty);
  EXPECT_DOUBLE_EQ(F("QTY")->AsFloat(), 1234.5);
  EXPECT_EQ(qty.text(), QStringLiteral("1,234.50"));
  cds->Post();
  EXPECT_EQ(cds->ChangeCount(), 1);
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(BindingLineEditTest, ARefusedEntryPutsTheFieldsTextBack) {
  F("CODE")->OnValidate.Set(QStringLiteral("CodeValidate"), [](TField* f) {
    if (f->AsString().startsWith(QLatin1Char('X'))) throw EDatabaseError(QStringLiteral("code X is not allowed"));
  });
  Type(code, QStringLiteral("X1"));
  Leave(code);
  EXPECT_EQ(code.text(), QStringLiteral("C0001"));
  EXPECT_EQ(F("CODE")->AsString(), QStringLiteral("C0001"));
  EXPECT_EQ(errors, QStringList{"code X is not allowed"});
  Type(qty, QStringLiteral("abc"));
  Leave(qty);
  EXPECT_EQ(qty.text(), QStringLiteral("1.5"));
  EXPECT_EQ(errors.size(), 2);
  EXPECT_TRUE(errors.last().contains(QStringLiteral("'abc' is not a valid floating point value")));
}

TEST_F(BindingLineEditTest, NullAndEmptyStayApart) {
  cds->Append();
  EXPECT_TRUE(code.ShowsNull());
  EXPECT_TRUE(VarIsNull(code.EnteredValue()));
  cds->Cancel();
  EXPECT_FALSE(code.ShowsNull());
  Type(code, QStringLiteral("A"));
  QTest::keyClick(&code, Qt::Key_Backspace);
  EXPECT_EQ(code.EnteredValue(), QVariant(QString()));
  Leave(code);
  EXPECT_FALSE(F("CODE")->IsNull());
  EXPECT_EQ(F("CODE")->AsString(), QString());
}

TEST_F(BindingLineEditTest, ReadOnlyFieldsMakeReadOnlyEdits) {
  EXPECT_FALSE(code.isReadOnly());
  F("CODE")->SetReadOnly(true);
  binder->Refresh();
  EXPECT_TRUE(code.isReadOnly());
}

TEST_F(BindingLineEditTest, PostTakesWhatWasTypedButNotYetLeft) {
  Type(code, QStringLiteral("NEWCODE"));
  cds->Post();
  EXPECT_EQ(F("CODE")->AsString(), QStringLiteral("NEWCODE"));
  EXPECT_EQ(cds->State(), dsBrowse);
}

}  // namespace
}  // namespace vantor::test
