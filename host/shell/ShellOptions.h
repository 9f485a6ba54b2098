// The shell's command line:
//   vantor [--user U --company C --database D] [--run-mode N] [--param TEXT|@FILE] PROGRAM
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace vantor {

struct TShellOptions {
  QString User, Company, Database;
  std::optional<int> RunMode;
  std::optional<QString> Param;   // start condition text (read from the file for @FILE)
  QString Program;                // e.g. RTNI01
};

// Raises Exception with a usage message on bad arguments or an unreadable @FILE.
TShellOptions ParseShellOptions(const QStringList& args);
QString ShellUsage();

}  // namespace vantor
