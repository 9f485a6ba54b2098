// A throwaway suite folder for tests: registry file, client ini, package
// folder with the built libraries, class registration file. The registry
// variable points at it while the object lives.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace vantor::test {

class TTempSuite {
public:
  // binDir: where the build put the modules and libraries.
  explicit TTempSuite(const QString& binDir, const QString& clientIni = DefaultClientIni());
  ~TTempSuite();

  QString Path() const;                      // ends in "/"
  QString FilePath(const QString& relative) const;
  void WriteFile(const QString& relative, const QByteArray& content) const;

  static QString DefaultClientIni();

private:
  QTemporaryDir dir_;
  QByteArray savedRegistry_;
  bool hadRegistry_ = false;
};

}  // namespace vantor::test
