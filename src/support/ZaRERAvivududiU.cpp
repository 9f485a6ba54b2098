// Password scrambling and the exception report of the server configuration.
#include "support/ZaRERAvivududiU.h"

#include "platform/os/CodePages.h"
#include "platform/os/Exceptions.h"
#include "platform/os/SysUtils.h"
#include "support/LibStrs.h"
#include "support/VantorINI.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <cxxabi.h>
#include <cstdlib>
#include <ios>
#include <system_error>
#include <typeinfo>

namespace vantor {

namespace {

quint8 RotateRight(quint8 value, int bits) {
  bits %= 8;
  return bits == 0 ? value : quint8((value >> bits) | (value << (8 - bits)));
}

quint8 RotateLeft(quint8 value, int bits) {
  bits %= 8;
  return bits == 0 ? value : quint8((value << bits) | (value >> (8 - bits)));
}

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

QString ClassNameOf(const std::exception& error) {
  if (const auto* own = dynamic_cast<const Exception*>(&error))
    return own->ClassName();
  const char* mangled = typeid(error).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  const QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
  std::free(demangled);
  return name;
}

QString MessageOf(const std::exception& error) {
  if (const auto* own = dynamic_cast<const Exception*>(&error))
    return own->Message();
  return QString::fromLocal8Bit(error.what());
}

// The lines about the exception itself; answers how many errors it held.
int ReportErrorLines(const std::exception& error) {
  const QString line = QStringLiteral("%1 Error %2: Code: %3, Message: %4");
  if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
    const bool io = system->code().category() == std::iostream_category();
    WriteGeneratorAlert(line.arg(io ? QStringLiteral("EInOutError") : QStringLiteral("EWin32Error"))
                            .arg(1, 2, 10, QLatin1Char('0'))
                            .arg(system->code().value())
                            .arg(QString::fromLocal8Bit(system->code().message().c_str())));
    return 1;
  }
  WriteGeneratorAlert(QStringLiteral("Exception is %1\nMessage %2: ").arg(ClassNameOf(error)).arg(1, 2, 10, QLatin1Char('0')) +
                      MessageOf(error));
  return 1;
}

QString GeneratorLogFolder() {
  QString folder = GetInstallPathOrTemp();
  if (folder.isEmpty())
    folder = QCoreApplication::applicationDirPath();
  return IncludeTrailingPathDelimiter(folder) + QStringLiteral("Log");
}

}  // namespace

QString EncodeSQLPassword(const QString& plain) {
  const QByteArray bytes = WideCharToMultiByte(CP_ACP, plain.isEmpty() ? kNoPasswordSentinel : plain);
  QString scrambled;
  scrambled.reserve(bytes.size() * 2);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const quint8 rotated = RotateRight(quint8(bytes[i]), int((i + 1) % 8));
    scrambled += QStringLiteral("%1").arg(rotated, 2, 16, QLatin1Char('0'));
  }
  return scrambled;
}

QString DecodeSQLSa(const QString& scrambled) {
  QByteArray bytes;
  bytes.reserve(scrambled.size() / 2);
  for (qsizetype i = 1; 2 * i <= scrambled.size(); ++i) {
    const int high = HexDigit(scrambled[2 * i - 2]);
    const int low = HexDigit(scrambled[2 * i - 1]);
    if (high < 0 || low < 0) {
      const EConvertError error(
          QStringLiteral("\"%1\" is not a hexadecimal byte (position %2)").arg(scrambled.mid(2 * i - 2, 2)).arg(2 * i - 1));
      ReportException(&error, EncodeSQLPassword(QStringLiteral("DecodeSQLSa")), QStringLiteral("解析 Sa 时发生错误!"));
      return kPasswordErrorText;
    }
    bytes.append(char(RotateLeft(quint8(high * 16 + low), int(i % 8))));
  }
  const QString plain = MultiByteToWideChar(CP_ACP, bytes);
  return plain == kNoPasswordSentinel ? QString() : plain;
}

void ReportException(const std::exception* error, const QString& place, const QString& programmerMessage) {
  const QString dashes(34, QLatin1Char('-'));
  const QString on = place.trimmed().isEmpty() ? QString() : QStringLiteral(" on ") + place + QLatin1Char(' ');
  WriteGeneratorAlert(dashes + on + dashes);
  if (error) {
    WriteGeneratorAlert(QStringLiteral("讯息信息:"));
    const int count = ReportErrorLines(*error);
    WriteGeneratorAlert(QStringLiteral("ErrorMessage Count: %1").arg(count));
  }
  if (!programmerMessage.trimmed().isEmpty())
    WriteGeneratorAlert(QStringLiteral("Programer Message: ") + programmerMessage.trimmed());
}

QString GeneratorAlertFileName() {
  return GeneratorLogFolder() + QStringLiteral("/Alert_ZaRERAvivududi_") +
         QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log");
}

bool WriteGeneratorAlert(const QString& text) {
  try {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    const QString stamp = locale.toString(
        now, locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + locale.timeFormat(QLocale::LongFormat));
    if (!ForceDirectories(GeneratorLogFolder()))
      return false;
    return AppendLogLine(GeneratorAlertFileName(), QLatin1Char('[') + stamp + QStringLiteral("] ") + text);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace vantor
