// Shared fixture of the language tests: a temporary suite folder whose
// client ini chooses the interface and database code pages, the system code
// page chosen through its variable, language files written into the
// language folders, and a scripted dialog host for the messages.
#pragma once

#include "util/ScriptedDialogHost.h"
#include "util/TempSuite.h"
#include "util/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace vantor::test {

class TLanguageTest : public ::testing::Test {
protected:
  void SetUp() override {
    suite_ = std::make_unique<TTempSuite>(QStringLiteral(VANTOR_BIN_DIR));
    UseCodePages("936", "936", "936");
  }
  void TearDown() override {
    codePage_.reset();
    suite_.reset();
  }

  // System code page (through the variable), interface and database code
  // pages (through the client ini).
  void UseCodePages(const char* system, const char* ui, const char* db) {
    codePage_.reset();
    codePage_ = std::make_unique<TScopedEnv>("VANTOR_CODEPAGE", QByteArray(system));
    suite_->WriteFile(QStringLiteral("VantorC.ini"),
                      QStringLiteral("[Client Components]\nLangType=CHS\n[CodePage]\nUICodePage=%1\nDBCodePage=%2\n"
                                     "[Server Information]\nComputerName=127.0.0.1\nServerPort=211\n")
                          .arg(QLatin1String(ui), QLatin1String(db))
                          .toUtf8());
  }

  // Registry values of the suite's key besides its paths.
  void WriteRegistryExtra(const QString& lines) const {
    suite_->WriteFile(QStringLiteral("vantor.reg"),
                      QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\ZKM\\Vantor]\nClientPath=%1\nServerPath=%1\n%2")
                          .arg(SuitePath(), lines)
                          .toUtf8());
  }

  QString SuitePath() const { return suite_->Path(); }
  QString LangFolder(const char* code) const { return SuitePath() + QStringLiteral("MultiLanguage/") + code + '/'; }

  void WriteLang(const char* code, const QString& package, const QString& xml) const {
    WriteFileBytes(LangFolder(code) + package + QStringLiteral(".Lng"), xml.toUtf8());
  }
  void WriteSuiteFile(const QString& relative, const QByteArray& bytes) const { suite_->WriteFile(relative, bytes); }

private:
  std::unique_ptr<TTempSuite> suite_;
  std::unique_ptr<TScopedEnv> codePage_;
};

}  // namespace vantor::test
