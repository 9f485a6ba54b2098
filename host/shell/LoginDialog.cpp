// A plain login form: every field is required before OK closes it.
#include "shell/LoginDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace vantor {

TLoginDialog::TLoginDialog(QWidget* parent)
    : QDialog(parent), user_(new QLineEdit(this)), company_(new QLineEdit(this)), database_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("frmLogin"));
  setWindowTitle(QStringLiteral("登录"));
  user_->setObjectName(QStringLiteral("edUser"));
  company_->setObjectName(QStringLiteral("edCompany"));
  database_->setObjectName(QStringLiteral("edDatabase"));
  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("用户(&U)"), user_);
  form->addRow(QStringLiteral("公司(&C)"), company_);
  form->addRow(QStringLiteral("数据库(&D)"), database_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &TLoginDialog::Check);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString TLoginDialog::User() const { return user_->text().trimmed(); }
QString TLoginDialog::Company() const { return company_->text().trimmed(); }
QString TLoginDialog::Database() const { return database_->text().trimmed(); }

void TLoginDialog::Check() {
  for (QLineEdit* e : {user_, company_, database_}) {
    if (e->text().trimmed().isEmpty()) {
      e->setFocus();
      return;
    }
  }
  accept();
}

}  // namespace vantor
