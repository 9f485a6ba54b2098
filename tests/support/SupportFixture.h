// Shared fixture of the support tests: a temporary suite folder whose
// registry file and ini files each test writes as it needs, and a scope for
// environment variables such as the system code page.
#pragma once

#include "util/TempSuite.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>
#include <memory>

namespace vantor::test {

// Sets (or, with a null value, unsets) an environment variable for its lifetime.
class TEnvScope {
public:
  TEnvScope(const char* name, const QByteArray& value) : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    if (value.isNull()) qunsetenv(name);
    else qputenv(name, value);
  }
  ~TEnvScope() {
    if (had_) qputenv(name_, old_);
    else qunsetenv(name_);
  }
  TEnvScope(const TEnvScope&) = delete;
  TEnvScope& operator=(const TEnvScope&) = delete;

private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

class TSupportTest : public ::testing::Test {
protected:
  void SetUp() override { suite_ = std::make_unique<TTempSuite>(QStringLiteral(VANTOR_BIN_DIR)); }
  void TearDown() override { suite_.reset(); }

  QString SuitePath() const { return suite_->Path(); }
  QString FilePath(const QString& relative) const { return suite_->FilePath(relative); }
  void WriteFile(const QString& relative, const QString& text) const { suite_->WriteFile(relative, text.toUtf8()); }
  void RemoveFile(const QString& relative) const { QFile::remove(FilePath(relative)); }

  // The registry key of the suite with these "name=value" lines.
  void WriteRegistry(const QString& valueLines) const {
    WriteFile(QStringLiteral("vantor.reg"), QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\ZKM\\Vantor]\n") + valueLines);
  }
  void WriteClientIni(const QString& text) const { WriteFile(QStringLiteral("VantorC.ini"), text); }
  void WriteServerIni(const QString& text) const { WriteFile(QStringLiteral("VantorS.ini"), text); }

private:
  std::unique_ptr<TTempSuite> suite_;
};

}  // namespace vantor::test
