// TDefaultDialogHost: the dialog host of a real session, showing Qt dialogs.
// A message box is built by BuildMessageBox and then run; building is kept
// apart so that the box a request makes (buttons, default, captions, icon,
// font) can be inspected without running it.
#pragma once

#include "platform/ui/DialogHost.h"

#include <memory>

class QAbstractButton;
class QMessageBox;

namespace vantor {

class TDefaultDialogHost : public TDialogHost {
public:
  TModalResult MessageDlg(const TMessageRequest& request) override;
  TModalResult ShowModal(QWidget* form, const QString& kind) override;

  static std::unique_ptr<QMessageBox> BuildMessageBox(const TMessageRequest& request);
  // The box's button for a library button, or null when it has none.
  static QAbstractButton* ButtonOf(const QMessageBox& box, TMsgDlgBtn button);
  // The modal result of the button the user pressed (mrCancel when the box
  // was closed without one).
  static TModalResult ResultOf(const QMessageBox& box);
  // The caption a box of that type has when the request names none.
  static QString StandardCaption(TMsgDlgType type);
};

}  // namespace vantor
