// Nexsrv01S.Class1: opening a login, the provider protocol and the saved
// query schemes.
#include "appserver/Nexsrv01S.h"

#include "appserver/Nexsrv01SSession.h"
#include "appserver/ServerArgs.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

int TNexsrv01S::OpenSession(const QString& program, const QString& user, const QString& company,
                            const QString& database) {
  TCompanyDb* db = nullptr;
  try {
    db = &pool_.Get(database);
  } catch (const EDatabaseError&) {
    return 3;
  }
  if (VarIsBlank(db->SelectValue(QStringLiteral("SELECT 1 FROM ZKMMB WHERE MB001 = ?1 AND UPPER(MB003) = UPPER(?2)"),
                                 {company, database})))
    return 2;
  auto s = std::make_unique<TSession>();
  s->Rights = TUserRights::Load(*db, user, program);
  if (!s->Rights.Found()) return 4;
  const QList<QVariantList> programs =
      db->Select(QStringLiteral("SELECT MB014, MB015, MB016 FROM ADMMB WHERE MB001 = ?1"), {program});
  if (programs.isEmpty()) return 5;
  if (!s->Rights.CanRun()) return 6;
  s->Table = VarToStr(programs[0][0]).trimmed();
  s->KeyFields = VarToStr(programs[0][1]).split(QLatin1Char(','), Qt::SkipEmptyParts);
  s->Select = VarToStr(programs[0][2]).trimmed();
  s->MaxRecord = db->SysParam(company, QStringLiteral("MAX_RECORD"));
  if (s->MaxRecord.isEmpty()) s->MaxRecord = QStringLiteral("40");
  s->Login = {user, company, program, &s->Rights, db, [this] { return topRow_; }};
  if (!s->Table.isEmpty()) s->Main = MakeMainProvider(s->Login, s->Table, s->KeyFields);
  s->Schemes = std::make_shared<TSchemeProvider>(s->Login);
  session_ = std::move(s);
  return 0;
}

TProvider& TNexsrv01S::ProviderByName(const QString& name) {
  TSession& s = Session();
  const QString n = name.trimmed();
  if (n.compare(QLatin1String("pvdMain"), Qt::CaseInsensitive) == 0 && s.Main) return *s.Main;
  if (n.compare(QLatin1String("pvdConSave"), Qt::CaseInsensitive) == 0) return *s.Schemes;
  if (n.compare(QLatin1String("pvdColor"), Qt::CaseInsensitive) == 0 && s.Main) {
    if (!s.Colour) s.Colour = MakeColourProvider(s.Login, s.Main->Def(), s.KeyFields);
    return *s.Colour;
  }
  throw EDatabaseError(QStringLiteral("The application server has no provider named \"%1\"").arg(name));
}

void TNexsrv01S::RegisterProviderProtocol() {
  Method(QStringLiteral("AS_DataRequest"), [this](QVariantList& args) {
    TServerArgs a(args, "AS_DataRequest", 2);
    return ProviderByName(a.Text(0)).DataRequest(args[1]);
  });
  Method(QStringLiteral("AS_GetRecords"), [this](QVariantList& args) {
    TServerArgs a(args, "AS_GetRecords", 3);
    return PacketToVariant(ProviderByName(a.Text(0)).GetRecords(a.Int(1), a.Int(2)));
  });
  Method(QStringLiteral("AS_ApplyUpdates"), [this](QVariantList& args) {
    TServerArgs a(args, "AS_ApplyUpdates", 3);
    TProvider& p = ProviderByName(a.Text(0));
    if (session_->Colour.get() == &p)
      throw EDatabaseError(QStringLiteral("The provider pvdColor is read-only"));
    int errorCount = 0;
    const QVariant errors = ReconcileErrorsToVariant(p.ApplyUpdates(DeltaFromVariant(args[1]), a.Int(2), errorCount));
    if (args.size() > 3) args[3] = errorCount;
    return errors;
  });
}

// --- saved query schemes ----------------------------------------------------------------------

void TNexsrv01S::RegisterSchemeCalls() {
  Method(QStringLiteral("LoadTable"), [this](QVariantList& args) {
    const QVariantList scheme = TServerArgs(args, "LoadTable", 1).Array(0);
    if (scheme.size() < 2) throw EOleError(QStringLiteral("LoadTable expects [user, program]"));
    Session().Schemes->Select(VarToStr(scheme[0]), VarToStr(scheme[1]));
    return QVariant();
  });
  Method(QStringLiteral("InsertConTable"), [this](QVariantList& args) {
    return QVariant(InsertScheme(TServerArgs(args, "InsertConTable", 1).Array(0)));
  });
  Method(QStringLiteral("DeleteConTable"), [this](QVariantList& args) {
    return QVariant(DeleteScheme(TServerArgs(args, "DeleteConTable", 1).Array(0)));
  });
  Method(QStringLiteral("ChangeConName"), [this](QVariantList& args) {
    TServerArgs a(args, "ChangeConName", 2);
    return QVariant(RenameScheme(a.Array(0), a.Array(1)));
  });
}

