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

namespace {

// Where each key of the server ini goes in DBSettings, in reading order.
struct TCellKey {
  enum TKind { Text, Trimmed, Number, Password };
  const char* Section;
  const char* Key;
  TKind Kind;
  const char* TextDefault;
  int NumberDefault;
  int Row, Column;
};

constexpr const char* kDbeSection = "DBE Setting";
constexpr const char* kCtrlSection = "DBPasswordCtrl";

const TCellKey kServerCells[] = {
    {kDbeSection, "MainUserName", TCellKey::Text, "sa", 0, 0, 1},
    {kDbeSection, "XXXXXX", TCellKey::Password, "", 0, 0, 2},
    {kDbeSection, "MainAlias", TCellKey::Text, "Corvane", 0, 0, 0},
    {kDbeSection, "MainDBType", TCellKey::Text, "MSSQL", 0, 0, 3},
    {kDbeSection, "MainDBName", TCellKey::Text, "", 0, 0, 4},
    {kDbeSection, "MainServerName", TCellKey::Text, "", 0, 0, 5},
    {kDbeSection, "MainConnectionTimeOut", TCellKey::Number, "", 300, 0, 6},
    {kDbeSection, "MainCommandTimeOut", TCellKey::Number, "", 3000, 0, 7},
    {kDbeSection, "TempAlias", TCellKey::Text, "CorvaneTemp", 0, 1, 0},
    {kDbeSection, "TempUserName", TCellKey::Text, "sa", 0, 1, 1},
    {kDbeSection, "TempPassword", TCellKey::Password, "", 0, 1, 2},
    {kDbeSection, "TempDBType", TCellKey::Text, "PARADOX", 0, 1, 3},
    {kDbeSection, "TempDBName", TCellKey::Text, "", 0, 1, 4},
    {kDbeSection, "TempDriverName", TCellKey::Text, "PostgreSQL", 0, 1, 5},
    {kDbeSection, "TempConnectionTimeOut", TCellKey::Number, "", 300, 1, 6},
    {kDbeSection, "TempCommandTimeOut", TCellKey::Number, "", 3000, 1, 7},
    {kCtrlSection, "ComputerName", TCellKey::Trimmed, "", 0, 2, 0},
    {kCtrlSection, "ServerPort", TCellKey::Number, "", 211, 2, 1},
    {kCtrlSection, "ClientSocketPort", TCellKey::Number, "", 1024, 2, 2},
    {kDbeSection, "DataBaseCodeOrder", TCellKey::Text, "Chinese_Taiwan_Stroke_BIN", 0, 2, 3},
    {kDbeSection, "EctAlias", TCellKey::Text, "EDIDATA", 0, 3, 0},
    {kDbeSection, "EctUserName", TCellKey::Text, "sa", 0, 3, 1},
    // Stored as it is: this password is not scrambled.
    {kDbeSection, "EctPassword", TCellKey::Text, "", 0, 3, 2},
};

QVariant ReadCell(const TIniFile& ini, const TCellKey& cell) {
  const QString section = QString::fromLatin1(cell.Section), key = QString::fromLatin1(cell.Key);
  if (cell.Kind == TCellKey::Number)
    return ini.ReadInteger(section, key, cell.NumberDefault);
  const QString text = ini.ReadString(section, key, QString::fromLatin1(cell.TextDefault));
  switch (cell.Kind) {
    case TCellKey::Trimmed: return text.trimmed();
    case TCellKey::Password: return DecodeSQLSa(text);
    default: return text;
  }
}

// Without a system control server of its own the main server plays it.
QString AddressOr(const TIniFile& ini, const char* key, const QString& fallback) {
  const QString address = ini.ReadString(kDbe, QString::fromLatin1(key), QString());
  return address.trimmed().isEmpty() ? fallback : address;
}

}  // namespace

void TVantorIniS::ReadIniFile() {
  const TIniFile ini(IniFileName);
  ProductVersion = ini.ReadString(QStringLiteral("ProductVersion"), QStringLiteral("Version"), QString());
  UICodePage = ini.ReadString(QStringLiteral("CodePage"), QStringLiteral("UICodePage"), SystemCodePage);
  DBCodePage = ini.ReadString(QStringLiteral("CodePage"), QStringLiteral("DBCodePage"), QStringLiteral("936"));
  TVarMatrix db(0, 3, 0, 7);
  for (const TCellKey& cell : kServerCells)
    db.Set(cell.Row, cell.Column, ReadCell(ini, cell));
  SystemControlAddress = AddressOr(ini, "SystemControlAddress", db(0, 5).toString());
  OtherSystemControlAddress = AddressOr(ini, "OtherSystemControlAddress", db(0, 5).toString());
  SupportCallBack = IsTrueText(
      ini.ReadString(QString::fromLatin1(kCtrlSection), QStringLiteral("SupportCallBack"), QStringLiteral("0")));

  const QString mainType = db(0, 3).toString();
  if (mainType.compare(QLatin1String("ORACLE"), Qt::CaseInsensitive) == 0)
    DBKind = 1;
  else if (mainType.compare(QLatin1String("DB2"), Qt::CaseInsensitive) == 0)
    DBKind = 2;
  DBSettings = QVariant::fromValue(db);
  ComputeModes();
  ResolveWorkDLLPaths(ini.ReadSectionValues(QStringLiteral("WorkDLLPath")), ServerPath, QStringLiteral("S_PKG/"));
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
