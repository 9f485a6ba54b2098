// The dialog host: the message box a request builds, the modal results of
// its buttons, running forms modally, and which host is current.
#include "platform/os/Exceptions.h"
#include "platform/ui/DefaultDialogHost.h"
#include "platform/ui/DialogHost.h"
#include "util/QtPrinters.h"
#include "util/ScriptedDialogHost.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace vantor;

namespace {

const TMsgDlgBtn kAllButtons[] = {mbYes, mbNo,       mbOK,       mbCancel, mbAbort, mbRetry,
                                  mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp};

struct BoxCase {
  const char* Name;
  TMessageRequest Request;
  std::optional<TMsgDlgBtn> Default;
  std::optional<TMsgDlgBtn> Escape;
  QMessageBox::Icon Icon;
  QString Title;
};

TMessageRequest Request(TMsgDlgType type, TMsgDlgButtons buttons, std::optional<TMsgDlgBtn> defaultButton,
                        const QString& caption = QString()) {
  TMessageRequest r;
  r.DlgType = type;
  r.Text = QStringLiteral("资料不存在!");
  r.Caption = caption;
  r.Buttons = buttons;
  r.DefaultButton = defaultButton;
  return r;
}

TMessageRequest ChineseQuestion() {
  TMessageRequest r = Request(mtError, {mbYes, mbNo, mbCancel, mbYesToAll}, std::nullopt, "委外验退");
  r.ButtonCaptions = {{mbYes, "是(&Y)"}, {mbNo, "否(&N)"}, {mbCancel, "取消"}, {mbYesToAll, "全部是"}};
  r.FontFamily = "SimSun";
  r.Charset = GB2312_CHARSET;
  return r;
}

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.Name; }

const BoxCase kBoxCases[] = {
    {"QuestionWithoutDefault", ChineseQuestion(), std::nullopt, mbCancel, QMessageBox::Critical, "委外验退"},
    {"ErrorOk", Request(mtError, {mbOK}, mbOK), mbOK, mbOK, QMessageBox::Critical, "Error"},
    {"WarningOkCancel", Request(mtWarning, mbOKCancel, mbOK), mbOK, mbCancel, QMessageBox::Warning, "Warning"},
    {"ConfirmationYesNo", Request(mtConfirmation, {mbYes, mbNo}, mbNo, "Q"), mbNo, mbNo, QMessageBox::Question,
     "Q"},
    {"DefaultNotInSetIgnored", Request(mtWarning, mbYesNoCancel, mbOK), std::nullopt, mbCancel,
     QMessageBox::Warning, "Warning"},
    {"InformationAllButtons", Request(mtInformation, {mbAll, mbNoToAll, mbHelp}, mbAll), mbAll, std::nullopt,
     QMessageBox::Information, "Information"},
    {"CustomNoIcon", Request(mtCustom, mbAbortRetryIgnore, mbRetry, "C"), mbRetry, std::nullopt,
     QMessageBox::NoIcon, "C"},
};

class MessageBoxBuildTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxBuildTest, BoxHasRequestedButtonsAndDefault) {
  const BoxCase& c = GetParam();
  const std::unique_ptr<QMessageBox> box = TDefaultDialogHost::BuildMessageBox(c.Request);
  EXPECT_EQ(box->text(), c.Request.Text);
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
  EXPECT_EQ(box->windowTitle(), c.Title);
  EXPECT_EQ(box->icon(), c.Icon);
  EXPECT_EQ(box->buttons().size(), c.Request.Buttons.ToList().size());
  for (TMsgDlgBtn b : kAllButtons) {
    auto* button = qobject_cast<QPushButton*>(TDefaultDialogHost::ButtonOf(*box, b));
    ASSERT_EQ(button != nullptr, c.Request.Buttons.Contains(b)) << ButtonName(b).toStdString();
    if (!button)
      continue;
    if (c.Request.ButtonCaptions.contains(b)) {
      EXPECT_EQ(button->text(), c.Request.ButtonCaptions.value(b));
    }
    EXPECT_EQ(button->isDefault(), c.Default == b) << ButtonName(b).toStdString();
    EXPECT_FALSE(button->autoDefault()) << "no button may become default by focus";
  }
  EXPECT_EQ(box->defaultButton(), c.Default ? TDefaultDialogHost::ButtonOf(*box, *c.Default) : nullptr);
  // Showing must not make another button the default behind the request's back.
  box->show();
  for (QAbstractButton* button : box->buttons())
    EXPECT_EQ(qobject_cast<QPushButton*>(button)->isDefault(), c.Default && button == TDefaultDialogHost::ButtonOf(*box, *c.Default))
        << button->text().toStdString();
  box->hide();
  if (c.Escape) {
    EXPECT_EQ(box->escapeButton(), TDefaultDialogHost::ButtonOf(*box, *c.Escape));
  }
}

