// TScriptedDialogHost: the dialog host of tests. While it lives it is the
// current host; it records every message box and modal window that code
// asks for and answers each from a queue written by the test. A request the
// script did not foresee fails the running test with the request's text and
// is answered mrCancel; answers left over when the host is destroyed (or
// when ExpectAllAnswered is called) fail the test too.
//
//   TScriptedDialogHost dialogs;
//   dialogs.Expect(kMessageKind, mrYes);
//   dialogs.Expect("TfrmSearch", [](TDialogRecord& r) { Fill(r.Form); return mrOk; });
#pragma once

#include "platform/ui/DialogHost.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <functional>

namespace vantor {

// The kind under which message boxes are recorded.
inline const QString kMessageKind = QStringLiteral("Message");

struct TDialogRecord {
  QString Kind;              // kMessageKind or the modal window's kind
  TMessageRequest Message;   // the request, for a message box
  QPointer<QWidget> Form;    // the window, for a modal window
  TModalResult Result = mrNone;

  // The message text, or the window's title.
  QString Text() const;
};

using TDialogAnswer = std::function<TModalResult(TDialogRecord&)>;

class TScriptedDialogHost : public TDialogHost {
public:
  TScriptedDialogHost();
  ~TScriptedDialogHost() override;

  // The next request, whatever it is, gets this answer.
  TScriptedDialogHost& Answer(TModalResult result);
  TScriptedDialogHost& Answer(TDialogAnswer answer);
  // The next request must be of this kind (else the test fails).
  TScriptedDialogHost& Expect(const QString& kind, TModalResult result);
  TScriptedDialogHost& Expect(const QString& kind, TDialogAnswer answer);

  const QList<TDialogRecord>& Records() const { return records_; }
  const TDialogRecord& Last() const { return records_.last(); }
  qsizetype PendingAnswers() const { return answers_.size(); }
  // Fails the test for every answer not yet used, then drops them.
  void ExpectAllAnswered();
  void Clear();

  TModalResult MessageDlg(const TMessageRequest& request) override;
  TModalResult ShowModal(QWidget* form, const QString& kind) override;

private:
  struct TScriptedAnswer {
    QString Kind;  // empty: any
    TDialogAnswer Reply;
  };
  TModalResult Respond(TDialogRecord record);

  QList<TScriptedAnswer> answers_;
  QList<TDialogRecord> records_;
  TDialogHostScope scope_;
};

}  // namespace vantor
