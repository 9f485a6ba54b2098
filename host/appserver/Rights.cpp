// Rights from the administration tables.
#include "appserver/Rights.h"

#include "appserver/CompanyDb.h"
#include "platform/variant/Variants.h"

namespace vantor {

TUserRights TUserRights::Load(TCompanyDb& db, const QString& user, const QString& program) {
  TUserRights r;
  r.user_ = user;
  const QList<QVariantList> users =
      db.Select(QStringLiteral("SELECT MA004 FROM ZKMMA WHERE MA001 = ?1 AND MA005 = 'Y'"), {user});
  if (users.isEmpty()) return r;
  r.found_ = true;
  r.homeGroup_ = VarToStr(users.first().first());
  for (const QVariantList& g : db.Select(QStringLiteral("SELECT MG002 FROM ZKMMG WHERE MG001 = ?1 ORDER BY MG002"), {user}))
    r.groups_.append(VarToStr(g.first()));
  if (!r.homeGroup_.isEmpty() && !r.groups_.contains(r.homeGroup_)) r.groups_.prepend(r.homeGroup_);
  // The user's own row wins; else the first of the user's groups that has one.
  const QList<QVariantList> rights = db.Select(
      QStringLiteral("SELECT MP003, MP004, MP005, MP006, MP007, MP008, MP009 FROM ADMMP "
                     "WHERE MP002 = ?2 AND (MP001 = ?1 OR MP001 IN (SELECT MG002 FROM ZKMMG WHERE MG001 = ?1) OR MP001 = ?3) "
                     "ORDER BY CASE WHEN MP001 = ?1 THEN 0 ELSE 1 END, MP001 LIMIT 1"),
      {user, program, r.homeGroup_});
  if (rights.isEmpty()) return r;
  const QVariantList& row = rights.first();
  for (int i = 0; i < 6; ++i) r.fields_.append(VarToStr(row[i]).trimmed());
  r.extraPower_ = VarToStr(row[6]);
  return r;
}

bool TUserRights::CanRun() const { return HasProgramRights() && fields_[0] == QLatin1String("Y"); }

QString TUserRights::GroupList() const {
  QStringList quoted;
  for (const QString& g : groups_) quoted.append(QLatin1Char('\'') + g + QLatin1Char('\''));
  return quoted.join(QLatin1Char(','));
}

bool TUserRights::Flag(int field, int position) const {
  if (field >= fields_.size()) return false;
  const QString& f = fields_[field];
  return position >= 1 && position <= f.size() && f[position - 1] == QLatin1Char('Y');
}

bool TUserRights::CanAdd() const { return CanRun() && Flag(3, 9); }

bool TUserRights::Allowed(const QString& creator, const QString& group, int position) const {
  if (!CanRun()) return false;
  const bool perRecord = fields_.size() > 2 && fields_[2].compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0;
  if (!perRecord || creator.trimmed().isEmpty() || creator.trimmed() == user_) return Flag(3, position);
  if (groups_.contains(group.trimmed())) return Flag(4, position);
  return Flag(5, position);
}

}  // namespace vantor