INSTANTIATE_TEST_SUITE_P(Table, MessageBoxBuildTest, ::testing::ValuesIn(kBoxCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(MessageBoxBuildTest, FontAndOwner) {
  QWidget owner;
  TMessageRequest r = ChineseQuestion();
  r.Owner = &owner;
  const std::unique_ptr<QMessageBox> box = TDefaultDialogHost::BuildMessageBox(r);
  EXPECT_EQ(box->parentWidget(), &owner);
  const QStringList families = box->font().families();
  ASSERT_FALSE(families.isEmpty());
  EXPECT_EQ(families.first(), "SimSun");
  EXPECT_TRUE(families.contains("Noto Sans CJK SC"));

  const std::unique_ptr<QMessageBox> plain = TDefaultDialogHost::BuildMessageBox(Request(mtError, {mbOK}, mbOK));
  EXPECT_FALSE(plain->font().families().contains("SimSun"));
  EXPECT_EQ(plain->parentWidget(), nullptr);
}

TEST(MessageBoxResultTest, EachButtonGivesItsModalResult) {
  const TModalResult expected[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry,
                                   mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
  TMsgDlgButtons all;
  for (TMsgDlgBtn b : kAllButtons)
    all.Include(b);
  for (TMsgDlgBtn b : kAllButtons) {
    EXPECT_EQ(ModalResultOfButton(b), expected[b]);
    const std::unique_ptr<QMessageBox> box = TDefaultDialogHost::BuildMessageBox(Request(mtCustom, all, mbOK));
    TDefaultDialogHost::ButtonOf(*box, b)->click();
    EXPECT_EQ(TDefaultDialogHost::ResultOf(*box), expected[b]) << ButtonName(b).toStdString();
  }
  const std::unique_ptr<QMessageBox> untouched = TDefaultDialogHost::BuildMessageBox(Request(mtCustom, all, mbOK));
  EXPECT_EQ(TDefaultDialogHost::ResultOf(*untouched), mrCancel);
}

TEST(MessageBoxResultTest, DefaultHostRunsTheBox) {
  TDefaultDialogHost host;
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
        TDefaultDialogHost::ButtonOf(*box, mbNo)->click();
        return;
      }
    }
    ADD_FAILURE() << "the message box is not shown";
  });
  EXPECT_EQ(host.MessageDlg(Request(mtConfirmation, mbYesNoCancel, mbYes)), mrNo);
}

TEST(ButtonRulesTest, StandardDefaultAndCancelButtons) {
  const struct {
    TMsgDlgButtons Buttons;
    std::optional<TMsgDlgBtn> Default;
    std::optional<TMsgDlgBtn> Cancel;
  } cases[] = {
      {mbOKCancel, mbOK, mbCancel},       {mbYesNoCancel, mbYes, mbCancel}, {{mbYes, mbNo}, mbYes, mbNo},
      {mbAbortRetryIgnore, mbRetry, std::nullopt}, {{mbNo}, std::nullopt, mbNo}, {{}, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StandardDefaultButton(c.Buttons), c.Default) << c.Buttons.Bits();
    EXPECT_EQ(StandardCancelButton(c.Buttons), c.Cancel) << c.Buttons.Bits();
  }
  EXPECT_EQ(ButtonName(mbNoToAll), "NoToAll");
  EXPECT_EQ(TMsgDlgButtons({mbHelp, mbYes}).ToList(), QList<TMsgDlgBtn>({mbYes, mbHelp}));
}

// Modal forms on the default host. Each test arranges, before ShowModal,
// what the "user" does once the form is up.
class ShowModalTest : public ::testing::Test {
protected:
  template <class Action>
  void WhenShown(Action action) {
    QTimer::singleShot(0, action);
  }
  TDefaultDialogHost host_;
};

TEST_F(ShowModalTest, FormSetsModalResult) {
  QWidget form;
  form.setWindowModality(Qt::WindowModal);
  WhenShown([&] {
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), &form);
    SetModalResult(&form, mrYes);
  });
  EXPECT_EQ(host_.ShowModal(&form, "TfrmTest"), mrYes);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.windowModality(), Qt::WindowModal) << "modality is put back";
  EXPECT_EQ(ModalResultOf(&form), mrYes);
}

