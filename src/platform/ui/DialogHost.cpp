// The current dialog host and the calls that go through it.
#include "platform/ui/DialogHost.h"

#include "platform/ui/DefaultDialogHost.h"

#include <QCoreApplication>
#include <QVariant>

namespace vantor {

namespace {

const char* const kModalResultProperty = "ModalResult";

TDialogHost*& InstalledHost() {
  static TDialogHost* host = nullptr;
  return host;
}

}  // namespace

QList<TMsgDlgBtn> TMsgDlgButtons::ToList() const {
  QList<TMsgDlgBtn> list;
  for (int b = 0; b < kMsgDlgBtnCount; ++b)
    if (Contains(TMsgDlgBtn(b)))
      list.append(TMsgDlgBtn(b));
  return list;
}

TModalResult ModalResultOfButton(TMsgDlgBtn button) {
  static const TModalResult results[kMsgDlgBtnCount] = {mrYes,   mrNo,  mrOk,      mrCancel,   mrAbort, mrRetry,
                                                         mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
  return button >= 0 && button < kMsgDlgBtnCount ? results[button] : mrNone;
}

QString ButtonName(TMsgDlgBtn button) {
  static const char* const names[kMsgDlgBtnCount] = {"Yes",   "No",  "OK",      "Cancel",   "Abort", "Retry",
                                                     "Ignore", "All", "NoToAll", "YesToAll", "Help"};
  return button >= 0 && button < kMsgDlgBtnCount ? QString::fromLatin1(names[button]) : QString();
}

std::optional<TMsgDlgBtn> StandardDefaultButton(TMsgDlgButtons buttons) {
  for (TMsgDlgBtn b : {mbOK, mbYes, mbRetry})
    if (buttons.Contains(b))
      return b;
  return std::nullopt;
}

std::optional<TMsgDlgBtn> StandardCancelButton(TMsgDlgButtons buttons) {
  for (TMsgDlgBtn b : {mbCancel, mbNo, mbOK})
    if (buttons.Contains(b))
      return b;
  return std::nullopt;
}

TMessageRequest TMessageRequest::Standard(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  TMessageRequest request;
  request.DlgType = type;
  request.Text = text;
  request.Buttons = buttons;
  request.DefaultButton = StandardDefaultButton(buttons);
  return request;
}

TDialogHost* TDialogHost::Current() {
  if (TDialogHost* host = InstalledHost())
    return host;
  static TDefaultDialogHost defaultHost;
  return &defaultHost;
}

TDialogHost* TDialogHost::Install(TDialogHost* host) {
  TDialogHost* previous = InstalledHost();
  InstalledHost() = host;
  return previous;
}

TModalResult MessageDlg(const TMessageRequest& request) { return TDialogHost::Current()->MessageDlg(request); }

TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int /*helpContext*/) {
  return MessageDlg(TMessageRequest::Standard(text, type, buttons));
}

void ShowMessage(const QString& text) {
  TMessageRequest request = TMessageRequest::Standard(text, mtCustom, {mbOK});
  request.Caption = QCoreApplication::applicationName();
  MessageDlg(request);
}

TModalResult ShowModal(QWidget* form, const QString& kind) {
  if (!form)
    return mrNone;
  const QString name = kind.isEmpty() ? QString::fromLatin1(form->metaObject()->className()) : kind;
  return TDialogHost::Current()->ShowModal(form, name);
}

void SetModalResult(QWidget* form, TModalResult result) {
  if (form)
    form->setProperty(kModalResultProperty, result);
}

TModalResult ModalResultOf(const QWidget* form) {
  return form ? form->property(kModalResultProperty).toInt() : mrNone;
}

}  // namespace vantor
