// The default dialog host: QMessageBox for messages, a local event loop for
// modal forms.
#include "platform/ui/DefaultDialogHost.h"

#include "platform/os/Exceptions.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDynamicPropertyChangeEvent>
#include <QEventLoop>
#include <QFont>
#include <QMessageBox>
#include <QPushButton>
#include <QVariant>

namespace vantor {

namespace {

const char* const kButtonProperty = "MsgDlgBtn";

QPushButton* AddButton(QMessageBox& box, TMsgDlgBtn button) {
  static const QMessageBox::StandardButton standard[kMsgDlgBtnCount] = {
      QMessageBox::Yes,    QMessageBox::No,     QMessageBox::Ok,      QMessageBox::Cancel,
      QMessageBox::Abort,  QMessageBox::Retry,  QMessageBox::Ignore,  QMessageBox::NoButton,
      QMessageBox::NoToAll, QMessageBox::YesToAll, QMessageBox::Help};
  QPushButton* added = standard[button] == QMessageBox::NoButton
                           ? box.addButton(QCoreApplication::translate("TDialogHost", "&All"), QMessageBox::AcceptRole)
                           : box.addButton(standard[button]);
  added->setProperty(kButtonProperty, int(button));
  return added;
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
  }
}

// The requested family first; then, for a Chinese character set, fonts that
// hold its characters, since the family a request names is often one of
// another platform.
QStringList FontFamilies(const TMessageRequest& request) {
  QStringList families;
  if (!request.FontFamily.isEmpty())
    families.append(request.FontFamily);
  if (request.Charset == GB2312_CHARSET)
    families << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("WenQuanYi Micro Hei");
  else if (request.Charset == CHINESEBIG5_CHARSET)
    families << QStringLiteral("Noto Sans CJK TC") << QStringLiteral("WenQuanYi Micro Hei");
  return families;
}

// Runs one form modally and collects its result; see DialogHost.h for the
// protocol between form and host.
class TModalLoop : public QObject {
public:
  explicit TModalLoop(QWidget* form) : form_(form) {
    connect(form, &QObject::destroyed, this, [this] { Finish(result_ ? result_ : mrCancel); });
  }

  TModalResult Run() {
    const Qt::WindowModality modality = form_->windowModality();
    SetModalResult(form_, mrNone);
    form_->installEventFilter(this);
    form_->setWindowModality(Qt::ApplicationModal);
    form_->show();
    if (!done_)
      loop_.exec(QEventLoop::DialogExec);
    if (form_) {
      form_->removeEventFilter(this);
      form_->hide();
      form_->setWindowModality(modality);
    }
    return result_;
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != form_ || done_)
      return false;
    if (event->type() == QEvent::DynamicPropertyChange) {
      auto* change = static_cast<QDynamicPropertyChangeEvent*>(event);
      const TModalResult result = ModalResultOf(form_);
      if (change->propertyName() == "ModalResult" && result != mrNone)
        Finish(result);
    } else if (event->type() == QEvent::Hide && !event->spontaneous()) {
      Finish(ResultOnHide());
    }
    return false;
  }

private:
  TModalResult ResultOnHide() const {
    if (const TModalResult result = ModalResultOf(form_))
      return result;
    if (auto* dialog = qobject_cast<QDialog*>(form_.data()); dialog && dialog->result() != 0)
      return dialog->result();
    return mrCancel;
  }

  void Finish(TModalResult result) {
    if (done_)
      return;
    done_ = true;
    result_ = result;
    loop_.exit();
  }

  QPointer<QWidget> form_;
  QEventLoop loop_;
  bool done_ = false;
  TModalResult result_ = mrNone;
};

}  // namespace

QString TDefaultDialogHost::StandardCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return QCoreApplication::translate("TDialogHost", "Warning");
    case mtError: return QCoreApplication::translate("TDialogHost", "Error");
    case mtInformation: return QCoreApplication::translate("TDialogHost", "Information");
    case mtConfirmation: return QCoreApplication::translate("TDialogHost", "Confirm");
    default: return QCoreApplication::applicationName();
  }
}

std::unique_ptr<QMessageBox> TDefaultDialogHost::BuildMessageBox(const TMessageRequest& request) {
  auto box = std::make_unique<QMessageBox>(request.Owner.data());
  box->setIcon(IconOf(request.DlgType));
  box->setWindowTitle(request.Caption.isEmpty() ? StandardCaption(request.DlgType) : request.Caption);
  box->setTextFormat(Qt::PlainText);  // a message is text, never markup
  box->setText(request.Text);
  for (TMsgDlgBtn button : request.Buttons.ToList()) {
    QPushButton* added = AddButton(*box, button);
    if (request.ButtonCaptions.contains(button))
      added->setText(request.ButtonCaptions.value(button));
    added->setAutoDefault(false);  // only the requested default may be one
  }
  if (request.DefaultButton && request.Buttons.Contains(*request.DefaultButton)) {
    auto* defaultButton = qobject_cast<QPushButton*>(ButtonOf(*box, *request.DefaultButton));
    box->setDefaultButton(defaultButton);
    defaultButton->setFocus();
  }
  if (const auto cancel = StandardCancelButton(request.Buttons))
    box->setEscapeButton(ButtonOf(*box, *cancel));
  const QStringList families = FontFamilies(request);
  if (!families.isEmpty()) {
    QFont font = box->font();
    font.setFamilies(families);
    box->setFont(font);
  }
  return box;
}

QAbstractButton* TDefaultDialogHost::ButtonOf(const QMessageBox& box, TMsgDlgBtn button) {
  for (QAbstractButton* candidate : box.buttons()) {
    const QVariant tag = candidate->property(kButtonProperty);
    if (tag.isValid() && tag.toInt() == int(button))
      return candidate;
  }
  return nullptr;
}

TModalResult TDefaultDialogHost::ResultOf(const QMessageBox& box) {
  const QAbstractButton* clicked = box.clickedButton();
  const QVariant tag = clicked ? clicked->property(kButtonProperty) : QVariant();
  return tag.isValid() ? ModalResultOfButton(TMsgDlgBtn(tag.toInt())) : mrCancel;
}

TModalResult TDefaultDialogHost::MessageDlg(const TMessageRequest& request) {
  std::unique_ptr<QMessageBox> box = BuildMessageBox(request);
  box->exec();
  return ResultOf(*box);
}

TModalResult TDefaultDialogHost::ShowModal(QWidget* form, const QString& /*kind*/) {
  if (!form)
    return mrNone;
  if (form->isVisible())
    throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
  TModalLoop loop(form);
  return loop.Run();
}

}  // namespace vantor
