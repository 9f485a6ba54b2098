// The scripted dialog host of tests.
#include "util/ScriptedDialogHost.h"

#include <gtest/gtest.h>

namespace vantor {

QString TDialogRecord::Text() const {
  if (Kind == kMessageKind)
    return Message.Text;
  return Form ? Form->windowTitle() : QString();
}

TScriptedDialogHost::TScriptedDialogHost() : scope_(this) {}

TScriptedDialogHost::~TScriptedDialogHost() { ExpectAllAnswered(); }

TScriptedDialogHost& TScriptedDialogHost::Answer(TModalResult result) { return Expect(QString(), result); }

TScriptedDialogHost& TScriptedDialogHost::Answer(TDialogAnswer answer) {
  return Expect(QString(), std::move(answer));
}

TScriptedDialogHost& TScriptedDialogHost::Expect(const QString& kind, TModalResult result) {
  return Expect(kind, [result](TDialogRecord&) { return result; });
}

TScriptedDialogHost& TScriptedDialogHost::Expect(const QString& kind, TDialogAnswer answer) {
  answers_.append({kind, std::move(answer)});
  return *this;
}

void TScriptedDialogHost::ExpectAllAnswered() {
  for (const TScriptedAnswer& left : answers_)
    ADD_FAILURE() << "A scripted dialog answer was never asked for"
                  << (left.Kind.isEmpty() ? std::string() : " (kind " + left.Kind.toStdString() + ")");
  answers_.clear();
}

void TScriptedDialogHost::Clear() {
  answers_.clear();
  records_.clear();
}

TModalResult TScriptedDialogHost::MessageDlg(const TMessageRequest& request) {
  TDialogRecord record;
  record.Kind = kMessageKind;
  record.Message = request;
  return Respond(std::move(record));
}

TModalResult TScriptedDialogHost::ShowModal(QWidget* form, const QString& kind) {
  TDialogRecord record;
  record.Kind = kind;
  record.Form = form;
  const TModalResult result = Respond(std::move(record));
  // The window learns its result as it would from the real host.
  SetModalResult(form, result);
  return result;
}

TModalResult TScriptedDialogHost::Respond(TDialogRecord record) {
  // Replies may open further dialogs, which append records: keep the index,
  // never a reference.
  const qsizetype index = records_.size();
  records_.append(record);
  TModalResult result = mrCancel;
  if (answers_.isEmpty()) {
    ADD_FAILURE() << "Unexpected dialog (" << record.Kind.toStdString() << "): " << record.Text().toStdString();
  } else if (const TScriptedAnswer answer = answers_.takeFirst(); !answer.Kind.isEmpty() && answer.Kind != record.Kind) {
    ADD_FAILURE() << "Expected a dialog of kind " << answer.Kind.toStdString() << ", got ("
                  << record.Kind.toStdString() << "): " << record.Text().toStdString();
  } else {
    result = answer.Reply(record);
  }
  records_[index].Result = result;
  return result;
}

}  // namespace vantor
