// The controller through which the client shell drives a program module: the
// one header a module publishes. The shell obtains a controller from the
// module's single export GetController, owns it and frees it. The order of the
// public fields and of the virtual operations is the contract with the shell.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

namespace vantor {

class TDLLBaseController;

// (notification code, sender)
using TNotifyEvent = std::function<void(int, TDLLBaseController*)>;

// Notification codes passed to OnNotify.
enum : int {
  ncFormCreated = 0x100,
  ncFormShow = 0x110,
  ncFormHide = 0x120,
  ncFormDestroy = 0x130,
  ncFormClose = 0x140,
};

class TDLLBaseController {
public:
  virtual ~TDLLBaseController();

  virtual void GetVersion(QString& version) = 0;
  virtual bool GetVisible() = 0;
  virtual void SetVisible(bool flag) = 0;
  virtual quintptr GetHandle() = 0;
  virtual int CreateForm(const QVariant& loginArray) = 0;
  virtual int SetParams(const QVariant& start) = 0;
  virtual int SetRunMode(int mode, quint32 rights, const QVariant& value) = 0;
  virtual void ShowFormModal(QVariant& result) = 0;
  virtual void FreeForm(quint32 silent) = 0;
  virtual int GetLoginInfo(QVariant& info) = 0;
  virtual bool IsFormFreed() = 0;

  virtual void DoFormCreated();
  virtual void DoFormShow(QObject* sender);
  virtual void DoFormHide(QObject* sender);
  virtual void DoFormDestroy(QObject* sender);
  virtual void DoFormClose(QObject* sender, int& action);
  virtual void DoNotify(int code);
  virtual void ReservedHook();

  quint32 Reserved1 = 0;
  QVariant HostObject;        // the shell's work-centre manager
  qint32 FormResultCode = 0;
  quint32 Reserved2 = 0;
  QVariant FormReturnValue;
  TNotifyEvent OnNotify;
};

}  // namespace vantor

// The module's single export.
extern "C" vantor::TDLLBaseController* GetController();
using TGetControllerProc = vantor::TDLLBaseController* (*)();
