// A user's standing in a company database: who the user is, the groups the
// user acts for, and the rights on one program, as the server computes
// them from its tables (ZKMMA, ZKMMG, ADMMP). The program module receives
// them as POWER_DATA, GROUP_LIST and EX_POWER; the server checks them
// again on every change it applies, whatever the client enabled.
//
// POWER_DATA is "F0,F1,F2,F3,F4,F5": F0 the run flag, F1 the query flag,
// F2 "Y" when modify and delete rights go by the record's creator and
// group, F3 twelve command characters (2 modify, 3 delete, 6 print, 7 and 8
// the restricted field lists, 9 add), F4 and F5 seven characters each for
// records of the user's groups and of other users (2 modify, 3 delete).
#pragma once

#include <QString>
#include <QStringList>

namespace vantor {

class TCompanyDb;

class TUserRights {
public:
  // Raises nothing: Found() and HasProgramRights() tell what was found.
  static TUserRights Load(TCompanyDb& db, const QString& user, const QString& program);

  bool Found() const { return found_; }
  bool HasProgramRights() const { return !fields_.isEmpty(); }
  bool CanRun() const;

  const QString& HomeGroup() const { return homeGroup_; }
  // 'G01','G02': the groups quoted and comma-separated, as the client
  // searches them.
  QString GroupList() const;
  QString PowerData() const { return fields_.join(QLatin1Char(',')); }
  const QString& ExtraPower() const { return extraPower_; }

  bool CanAdd() const;
  // Whether the user may modify or delete a record made by creator for group.
  bool CanModify(const QString& creator, const QString& group) const { return Allowed(creator, group, 2); }
  bool CanDelete(const QString& creator, const QString& group) const { return Allowed(creator, group, 3); }

private:
  bool Flag(int field, int position) const;  // position counted from 1
  bool Allowed(const QString& creator, const QString& group, int position) const;

  bool found_ = false;
  QString user_, homeGroup_, extraPower_;
  QStringList groups_, fields_;
};

}  // namespace vantor
