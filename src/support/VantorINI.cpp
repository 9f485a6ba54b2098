// The configuration readers: registry first, then the ini file it points at.
#include "support/VantorINI.h"

#include "platform/os/CodePages.h"
#include "platform/os/Exceptions.h"
#include "platform/os/IniFiles.h"
#include "platform/os/Registry.h"
#include "platform/os/SysUtils.h"
#include "platform/variant/Variants.h"
#include "support/ZaRERAvivududiU.h"

#include <QFileInfo>

namespace vantor {

namespace {

const QChar kDelimiter = QLatin1Char('/');
const QString kClientIni = QStringLiteral("VantorC.ini");
const QString kServerIni = QStringLiteral("VantorS.ini");
const QString kDbe = QStringLiteral("DBE Setting");

// A profile ini that exists but cannot be read is treated as absent, so the
// install folder's file is read instead of a silent set of defaults.
bool IsReadableFile(const QString& fileName) {
  const QFileInfo info(fileName);
  return info.isFile() && info.isReadable();
}

QString ReadRegistryValue(TRegistry& registry, const QString& name) {
  try {
    return registry.ReadString(name);
  } catch (const Exception&) {
    return QString();
  }
}

}  // namespace

// --- shared part --------------------------------------------------------------------

TVantorIniBase::TVantorIniBase() { ResetDefaults(); }

quint8 TVantorIniBase::UIConvertModeOf(const QString& uiCodePage, const QString& systemCodePage) {
  if (uiCodePage == QLatin1String("950"))
    return 2;
  if (uiCodePage == QLatin1String("936") && systemCodePage == QLatin1String("950"))
    return 4;
  return 0;
}

quint8 TVantorIniBase::DBConvertModeOf(const QString& uiCodePage, const QString& dbCodePage) {
  if (uiCodePage == QLatin1String("950") && dbCodePage == QLatin1String("936"))
    return 2;
  if (uiCodePage == QLatin1String("936") && dbCodePage == QLatin1String("950"))
    return 1;
  return 0;
}

QString TVantorIniBase::SystemCodePageText(int codePage) {
  if (codePage == 936 || codePage == 950)
    return QString::number(codePage);
  return QStringLiteral("437");
}

bool TVantorIniBase::IsTrueText(const QString& text) {
  const QString upper = text.toUpper();
  return upper == QLatin1String("1") || upper == QLatin1String("Y") || upper == QLatin1String("YES") ||
         upper == QLatin1String("TRUE");
}

void TVantorIniBase::ResetDefaults() {
  WorkPath.clear();
  ProfileType = QStringLiteral("0");
  UserName = QStringLiteral("Default");
  DBCodePage = QStringLiteral("936");
  SystemCodePage = SystemCodePageText(vantor::SystemCodePage());
  UICodePage = SystemCodePage;
  SupportCallBack = false;
  IniFileName.clear();
  ErrorCode.clear();
  WorkDLLPaths.clear();
  ProductVersion.clear();
  ComputeModes();
}

void TVantorIniBase::ComputeModes() {
  UIConvertMode = UIConvertModeOf(UICodePage, SystemCodePage);
  DBConvertMode = DBConvertModeOf(UICodePage, DBCodePage);
}

QString TVantorIniBase::LocateIniFile(const QString& pathValue, const QString& iniName) {
  TRegistry registry(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKeyReadOnly(kVantorRegistryKey)) {
    ErrorCode = kErrNoRegistryKey;
    return QString();
  }
  QString path = ReadRegistryValue(registry, pathValue);
  ProfileType = ReadRegistryValue(registry, QStringLiteral("ProfileType"));
  registry.CloseKey();
  if (path.isEmpty())
    return QString();
  path = IncludeTrailingPathDelimiter(path);

  WorkPath = path;
  if (!ProfileType.isEmpty() && ProfileType != QLatin1String("0")) {
    UserName = GetUserName();
    WorkPath = path + QStringLiteral("Profile/") + UserName + kDelimiter;
  }
  IniFileName = WorkPath + iniName;
  if (!IsReadableFile(IniFileName)) {
    WorkPath = path;
    IniFileName = path + iniName;
  }
  return path;
}

void TVantorIniBase::ResolveWorkDLLPaths(const QStringList& sectionLines, const QString& installPath,
                                         const QString& defaultFolder) {
  WorkDLLPaths.clear();
  if (sectionLines.isEmpty()) {
    WorkDLLPaths.append(installPath + defaultFolder);
    return;
  }
  for (const QString& line : sectionLines) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    const QString value = eq >= 0 ? line.mid(eq + 1) : line;
    WorkDLLPaths.append(IncludeTrailingPathDelimiter(ResolvePath(value, installPath)));
  }
}

