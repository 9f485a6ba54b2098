// Members of Nexsrv01S.Class1: the login and its values, and the calls
// that need no provider.
#include "appserver/Nexsrv01S.h"

#include <QDate>

#include "appserver/Nexsrv01SSession.h"
#include "appserver/ServerArgs.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

double Number(const QVariant& v, const char* member) {
  if (VarIsBlank(v))
    return 0;
  bool ok = false;
  const double d = v.toDouble(&ok);
  if (!ok || VarIsArray(v) || VarIsDispatch(v))
    throw EConvertError(QStringLiteral("%1: \"%2\" is not a number").arg(QLatin1String(member), VarToStr(v)));
  return d;
}

// Whole results stay integers, as the caller's variant was.
QVariant NumberVariant(double d) {
  if (d == double(qint64(d)) && qAbs(d) < 9.0e15)
    return qint64(d) == int(qint64(d)) ? QVariant(int(d)) : QVariant(qint64(d));
  return QVariant(d);
}

const TOleClassRegistrar registrar(TNexsrv01S::ProgId(), [] { return TDispatchRef(new TNexsrv01S); });

}  // namespace

QString TNexsrv01S::ProgId() { return QStringLiteral("Nexsrv01S.Class1"); }

TNexsrv01S::TNexsrv01S() {
  RegisterMembers();
  RegisterProviderProtocol();
  RegisterSchemeCalls();
}

TNexsrv01S::~TNexsrv01S() = default;

void TNexsrv01S::RegisterMembers() {
  Method(QStringLiteral("Whatis"), [this](QVariantList& args) { return Whatis(TServerArgs(args, "Whatis", 1).Text(0)); });
  Method(QStringLiteral("Echo"), [this](QVariantList& args) { return Echo(args); });
  Method(QStringLiteral("Increment"), [this](QVariantList& args) { return Increment(args); });
  Method(QStringLiteral("SetTopRow"), [this](QVariantList& args) {
    TServerArgs(args, "SetTopRow", 1);
    topRow_ = qMax(0, int(Number(args[0], "SetTopRow")));
    return QVariant();
  });
  Property(
      QStringLiteral("TopRow"), [this] { return QVariant(topRow_); },
      [this](const QVariant& v) { topRow_ = int(Number(v, "TopRow")); });
  Method(QStringLiteral("Connect"), [this](QVariantList& args) {
    TServerArgs(args, "Connect", 1);
    return QVariant(Connect(VarIsArray(args[0]) ? args[0].toList() : QVariantList()));
  });
  Method(QStringLiteral("SvrData"), [this](QVariantList&) { return QVariant(SvrData()); });
  Method(QStringLiteral("GetRecCount"), [this](QVariantList&) { return QVariant(Session().Main->RecordCount()); });
  Method(QStringLiteral("GetBaseLimitedRecs"), [this](QVariantList& args) { return GetBaseLimitedRecs(args); });
  Method(QStringLiteral("GetFormat"), [this](QVariantList& args) {
    TServerArgs a(args, "GetFormat", 2);
    return QVariant(GetFormat(a.Text(0), a.Text(1)));
  });
}

QVariant TNexsrv01S::Whatis(const QString& item) const {
  const QString key = item.trimmed().toUpper();
  if (key == QLatin1String("TODAY"))
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
  if (key == QLatin1String("SQLTYPE"))
    return 0;
  throw EOleError(QStringLiteral("Whatis: unknown item \"%1\"").arg(item));
}

QVariant TNexsrv01S::Echo(const QVariantList& args) const { return QVariant(args); }

// Increment(var value, step = 1): value := value + step; answers the new value.
QVariant TNexsrv01S::Increment(QVariantList& args) const {
  TServerArgs(args, "Increment", 1);
  const double value = Number(args[0], "Increment");
  const double step = args.size() > 1 ? Number(args.at(1), "Increment") : 1.0;
  args[0] = NumberVariant(value + step);
  return args[0];
}

int TNexsrv01S::Connect(const QVariantList& login) {
  session_.reset();
  if (login.size() < 4) return 1;
  for (int i = 0; i < 4; ++i)
    if (VarIsArray(login[i]) || VarIsDispatch(login[i])) return 1;
  return OpenSession(VarToStr(login[0]).trimmed().toUpper(), VarToStr(login[1]).trimmed(), VarToStr(login[2]).trimmed(),
                     VarToStr(login[3]).trimmed());
}

TNexsrv01S::TSession& TNexsrv01S::Session() const {
  if (!session_) throw EOleError(QStringLiteral("Not logged in: call Connect with a login the server accepts first"));
  return *session_;
}

QString TNexsrv01S::SvrData() const {
  const TSession& s = Session();
  QStringList lines = {
      QStringLiteral("USER_GROUP=") + s.Rights.HomeGroup(),
      QStringLiteral("POWER_DATA=") + s.Rights.PowerData(),
      QStringLiteral("GROUP_LIST=") + s.Rights.GroupList(),
      QStringLiteral("EX_POWER=") + s.Rights.ExtraPower(),
      QStringLiteral("BaseLimited=N"),
      QStringLiteral("MAX_RECORD=") + s.MaxRecord,
      QStringLiteral("M11_TABLE=") + s.Table,
      QStringLiteral("M11_KEY=") + s.KeyFields.join(QLatin1Char(',')),
  };
  if (!s.Select.isEmpty()) lines.append(QStringLiteral("M11_SELECT=") + s.Select);
  return lines.join(QStringLiteral("\r\n"));
}

// Base-data limits are not kept by this server (BaseLimited=N): every row
// the client holds is permitted.
QVariant TNexsrv01S::GetBaseLimitedRecs(const QVariantList& args) const {
  TServerArgs a(args, "GetBaseLimitedRecs", 3);
  Session();
  return QVariant(QVariantList{a.Int(2), QVariantList()});
}

QString TNexsrv01S::GetFormat(const QString& company, const QString& program) const {
  return VarToStr(Session().Login.Db->SelectValue(QStringLiteral("SELECT FM003 FROM ADMFM WHERE FM001 = ?1 AND FM002 = ?2"),
                                                  {company.trimmed(), program.trimmed().toUpper()}));
}

}  // namespace vantor
