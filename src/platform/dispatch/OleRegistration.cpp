// The class registration file of the suite folder.
#include "platform/dispatch/OleRegistration.h"

#include "platform/os/IniFiles.h"
#include "platform/os/Registry.h"

#include <QDir>
#include <QFileInfo>

namespace vantor {

namespace {
const QString kFileName = QStringLiteral("ComClasses.ini");
const QString kSection = QStringLiteral("Classes");
}  // namespace

QString DefaultOleRegistrationFile() {
  TRegistry reg(HKEY_LOCAL_MACHINE);
  if (!reg.OpenKeyReadOnly(QStringLiteral("Software\\ZKM\\Vantor"))) return QString();
  QString folder = reg.ValueExists(QStringLiteral("ClientPath")) ? reg.ReadString(QStringLiteral("ClientPath")) : QString();
  if (folder.isEmpty() && reg.ValueExists(QStringLiteral("ServerPath")))
    folder = reg.ReadString(QStringLiteral("ServerPath"));
  if (folder.isEmpty()) return QString();
  return QDir(folder).filePath(kFileName);
}

QString OleLibraryFor(const QString& registrationFile, const QString& progId) {
  if (registrationFile.isEmpty()) return QString();
  const TIniFile ini(registrationFile);
  const QString library = ini.ReadString(kSection, progId, QString());
  if (library.isEmpty()) return QString();
  return QFileInfo(QFileInfo(registrationFile).dir(), library).absoluteFilePath();
}

}  // namespace vantor
