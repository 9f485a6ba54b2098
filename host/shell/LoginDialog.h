// The shell's login window, shown when no user was given on the command line.
#pragma once

#include <QDialog>

class QLineEdit;

namespace vantor {

class TLoginDialog : public QDialog {
  Q_OBJECT
public:
  explicit TLoginDialog(QWidget* parent = nullptr);
  QString User() const;
  QString Company() const;
  QString Database() const;

private:
  void Check();
  QLineEdit* user_;
  QLineEdit* company_;
  QLineEdit* database_;
};

}  // namespace vantor
