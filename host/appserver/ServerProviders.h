// The providers of the application server objects.
//
// TGuardedProvider takes the client's [condition, extra] request: the
// condition (in the client's dialect, see SqlText.h) is rewritten, tried
// under the SQL guard against the provider's own tables and joins, and only
// then becomes the provider's WHERE; its cursor reads on a connection that
// holds the guard for good. Row limits come from the owner (SetTopRow).
//
// The return provider ("pvdMain" of RTNI01) serves MOCTJ with every
// computed field of the program joined in; it applies the stored columns
// only, refuses rows whose stored values changed since they were fetched,
// and checks inside the apply transaction the user's rights, the company,
// and that no source line is returned beyond what it brought in, keeping the
// source line's returned quantities in step. "pvdColor" gives one colour
// text per coloured element and main row, keyed like the main rows.
// "pvdConSave" holds the user's saved query schemes.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/db/Provider.h"

namespace vantor {

class TCompanyDb;
class TUserRights;

// What a provider needs to know of its server object's login.
struct TProviderLogin {
  QString User, Company, Program;
  const TUserRights* Rights = nullptr;
  TCompanyDb* Db = nullptr;
  std::function<int()> TopRow;  // the current row limit, 0: none
};

class TGuardedProvider : public TProvider {
public:
  TGuardedProvider(QString name, TProviderDef def, const TProviderLogin& login);
  // Rows the last condition selects (at most the row limit).
  int RecordCount();

protected:
  void BuildWhere(const QVariant& request, QString& where, QVariantList& params) override;
  void BuildOrder(const QVariant& request, QString& order) override;
  int RowLimit() const override;
  // Whatever the table, a change needs the user's right to make it.
  void BeforeUpdateRecord(const TProviderChange& change) override { CheckRights(change); }
  void CheckRights(const TProviderChange& change) const;
  const TProviderLogin& Login() const { return login_; }

private:
  QString FromClause() const;
  const TProviderLogin& login_;
  QString lastWhere_;
  QHash<QString, QString> tried_;  // conditions already tried, rewritten
  QHash<QString, QString> triedOrders_;
};

// The main provider of a program: the return provider for RTNI01, a
// provider over the program's main table for any other.
std::shared_ptr<TGuardedProvider> MakeMainProvider(const TProviderLogin& login, const QString& table,
                                                   const QStringList& keyFields);
// The colour provider for the program's colour definition (ADMNH).
std::shared_ptr<TGuardedProvider> MakeColourProvider(const TProviderLogin& login, const TProviderDef& mainDef,
                                                     const QStringList& keyFields);

class TSchemeProvider : public TProvider {
public:
  explicit TSchemeProvider(const TProviderLogin& login);
  // The schemes of this user and program are what the provider serves.
  void Select(const QString& user, const QString& program);

protected:
  void BuildWhere(const QVariant& request, QString& where, QVariantList& params) override;
  void BeforeUpdateRecord(const TProviderChange& change) override;

private:
  const TProviderLogin& login_;
  QString user_, program_;
};

}  // namespace vantor
