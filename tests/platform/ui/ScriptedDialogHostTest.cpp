// The scripted dialog host that other tests rely on: it must record what was
// asked, answer in order, and fail the test for anything unforeseen.
#include "platform/ui/DialogHost.h"
#include "util/QtPrinters.h"
#include "util/ScriptedDialogHost.h"

#include <QDialog>
#include <QLineEdit>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace vantor;

namespace {

TMessageRequest CodedQuestion() {
  TMessageRequest r;
  r.DlgType = mtError;
  r.Text = QStringLiteral("资料已存在!\n是否继续?");
  r.Caption = QStringLiteral("委外验退");
  r.Buttons = {mbYes, mbNo, mbCancel, mbYesToAll};
  r.DefaultButton = std::nullopt;
  r.ButtonCaptions = {{mbYes, QStringLiteral("是(&Y)")}, {mbNo, QStringLiteral("否(&N)")}};
  return r;
}

TEST(ScriptedDialogHostTest, RecordsEveryDetailOfARequest) {
  TScriptedDialogHost dialogs;
  dialogs.Expect(kMessageKind, mrYesToAll);
  EXPECT_EQ(MessageDlg(CodedQuestion()), mrYesToAll);
  ASSERT_EQ(dialogs.Records().size(), 1);
  const TDialogRecord& r = dialogs.Last();
  EXPECT_EQ(r.Kind, kMessageKind);
  EXPECT_EQ(r.Text(), QStringLiteral("资料已存在!\n是否继续?"));
  EXPECT_EQ(r.Message.Caption, QStringLiteral("委外验退"));
  EXPECT_EQ(r.Message.DlgType, mtError);
  EXPECT_EQ(r.Message.Buttons, TMsgDlgButtons({mbYes, mbNo, mbCancel, mbYesToAll}));
  EXPECT_FALSE(r.Message.DefaultButton.has_value());
  EXPECT_EQ(r.Message.ButtonCaptions.value(mbNo), QStringLiteral("否(&N)"));
  EXPECT_EQ(r.Result, mrYesToAll);
  EXPECT_EQ(r.Form, nullptr);
}

TEST(ScriptedDialogHostTest, AnswersInOrderAndFillsForms) {
  TScriptedDialogHost dialogs;
  QDialog form;
  form.setWindowTitle("Search");
  auto* edit = new QLineEdit(&form);
  dialogs.Answer(mrNo)
      .Expect("TfrmSearch",
              [edit](TDialogRecord& r) {
                EXPECT_EQ(r.Form->windowTitle(), "Search");
                edit->setText("RTNI01");
                return mrOk;
              })
      .Answer(mrCancel);
  EXPECT_EQ(dialogs.PendingAnswers(), 3);
  EXPECT_EQ(MessageDlg("first", mtConfirmation, {mbYes, mbNo}), mrNo);
  EXPECT_EQ(ShowModal(&form, "TfrmSearch"), mrOk);
  EXPECT_EQ(edit->text(), "RTNI01");
  EXPECT_EQ(ModalResultOf(&form), mrOk) << "the form learns its result";
  EXPECT_EQ(MessageDlg("third", mtWarning, mbOKCancel), mrCancel);
  EXPECT_EQ(dialogs.PendingAnswers(), 0);
  ASSERT_EQ(dialogs.Records().size(), 3);
  EXPECT_EQ(dialogs.Records()[1].Kind, "TfrmSearch");
  EXPECT_EQ(dialogs.Records()[1].Text(), "Search");
  EXPECT_EQ(dialogs.Records()[2].Result, mrCancel);
}

TEST(ScriptedDialogHostTest, DialogsOpenedByAnAnswerAreRecordedToo) {
  TScriptedDialogHost dialogs;
  QWidget form;
  dialogs.Expect("TfrmOptions",
                 [](TDialogRecord&) { return MessageDlg("nested", mtWarning, mbOKCancel) == mrOk ? mrOk : mrAbort; })
      .Expect(kMessageKind, mrOk);
  EXPECT_EQ(ShowModal(&form, "TfrmOptions"), mrOk);
  ASSERT_EQ(dialogs.Records().size(), 2);
  EXPECT_EQ(dialogs.Records()[0].Kind, "TfrmOptions");
  EXPECT_EQ(dialogs.Records()[0].Result, mrOk);
  EXPECT_EQ(dialogs.Records()[1].Text(), "nested");
  EXPECT_EQ(dialogs.Records()[1].Result, mrOk);
}

TEST(ScriptedDialogHostTest, UnexpectedRequestFailsTheTest) {
  TScriptedDialogHost dialogs;
  TModalResult result = mrNone;
  EXPECT_NONFATAL_FAILURE(result = MessageDlg("nobody expected this", mtError, {mbOK}),
                          "Unexpected dialog (Message): nobody expected this");
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(dialogs.Last().Result, mrCancel);
}

TEST(ScriptedDialogHostTest, WrongKindFailsTheTest) {
  TScriptedDialogHost dialogs;
  QWidget form;
  form.setWindowTitle("Options");
  dialogs.Expect(kMessageKind, mrOk);
  TModalResult result = mrNone;
  EXPECT_NONFATAL_FAILURE(result = ShowModal(&form, "TfrmOptions"),
                          "Expected a dialog of kind Message, got (TfrmOptions): Options");
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(dialogs.PendingAnswers(), 0);
}

TEST(ScriptedDialogHostTest, LeftoverAnswersFailTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        TScriptedDialogHost dialogs;
        dialogs.Expect("TfrmNeverShown", mrOk);
      },
      "never asked for (kind TfrmNeverShown)");
  TScriptedDialogHost dialogs;
  dialogs.Answer(mrOk);
  EXPECT_NONFATAL_FAILURE(dialogs.ExpectAllAnswered(), "never asked for");
  EXPECT_EQ(dialogs.PendingAnswers(), 0);
}

TEST(ScriptedDialogHostTest, InstallsItselfWhileItLives) {
  TDialogHost* before = TDialogHost::Current();
  {
    TScriptedDialogHost dialogs;
    EXPECT_EQ(TDialogHost::Current(), &dialogs);
  }
  EXPECT_EQ(TDialogHost::Current(), before);
}

}  // namespace