// --- client -------------------------------------------------------------------------

TVantorIniC::TVantorIniC() { ReadSettings(); }

bool TVantorIniC::ReadSettings() {
  ResetDefaults();
  ClientPath.clear();
  ServerList = QVariant();
  LangType = QStringLiteral("ENG");
  CreateGifBeforeSendEF = QStringLiteral("Y");
  AutoCheckNewMsg = CheckInterval = PopupMsg = QStringLiteral("1");
  LoginCheck = QStringLiteral("0");

  ClientPath = LocateIniFile(QStringLiteral("ClientPath"), kClientIni);
  if (ClientPath.isEmpty())
    return false;
  return ReadIniFile();
}

bool TVantorIniC::ReadIniFile() {
  const TIniFile ini(IniFileName);
  LangType = ini.ReadString(QStringLiteral("Client Components"), QStringLiteral("LangType"), QStringLiteral("ENG"));
  ProductVersion = ini.ReadString(QStringLiteral("ProductVersion"), QStringLiteral("Version"), QString());
  CreateGifBeforeSendEF =
      ini.ReadString(QStringLiteral("UserDefine"), QStringLiteral("CreateGifBeforeSendEF"), QStringLiteral("Y"));
  UICodePage = ini.ReadString(QStringLiteral("CodePage"), QStringLiteral("UICodePage"), SystemCodePage);
  DBCodePage = ini.ReadString(QStringLiteral("CodePage"), QStringLiteral("DBCodePage"), QStringLiteral("936"));
  const QString server = QStringLiteral("Server Information");
  SupportCallBack = IsTrueText(ini.ReadString(server, QStringLiteral("SupportCallBack"), QStringLiteral("0")));
  const QString hosts = ini.ReadString(server, QStringLiteral("ComputerName"), QStringLiteral("127.0.0.1")).trimmed();
  const int port = ini.ReadInteger(server, QStringLiteral("ServerPort"), 211);
  const QStringList packageLines = ini.ReadSectionValues(QStringLiteral("WorkDLLPath"));
  const QString task = QStringLiteral("TaskMessageCenter Setting");
  AutoCheckNewMsg = ini.ReadString(task, QStringLiteral("AutoCheckNewMsg"), QStringLiteral("1"));
  CheckInterval = ini.ReadString(task, QStringLiteral("CheckInterval"), QStringLiteral("1"));
  PopupMsg = ini.ReadString(task, QStringLiteral("PopupMsg"), QStringLiteral("1"));
  LoginCheck = ini.ReadString(task, QStringLiteral("LoginCheck"), QStringLiteral("0"));

  ComputeModes();
  // The package folders do not depend on the server host, so they are
  // resolved even when no host is configured.
  ResolveWorkDLLPaths(packageLines, ClientPath, QStringLiteral("C_PKG/"));
  return FillServerList(hosts, port);
}

bool TVantorIniC::FillServerList(QString hosts, int port) {
  if (hosts.endsWith(QLatin1Char(';')))
    hosts.chop(1);
  if (hosts.isEmpty()) {
    ErrorCode = kErrNoServerHost;
    return false;
  }
  const QStringList pieces = hosts.split(QLatin1Char(';'));
  TVarMatrix list(0, 1, 0, int(pieces.size()) - 1);
  for (int i = 0; i < pieces.size(); ++i) {
    // A blank around a name can only come from hand editing and would make
    // the host unreachable.
    list.Set(0, i, pieces[i].trimmed());
    list.Set(1, i, port);
  }
  ServerList = QVariant::fromValue(list);
  return true;
}

// --- server -------------------------------------------------------------------------

TVantorIniS::TVantorIniS() { ReadSettings(); }

bool TVantorIniS::ReadSettings() {
  ResetDefaults();
  ServerPath.clear();
  DBSettings = QVariant::fromValue(TVarMatrix(0, 3, 0, 7));
  DBKind = 0;
  SystemControlAddress.clear();
  OtherSystemControlAddress.clear();

  ServerPath = LocateIniFile(QStringLiteral("ServerPath"), kServerIni);
  if (ServerPath.isEmpty())
    return false;
  ReadIniFile();
  return true;
}

