// The controller keeps the shell informed by watching the form's events rather
// than owning its event loop: the form may be closed by the user at any time,
// and the controller must then drop its reference on its own.
#include "entry/DLLMTCtrller.h"

#include <QCloseEvent>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QVBoxLayout>

namespace vantor {

class TDLLMTCtrller::TFormHook : public QObject {
public:
  explicit TFormHook(TDLLMTCtrller* owner) : owner_(owner) {}

protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    switch (e->type()) {
      case QEvent::Show: owner_->DoFormShow(watched); break;
      case QEvent::Hide: owner_->DoFormHide(watched); break;
      case QEvent::Close: {
        int action = 0;
        owner_->DoFormClose(watched, action);
        break;
      }
      default: break;
    }
    return false;
  }

private:
  TDLLMTCtrller* owner_;
};

TDLLMTCtrller::TDLLMTCtrller() : hook_(new TFormHook(this)) {}

TDLLMTCtrller::~TDLLMTCtrller() {
  if (Form) FreeForm(0);
  delete hook_;
}

void TDLLMTCtrller::GetVersion(QString& version) {
  if (Form) version = Form->property("Version").toString();
}

bool TDLLMTCtrller::GetVisible() { return Form && Form->isVisible(); }

void TDLLMTCtrller::SetVisible(bool flag) {
  if (!Form) return;
  Form->setVisible(flag);
  if (flag) {
    if (Form->isMinimized()) Form->showNormal();
    Form->raise();
    Form->activateWindow();
  }
}

quintptr TDLLMTCtrller::GetHandle() { return Form ? quintptr(Form->winId()) : 0; }

int TDLLMTCtrller::CreateForm(const QVariant& loginArray) {
  loginArray_ = loginArray;
  if (!Form) {
    // The program's window proper arrives with the form framework; until then
    // the module shows an empty window with the program's title.
    auto* form = new QWidget;
    form->setObjectName(QStringLiteral("frmRtni01"));
    form->setWindowTitle(QStringLiteral("RTNI01 委外验退"));
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setProperty("Version", QStringLiteral("880624-0.00.01"));
    auto* layout = new QVBoxLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("委外验退"), form));
    form->resize(800, 560);
    Form = form;
    QObject::connect(form, &QObject::destroyed, [this](QObject* sender) { DoFormDestroy(sender); });
    DoFormCreated();
  }
  Form->installEventFilter(hook_);
  return 0;
}

int TDLLMTCtrller::SetParams(const QVariant&) { return Form ? 0 : -1; }

int TDLLMTCtrller::SetRunMode(int, quint32, const QVariant&) { return Form ? 0 : -1; }

void TDLLMTCtrller::ShowFormModal(QVariant& result) {
  if (!Form) return;
  QEventLoop loop;
  QObject::connect(Form.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
  Form->setWindowModality(Qt::ApplicationModal);
  Form->show();
  loop.exec();
  result = FormReturnValue;
  FreeForm(0);
}

void TDLLMTCtrller::FreeForm(quint32 silent) {
  if (!Form) return;
  if (silent == 0) {
    int action = 0;
    DoFormClose(Form, action);
  }
  delete Form.data();
}

int TDLLMTCtrller::GetLoginInfo(QVariant& info) {
  if (!Form) return -1;
  const QVariantList login = loginArray_.toList();
  info = QVariantList{login.value(0), login.value(1), QStringLiteral("RTNI01"), QStringLiteral("委外验退")};
  return 0;
}

bool TDLLMTCtrller::IsFormFreed() { return !Form; }

}  // namespace vantor
