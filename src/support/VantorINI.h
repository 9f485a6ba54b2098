// The client and server configuration readers and the install-folder
// look-ups of the log writers.
//
// The suite's installer sets everything up in two places: the registry key
// HKEY_LOCAL_MACHINE\Software\ZKM\Vantor (where the suite lives, whether
// per-user profiles are on) and an ini file of the install folder,
// "VantorC.ini" on a client and "VantorS.ini" on a server. A reader is
// created, its public fields are copied and it is freed again within one
// operation: the constructor reads everything, so every reader sees the
// registry and the file as they are at that moment. Nothing here writes
// either of them.
//
// Paths are POSIX paths: folders end in "/", an absolute path plays the part
// of a drive. Reading never fails loudly: a missing key leaves the defaults
// and ErrorCode "E;000015", a client without server host "E;000016"; a
// missing or unreadable ini file gives every key its default.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace vantor {

// Which reader a component takes: the client's everywhere except on a server.
enum TDesignType { dtClient, dtServer };

// The error codes a reader leaves in ErrorCode.
inline const QString kErrNoRegistryKey = QStringLiteral("E;000015");
inline const QString kErrNoServerHost = QStringLiteral("E;000016");

// The registry key both readers and the install-folder look-ups open.
inline const QString kVantorRegistryKey = QStringLiteral("Software\\ZKM\\Vantor");

// What the two readers share: code pages, conversion modes and the way the
// ini file is found. The install folder is ClientPath or ServerPath of the
// derived reader; this part only knows it as the folder read from the
// registry value it is told about.
class TVantorIniBase {
public:
  QString WorkPath;
  QString ProfileType = QStringLiteral("0");
  QString UserName = QStringLiteral("Default");
  QString UICodePage = QStringLiteral("936");
  QString DBCodePage = QStringLiteral("936");
  QString SystemCodePage;
  quint8 UIConvertMode = 0;
  quint8 DBConvertMode = 0;
  bool SupportCallBack = false;
  QString IniFileName;
  QString ErrorCode;
  QStringList WorkDLLPaths;
  QString ProductVersion;

  // The modes follow from the three code pages (exact, case-sensitive).
  static quint8 UIConvertModeOf(const QString& uiCodePage, const QString& systemCodePage);
  static quint8 DBConvertModeOf(const QString& uiCodePage, const QString& dbCodePage);
  // "936" and "950" as they are; every other number reads as "437".
  static QString SystemCodePageText(int codePage);
  // "1", "Y", "YES" and "TRUE" in any case are true; anything else false.
  static bool IsTrueText(const QString& text);

protected:
  TVantorIniBase();
  void ResetDefaults();
  void ComputeModes();
  // Reads the registry and finds the ini file. Answers the install folder
  // (ending in "/"), or "" when the key is missing or the folder is empty
  // (ErrorCode tells which).
  QString LocateIniFile(const QString& pathValue, const QString& iniName);
  // Resolves the "WorkDLLPath" section's lines against the install folder;
  // an empty section gives install folder + defaultFolder.
  void ResolveWorkDLLPaths(const QStringList& sectionLines, const QString& installPath,
                           const QString& defaultFolder);
};

class TVantorIniC : public TVantorIniBase {
public:
  QString ClientPath;
  // Application servers: a TVarMatrix with row 0 the host names and row 1
  // the ports, one column per server. Unassigned until read.
  QVariant ServerList;
  QString LangType = QStringLiteral("ENG");
  QString CreateGifBeforeSendEF = QStringLiteral("Y");
  QString AutoCheckNewMsg = QStringLiteral("1");
  QString CheckInterval = QStringLiteral("1");
  QString PopupMsg = QStringLiteral("1");
  QString LoginCheck = QStringLiteral("0");

  TVantorIniC();
  // True when the key was found and the ini file read through; callers
  // look at ErrorCode and the fields rather than at the answer.
  bool ReadSettings();

private:
  bool ReadIniFile();
  bool FillServerList(QString hosts, int port);
};

class TVantorIniS : public TVantorIniBase {
public:
  QString ServerPath;
  // Database connection settings, rows 0..3 and columns 0..7 (a TVarMatrix);
  // cells never written stay Unassigned.
  QVariant DBSettings;
  quint8 DBKind = 0;  // 1 ORACLE, 2 DB2, else 0
  QString SystemControlAddress;
  QString OtherSystemControlAddress;

  TVantorIniS();
  bool ReadSettings();

private:
  void ReadIniFile();
};

// Makes a folder name read from an ini file absolute against a base folder
// (which ends in "/"): an absolute path stays as it is, a path starting
// with "\" (the old root-relative form) and any other path are put under
// the base; an empty path is the base itself.
QString ResolvePath(const QString& path, const QString& baseFolder);

// ClientPath of the registry key, else ServerPath, else "".
QString GetInstallPath();
// GetInstallPath, else the temporary folder; never "".
QString GetInstallPathOrTemp();

}  // namespace vantor