void TVantorIniS::ReadIniFile() {
  const TIniFile ini(IniFileName);
  TVarMatrix db(0, 3, 0, 7);
  auto text = [&](const QString& section, const char* key, const QString& def = QString()) {
    return ini.ReadString(section, QString::fromLatin1(key), def);
  };
  auto dbe = [&](const char* key, const QString& def = QString()) { return text(kDbe, key, def); };
  auto number = [&](const QString& section, const char* key, int def) {
    return ini.ReadInteger(section, QString::fromLatin1(key), def);
  };

  ProductVersion = text(QStringLiteral("ProductVersion"), "Version");
  UICodePage = text(QStringLiteral("CodePage"), "UICodePage", SystemCodePage);
  DBCodePage = text(QStringLiteral("CodePage"), "DBCodePage", QStringLiteral("936"));
  db.Set(0, 1, dbe("MainUserName", QStringLiteral("sa")));
  db.Set(0, 2, DecodeSQLSa(dbe("XXXXXX")));
  db.Set(0, 0, dbe("MainAlias", QStringLiteral("Corvane")));
  db.Set(0, 3, dbe("MainDBType", QStringLiteral("MSSQL")));
  db.Set(0, 4, dbe("MainDBName"));
  db.Set(0, 5, dbe("MainServerName"));
  // Without a system control server of its own the main server plays it.
  SystemControlAddress = dbe("SystemControlAddress");
  if (SystemControlAddress.trimmed().isEmpty())
    SystemControlAddress = db(0, 5).toString();
  OtherSystemControlAddress = dbe("OtherSystemControlAddress");
  if (OtherSystemControlAddress.trimmed().isEmpty())
    OtherSystemControlAddress = db(0, 5).toString();
  db.Set(0, 6, number(kDbe, "MainConnectionTimeOut", 300));
  db.Set(0, 7, number(kDbe, "MainCommandTimeOut", 3000));
  db.Set(1, 0, dbe("TempAlias", QStringLiteral("CorvaneTemp")));
  db.Set(1, 1, dbe("TempUserName", QStringLiteral("sa")));
  db.Set(1, 2, DecodeSQLSa(dbe("TempPassword")));
  db.Set(1, 3, dbe("TempDBType", QStringLiteral("PARADOX")));
  db.Set(1, 4, dbe("TempDBName"));
  db.Set(1, 5, dbe("TempDriverName", QStringLiteral("PostgreSQL")));
  db.Set(1, 6, number(kDbe, "TempConnectionTimeOut", 300));
  db.Set(1, 7, number(kDbe, "TempCommandTimeOut", 3000));
  const QString ctrl = QStringLiteral("DBPasswordCtrl");
  db.Set(2, 0, text(ctrl, "ComputerName").trimmed());
  db.Set(2, 1, number(ctrl, "ServerPort", 211));
  db.Set(2, 2, number(ctrl, "ClientSocketPort", 1024));
  SupportCallBack = IsTrueText(text(ctrl, "SupportCallBack", QStringLiteral("0")));
  db.Set(2, 3, dbe("DataBaseCodeOrder", QStringLiteral("Chinese_Taiwan_Stroke_BIN")));
  db.Set(3, 0, dbe("EctAlias", QStringLiteral("EDIDATA")));
  db.Set(3, 1, dbe("EctUserName", QStringLiteral("sa")));
  db.Set(3, 2, dbe("EctPassword"));
  const QStringList packageLines = ini.ReadSectionValues(QStringLiteral("WorkDLLPath"));

  const QString mainType = db(0, 3).toString();
  if (mainType.compare(QLatin1String("ORACLE"), Qt::CaseInsensitive) == 0)
    DBKind = 1;
  else if (mainType.compare(QLatin1String("DB2"), Qt::CaseInsensitive) == 0)
    DBKind = 2;
  DBSettings = QVariant::fromValue(db);
  ComputeModes();
  ResolveWorkDLLPaths(packageLines, ServerPath, QStringLiteral("S_PKG/"));
}

// --- free routines ------------------------------------------------------------------

QString ResolvePath(const QString& path, const QString& baseFolder) {
  if (path.isEmpty())
    return baseFolder;
  if (path.startsWith(kDelimiter))
    return path;
  if (path.startsWith(QLatin1Char('\\')))
    return baseFolder + path.mid(1);
  return baseFolder + path;
}

QString GetInstallPath() {
  try {
    TRegistry registry(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly(kVantorRegistryKey))
      return QString();
    const QString client = ReadRegistryValue(registry, QStringLiteral("ClientPath"));
    return client.isEmpty() ? ReadRegistryValue(registry, QStringLiteral("ServerPath")) : client;
  } catch (const std::exception&) {
    return QString();
  }
}

QString GetInstallPathOrTemp() {
  const QString install = GetInstallPath();
  if (!install.isEmpty())
    return install;
  try {
    const QString temp = GetTempPath();
    if (!temp.isEmpty())
      return temp;
  } catch (const std::exception&) {
  }
  return QStringLiteral("/tmp/");
}

}  // namespace vantor