namespace {

QString CheckOwner(const QVariantList& scheme, int userAt, const QString& login, const char* call) {
  if (scheme.size() <= userAt) throw EOleError(QStringLiteral("%1: the scheme array is too short").arg(QLatin1String(call)));
  const QString user = VarToStr(scheme[userAt]).trimmed();
  if (user != login) return QStringLiteral("只可维护自己的查询方案 (%1)").arg(user);
  return QString();
}

bool SchemeExists(TCompanyDb& db, const QString& name, const QString& user, const QString& program) {
  return !VarIsBlank(db.SelectValue(
      QStringLiteral("SELECT 1 FROM DOCUS WHERE NCONDITION = ?1 AND CREATOR = ?2 AND PROGRAMME = ?3"), {name, user, program}));
}

}  // namespace

// [name, user, date, program, text, page, replace] -> "" or why not.
QString TNexsrv01S::InsertScheme(const QVariantList& s) {
  TSession& session = Session();
  if (s.size() < 7) throw EOleError(QStringLiteral("InsertConTable expects [name, user, date, program, text, page, replace]"));
  if (QString e = CheckOwner(s, 1, session.Login.User, "InsertConTable"); !e.isEmpty()) return e;
  const QString name = VarToStr(s[0]).trimmed(), user = VarToStr(s[1]).trimmed(), program = VarToStr(s[3]).trimmed().toUpper();
  if (name.isEmpty()) return QStringLiteral("查询方案名称不可空白");
  const bool replace = s[6].toBool();
  TSqlBackend& b = session.Login.Db->Backend();
  TSqlTransaction transaction(b);
  if (SchemeExists(*session.Login.Db, name, user, program)) {
    if (!replace) return QStringLiteral("查询方案 [%1] 已存在").arg(name);
    b.ExecChange(QStringLiteral("DELETE FROM DOCUS WHERE NCONDITION = ? AND CREATOR = ? AND PROGRAMME = ?"), {name, user, program});
  }
  b.ExecChange(QStringLiteral("INSERT INTO DOCUS (NCONDITION, CREATOR, PROGRAMME, CREATE_DATE, VCONDITION, ActivePage) "
                              "VALUES (?, ?, ?, ?, ?, ?)"),
               {name, user, program, VarToStr(s[2]).left(8), VarToStr(s[4]), s[5].toInt()});
  transaction.Commit();
  return QString();
}

// [name, user, program] -> "" or why not.
QString TNexsrv01S::DeleteScheme(const QVariantList& s) {
  TSession& session = Session();
  if (QString e = CheckOwner(s, 1, session.Login.User, "DeleteConTable"); !e.isEmpty()) return e;
  if (s.size() < 3) throw EOleError(QStringLiteral("DeleteConTable expects [name, user, program]"));
  const int n = session.Login.Db->Backend().ExecChange(
      QStringLiteral("DELETE FROM DOCUS WHERE NCONDITION = ? AND CREATOR = ? AND PROGRAMME = ?"),
      {VarToStr(s[0]).trimmed(), VarToStr(s[1]).trimmed(), VarToStr(s[2]).trimmed().toUpper()});
  return n > 0 ? QString() : QStringLiteral("查询方案 [%1] 不存在").arg(VarToStr(s[0]).trimmed());
}

QString TNexsrv01S::RenameScheme(const QVariantList& from, const QVariantList& to) {
  TSession& session = Session();
  for (const QVariantList* s : {&from, &to}) {
    if (s->size() < 3) throw EOleError(QStringLiteral("ChangeConName expects [name, user, program] twice"));
    if (QString e = CheckOwner(*s, 1, session.Login.User, "ChangeConName"); !e.isEmpty()) return e;
  }
  const QString oldName = VarToStr(from[0]).trimmed(), newName = VarToStr(to[0]).trimmed();
  const QString user = VarToStr(from[1]).trimmed(), program = VarToStr(from[2]).trimmed().toUpper();
  if (newName.isEmpty()) return QStringLiteral("查询方案名称不可空白");
  TSqlBackend& b = session.Login.Db->Backend();
  TSqlTransaction transaction(b);
  if (SchemeExists(*session.Login.Db, newName, user, program)) return QStringLiteral("查询方案 [%1] 已存在").arg(newName);
  const int n = b.ExecChange(QStringLiteral("UPDATE DOCUS SET NCONDITION = ? WHERE NCONDITION = ? AND CREATOR = ? AND PROGRAMME = ?"),
                             {newName, oldName, user, program});
  if (n == 0) return QStringLiteral("查询方案 [%1] 不存在").arg(oldName);
  transaction.Commit();
  return QString();
}

}  // namespace vantor
