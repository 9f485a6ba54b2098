// Command-line parsing of the shell, strict so that a typo is reported rather
// than silently starting the wrong program.
#include "shell/ShellOptions.h"

#include "platform/os/Exceptions.h"

#include <QFile>

namespace vantor {

QString ShellUsage() {
  return QStringLiteral(
      "usage: vantor [--user U --company C --database D] [--run-mode N] [--param TEXT|@FILE] PROGRAM");
}

namespace {
[[noreturn]] void Bad(const QString& why) { throw Exception(why + QLatin1Char('\n') + ShellUsage()); }

QString ReadParam(const QString& value) {
  if (!value.startsWith(QLatin1Char('@'))) return value;
  QFile f(value.mid(1));
  if (!f.open(QIODevice::ReadOnly)) Bad(QStringLiteral("cannot read %1: %2").arg(f.fileName(), f.errorString()));
  return QString::fromUtf8(f.readAll());
}
}  // namespace

TShellOptions ParseShellOptions(const QStringList& args) {
  TShellOptions o;
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&]() -> QString {
      if (i + 1 >= args.size()) Bad(QStringLiteral("%1 needs a value").arg(a));
      return args[++i];
    };
    if (a == QLatin1String("--user")) o.User = value();
    else if (a == QLatin1String("--company")) o.Company = value();
    else if (a == QLatin1String("--database")) o.Database = value();
    else if (a == QLatin1String("--run-mode")) {
      bool ok = false;
      const int n = value().toInt(&ok);
      if (!ok) Bad(QStringLiteral("--run-mode takes a number"));
      o.RunMode = n;
    } else if (a == QLatin1String("--param")) o.Param = ReadParam(value());
    else if (a.startsWith(QLatin1String("--"))) Bad(QStringLiteral("unknown option %1").arg(a));
    else if (o.Program.isEmpty()) o.Program = a.toUpper();
    else Bad(QStringLiteral("more than one program named"));
  }
  if (o.Program.isEmpty()) Bad(QStringLiteral("no program named"));
  if (!o.User.isEmpty() && (o.Company.isEmpty() || o.Database.isEmpty()))
    Bad(QStringLiteral("--user needs --company and --database"));
  return o;
}

}  // namespace vantor
