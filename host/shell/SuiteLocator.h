// Where the suite is installed and which folders hold its program packages,
// read by the shell itself from the registry file and the client ini.
#pragma once

#include <QString>
#include <QStringList>

namespace vantor {

struct TSuiteLayout {
  QString InstallFolder;         // ends in "/"; empty when the registry names none
  QStringList PackageFolders;    // each ends in "/"
};

// Raises Exception when the registry names no install folder, with the
// registry file that was looked at.
TSuiteLayout LocateSuite();

// The package folders listed by the [WorkDLLPath] section of the client ini
// (values relative to the install folder unless absolute), or the install
// folder's "C_PKG/" when the section lists none.
QStringList PackageFoldersOf(const QString& installFolder, const QString& iniFile);

}  // namespace vantor