TEST_F(ShowModalTest, ClosingGivesCancel) {
  QWidget form;
  SetModalResult(&form, mrOk);  // left over from an earlier run: reset by ShowModal
  WhenShown([&] { form.close(); });
  EXPECT_EQ(host_.ShowModal(&form, "TfrmTest"), mrCancel);
}

TEST_F(ShowModalTest, DialogResults) {
  const struct {
    std::function<void(QDialog&)> Action;
    TModalResult Expected;
  } cases[] = {
      {[](QDialog& d) { d.accept(); }, mrOk},
      {[](QDialog& d) { d.reject(); }, mrCancel},
      {[](QDialog& d) { d.done(mrRetry); }, mrRetry},
      {[](QDialog& d) { SetModalResult(&d, mrNoToAll); }, mrNoToAll},
  };
  for (const auto& c : cases) {
    QDialog dialog;
    WhenShown([&] { c.Action(dialog); });
    EXPECT_EQ(host_.ShowModal(&dialog, "QDialog"), c.Expected);
  }
}

TEST_F(ShowModalTest, FormDeletedWhileModal) {
  auto* form = new QWidget;
  form->setAttribute(Qt::WA_DeleteOnClose);
  WhenShown([&] {
    SetModalResult(form, mrAbort);
  });
  EXPECT_EQ(host_.ShowModal(form, "TfrmTest"), mrAbort);
  form->close();  // deletes it

  auto* doomed = new QWidget;
  WhenShown([&] { delete doomed; });
  EXPECT_EQ(host_.ShowModal(doomed, "TfrmTest"), mrCancel);
}

TEST_F(ShowModalTest, ResultSetWhileShowingEndsAtOnce) {
  class TQuickForm : public QWidget {
  protected:
    void showEvent(QShowEvent*) override { SetModalResult(this, mrIgnore); }
  } form;
  EXPECT_EQ(host_.ShowModal(&form, "TQuickForm"), mrIgnore);
}

TEST_F(ShowModalTest, VisibleFormAndNullForm) {
  QWidget form;
  form.show();
  EXPECT_THROW(host_.ShowModal(&form, "TfrmTest"), EInvalidOperation);
  EXPECT_EQ(ShowModal(nullptr), mrNone);
}

TEST(CurrentHostTest, ScopesInstallAndRestore) {
  TDialogHost* original = TDialogHost::Current();
  ASSERT_NE(dynamic_cast<TDefaultDialogHost*>(original), nullptr) << "without a scope the default host serves";
  TDefaultDialogHost first;
  TDefaultDialogHost second;
  {
    TDialogHostScope outer(&first);
    EXPECT_EQ(TDialogHost::Current(), &first);
    {
      TDialogHostScope inner(&second);
      EXPECT_EQ(TDialogHost::Current(), &second);
    }
    EXPECT_EQ(TDialogHost::Current(), &first);
  }
  EXPECT_EQ(TDialogHost::Current(), original);
}

TEST(CurrentHostTest, CallsGoToTheCurrentHost) {
  TScriptedDialogHost dialogs;
  dialogs.Answer(mrYes).Answer(mrRetry).Answer(mrOk).Answer(mrOk);
  EXPECT_EQ(MessageDlg("Save?", mtConfirmation, {mbYes, mbNo}), mrYes);
  EXPECT_EQ(MessageDlg("Disk", mtError, mbAbortRetryIgnore), mrRetry);
  ShowMessage("Done");
  QDialog form;
  EXPECT_EQ(ShowModal(&form), mrOk);

  const auto& r = dialogs.Records();
  ASSERT_EQ(r.size(), 4);
  EXPECT_EQ(r[0].Message.DlgType, mtConfirmation);
  EXPECT_EQ(r[0].Message.DefaultButton, mbYes);
  EXPECT_EQ(r[1].Message.DefaultButton, mbRetry);
  EXPECT_EQ(r[1].Message.Buttons, mbAbortRetryIgnore);
  EXPECT_EQ(r[2].Message.DlgType, mtCustom);
  EXPECT_EQ(r[2].Message.Buttons, TMsgDlgButtons({mbOK}));
  EXPECT_EQ(r[3].Kind, "QDialog") << "a form's kind defaults to its class name";
  EXPECT_EQ(r[3].Form, &form);
}

}  // namespace
