// Suite layout as the shell sees it.
#include "shell/SuiteLocator.h"

#include "platform/os/Exceptions.h"
#include "platform/os/IniFiles.h"
#include "platform/os/Registry.h"

#include <QDir>

namespace vantor {

namespace {
QString WithSlash(QString path) {
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  return path;
}
}  // namespace

QStringList PackageFoldersOf(const QString& installFolder, const QString& iniFile) {
  const TIniFile ini(iniFile);
  QStringList folders;
  for (const QString& line : ini.ReadSectionValues(QStringLiteral("WorkDLLPath"))) {
    const QString value = line.section(QLatin1Char('='), 1).trimmed();
    if (value.isEmpty()) continue;
    folders << WithSlash(QDir::isAbsolutePath(value) ? value : installFolder + value);
  }
  if (folders.isEmpty()) folders << installFolder + QStringLiteral("C_PKG/");
  return folders;
}

TSuiteLayout LocateSuite() {
  TRegistry reg(HKEY_LOCAL_MACHINE);
  QString install;
  if (reg.OpenKeyReadOnly(QStringLiteral("Software\\ZKM\\Vantor")) &&
      reg.ValueExists(QStringLiteral("ClientPath")))
    install = reg.ReadString(QStringLiteral("ClientPath")).trimmed();
  if (install.isEmpty())
    throw Exception(QStringLiteral("the registry file %1 names no suite folder (ClientPath of Software\\ZKM\\Vantor)")
                        .arg(TRegistry::FileName()));
  TSuiteLayout layout;
  layout.InstallFolder = WithSlash(install);
  layout.PackageFolders = PackageFoldersOf(layout.InstallFolder, layout.InstallFolder + QStringLiteral("VantorC.ini"));
  return layout;
}

}  // namespace vantor
