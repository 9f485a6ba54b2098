// TDialogHost: the one door through which every message box and every modal
// window of the program passes. Code asks the current host; the default host
// shows real Qt dialogs, a test installs a scripted host that records what
// was asked and answers from its script. Nothing else calls QMessageBox or
// exec() directly, so every dialog can be seen and answered in a test.
//
// Dialog types, buttons and modal results carry the component library's
// numbers, because stored settings and the rules compare them.
//
// How a modal window reports its result: a form sets the dynamic property
// "ModalResult" to a non-zero modal result (SetModalResult(this, mrOk) does
// exactly that); the host then hides the form and ShowModal returns that
// number. Closing or hiding the form otherwise ends it with mrCancel, or for a
// QDialog with its result() when that is not 0 (accept() gives mrOk).
// ShowModal sets "ModalResult" to 0 before it shows the form. The property
// must stay dynamic: a form class must not declare a Q_PROPERTY of that name.
#pragma once

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <initializer_list>
#include <optional>

namespace vantor {

enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

enum TMsgDlgBtn {
  mbYes = 0, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp
};
inline constexpr int kMsgDlgBtnCount = mbHelp + 1;

// A set of buttons, one bit per TMsgDlgBtn.
class TMsgDlgButtons {
public:
  constexpr TMsgDlgButtons() = default;
  constexpr TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
    for (TMsgDlgBtn b : buttons)
      bits_ |= Bit(b);
  }
  constexpr bool Contains(TMsgDlgBtn b) const { return (bits_ & Bit(b)) != 0; }
  constexpr TMsgDlgButtons& Include(TMsgDlgBtn b) { bits_ |= Bit(b); return *this; }
  constexpr TMsgDlgButtons& Exclude(TMsgDlgBtn b) { bits_ &= ~Bit(b); return *this; }
  constexpr bool IsEmpty() const { return bits_ == 0; }
  constexpr unsigned Bits() const { return bits_; }
  // The buttons in the library's order (Yes, No, OK, Cancel, ...).
  QList<TMsgDlgBtn> ToList() const;
  constexpr bool operator==(const TMsgDlgButtons&) const = default;

private:
  static constexpr unsigned Bit(TMsgDlgBtn b) { return 1u << unsigned(b); }
  unsigned bits_ = 0;
};

inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

using TModalResult = int;
enum : int {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
  mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10
};

// The modal result a button gives (mbHelp gives mrNone).
TModalResult ModalResultOfButton(TMsgDlgBtn button);
// The button's name: "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore",
// "All", "NoToAll", "YesToAll", "Help".
QString ButtonName(TMsgDlgBtn button);
// The component library's choice: OK if present, else Yes, else Retry if
// present, else none.
std::optional<TMsgDlgBtn> StandardDefaultButton(TMsgDlgButtons buttons);
// The button Escape presses: Cancel, else No, else OK, if present.
std::optional<TMsgDlgBtn> StandardCancelButton(TMsgDlgButtons buttons);

// Character sets that a request may name for its font.
inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int GB2312_CHARSET = 134;
inline constexpr int CHINESEBIG5_CHARSET = 136;

struct TMessageRequest {
  TMsgDlgType DlgType = mtInformation;
  QString Text;
  QString Caption;  // empty: the dialog type's usual caption
  TMsgDlgButtons Buttons{mbOK};
  std::optional<TMsgDlgBtn> DefaultButton = mbOK;  // none: no button is default
  QMap<TMsgDlgBtn, QString> ButtonCaptions;        // replaces the usual text
  QString FontFamily;                              // empty: the usual font
  int Charset = DEFAULT_CHARSET;
  QPointer<QWidget> Owner;

  // A request as the library's MessageDlg builds it.
  static TMessageRequest Standard(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons);
};

class TDialogHost {
public:
  virtual ~TDialogHost() = default;
  virtual TModalResult MessageDlg(const TMessageRequest& request) = 0;
  // Runs the form modally; kind names the window for hosts that script it.
  virtual TModalResult ShowModal(QWidget* form, const QString& kind) = 0;

  // The host in charge now: the last installed one, else the default host.
  static TDialogHost* Current();
  // Makes host current (null: the default host); returns the previous one.
  static TDialogHost* Install(TDialogHost* host);
};

// Installs a host for the lifetime of the scope, then puts the previous back.
class TDialogHostScope {
public:
  explicit TDialogHostScope(TDialogHost* host) : previous_(TDialogHost::Install(host)) {}
  ~TDialogHostScope() { TDialogHost::Install(previous_); }
  TDialogHostScope(const TDialogHostScope&) = delete;
  TDialogHostScope& operator=(const TDialogHostScope&) = delete;

private:
  TDialogHost* previous_;
};

// The calls the program makes; each goes to the current host.
TModalResult MessageDlg(const TMessageRequest& request);
TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);
void ShowMessage(const QString& text);
// kind defaults to the form's class name.
TModalResult ShowModal(QWidget* form, const QString& kind = QString());

void SetModalResult(QWidget* form, TModalResult result);
TModalResult ModalResultOf(const QWidget* form);

}  // namespace vantor
