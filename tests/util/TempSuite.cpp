// Temporary suite folders for tests.
#include "util/TempSuite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace vantor::test {

QString TTempSuite::DefaultClientIni() {
  return QStringLiteral(
      "[Client Components]\nLangType=CHS\n"
      "[CodePage]\nUICodePage=936\nDBCodePage=936\n"
      "[Server Information]\nComputerName=127.0.0.1\nServerPort=211\n");
}

TTempSuite::TTempSuite(const QString& binDir, const QString& clientIni) {
  if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary suite folder");
  hadRegistry_ = qEnvironmentVariableIsSet("VANTOR_REGISTRY");
  savedRegistry_ = qgetenv("VANTOR_REGISTRY");
  QDir root(dir_.path());
  for (const char* sub : {"C_PKG", "Log", "c_Data", "MultiLanguage/CHS", "MultiLanguage/CHT", "MultiLanguage/ENG"})
    root.mkpath(QString::fromLatin1(sub));
  WriteFile(QStringLiteral("vantor.reg"),
            QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\ZKM\\Vantor]\nClientPath=%1\nServerPath=%1\nProfileType=0\n")
                .arg(Path())
                .toUtf8());
  WriteFile(QStringLiteral("VantorC.ini"), clientIni.toUtf8());
  QString classes = QStringLiteral("[Classes]\n");
  for (const QFileInfo& lib : QDir(binDir).entryInfoList({QStringLiteral("*.so")}, QDir::Files)) {
    QFile::link(lib.absoluteFilePath(), FilePath(QStringLiteral("C_PKG/") + lib.fileName()));
    if (lib.fileName() == QLatin1String("libnexsrv01s.so"))
      classes += QStringLiteral(
          "NEXSRV01S.Class1=C_PKG/libnexsrv01s.so\nNEXSRV01S.Service=C_PKG/libnexsrv01s.so\n"
          "PICKWINS.Class1=C_PKG/libnexsrv01s.so\n");
  }
  WriteFile(QStringLiteral("ComClasses.ini"), classes.toUtf8());
  qputenv("VANTOR_REGISTRY", FilePath(QStringLiteral("vantor.reg")).toLocal8Bit());
}

TTempSuite::~TTempSuite() {
  if (hadRegistry_) qputenv("VANTOR_REGISTRY", savedRegistry_);
  else qunsetenv("VANTOR_REGISTRY");
}

QString TTempSuite::Path() const { return dir_.path() + QLatin1Char('/'); }

QString TTempSuite::FilePath(const QString& relative) const { return Path() + relative; }

void TTempSuite::WriteFile(const QString& relative, const QByteArray& content) const {
  QFile f(FilePath(relative));
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
    throw std::runtime_error("cannot write " + f.fileName().toStdString());
}

}  // namespace vantor::test
