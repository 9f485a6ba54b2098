// The module's controller: creates the program's window, hooks its show, hide,
// close and destroy events and tells the shell about them.
#pragma once

#include "entry/DLLBaseCtrller.h"

#include <QPointer>
#include <QWidget>

namespace vantor {

class TDLLMTCtrller : public TDLLBaseController {
public:
  TDLLMTCtrller();
  ~TDLLMTCtrller() override;

  void GetVersion(QString& version) override;
  bool GetVisible() override;
  void SetVisible(bool flag) override;
  quintptr GetHandle() override;
  int CreateForm(const QVariant& loginArray) override;
  int SetParams(const QVariant& start) override;
  int SetRunMode(int mode, quint32 rights, const QVariant& value) override;
  void ShowFormModal(QVariant& result) override;
  void FreeForm(quint32 silent) override;
  int GetLoginInfo(QVariant& info) override;
  bool IsFormFreed() override;

  QPointer<QWidget> Form;

private:
  class TFormHook;
  TFormHook* hook_ = nullptr;
  QVariant loginArray_;
};

}  // namespace vantor
