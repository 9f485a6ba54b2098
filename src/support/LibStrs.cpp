// String, number, code-page and log routines of the toolbox (the date
// routines live in LibStrsDates.cpp).
#include "support/LibStrs.h"

#include "platform/os/CodePages.h"
#include "platform/os/Exceptions.h"
#include "platform/os/SysUtils.h"
#include "support/VantorINI.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cmath>

namespace vantor {

namespace {

QString Pad(const QString& text, int width, QChar pad, bool left) {
  if (text.size() >= width)
    return text;
  const QString fill(width - text.size(), pad);
  return left ? fill + text : text + fill;
}

QChar PadCharOf(const QList<int>& widthAndCharCode) {
  const int code = widthAndCharCode.size() > 1 ? widthAndCharCode[1] : ' ';
  return code > 0 && code <= 0xFFFF ? QChar(char16_t(code)) : QLatin1Char(' ');
}

// --- exact decimal rounding ---------------------------------------------------------

using Int128 = __int128;

Int128 PowerOfTen(int n) {
  Int128 p = 1;
  while (n-- > 0)
    p *= 10;
  return p;
}

QString Int128Text(Int128 v) {
  if (v == 0)
    return QStringLiteral("0");
  QString digits;
  while (v > 0) {
    digits.prepend(QChar(u'0' + int(v % 10)));
    v /= 10;
  }
  return digits;
}

// The value at 15 significant digits as an integer mantissa and a power of ten.
void FifteenDigits(double value, qint64* mantissa, int* exponent) {
  const QString e = QString::number(std::fabs(value), 'e', 14);  // d.dddddddddddddde±XX
  const qsizetype ePos = e.indexOf(QLatin1Char('e'));
  QString digits = e.left(ePos);
  digits.remove(QLatin1Char('.'));
  *mantissa = digits.toLongLong();
  *exponent = e.mid(ePos + 1).toInt() - 14;
}

// Rounding beyond this many decimals is left alone: the 1e-12 allowance
// would then show in the result.
constexpr int kMaxRoundedDigits = 11;

// --- alert log --------------------------------------------------------------------------

QString ProgramFolder() {
  if (QCoreApplication::instance())
    return QCoreApplication::applicationDirPath();
  return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

// A name is part of a file name; a "/" in it would lead out of the log folder.
QString SafeFileNamePart(QString name) {
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  name.replace(QChar(u'\0'), QLatin1Char('_'));
  return name;
}

// --- code pages ---------------------------------------------------------------------------

QByteArray DefaultAnsi(const QString& text) {
  try {
    return WideCharToMultiByte(CP_ACP, text);
  } catch (const Exception&) {
    return text.toLocal8Bit();
  }
}

QString DefaultWide(const QByteArray& bytes) {
  try {
    return MultiByteToWideChar(CP_ACP, bytes);
  } catch (const Exception&) {
    return QString::fromLocal8Bit(bytes);
  }
}

template <class Convert>
QVariant ConvertVariant(const QVariant& value, const Convert& convert) {
  if (VarIsBlank(value))
    return value;
  if (value.typeId() == QMetaType::QVariantList) {
    QVariantList items = value.toList();
    for (QVariant& item : items)
      item = ConvertVariant(item, convert);
    return items;
  }
  if (VarIsMatrix(value)) {
    TVarMatrix matrix = VarToMatrix(value);
    for (int i = matrix.Low(1); i <= matrix.High(1); ++i)
      for (int j = matrix.Low(2); j <= matrix.High(2); ++j)
        matrix.Set(i, j, convert(matrix(i, j)));
    return QVariant::fromValue(matrix);
  }
  return convert(value);
}

}  // namespace

// --- strings ------------------------------------------------------------------------------

QString PadLeft(const QString& text, int width, QChar pad) { return Pad(text, width, pad, true); }
QString PadRight(const QString& text, int width, QChar pad) { return Pad(text, width, pad, false); }

QString PadLeft(const QString& text, const QList<int>& widthAndCharCode) {
  return PadLeft(text, widthAndCharCode.value(0), PadCharOf(widthAndCharCode));
}

QString PadRight(const QString& text, const QList<int>& widthAndCharCode) {
  return PadRight(text, widthAndCharCode.value(0), PadCharOf(widthAndCharCode));
}

QString ZeroPad(int width, qint64 value) {
  // At least one digit, so that 0 never comes out as an empty text.
  return QString::asprintf("%.*lld", qBound(1, width, 64), static_cast<long long>(value));
}

QString GetToken(const QString& text, const QString& separator, int index) {
  if (index < 1 || index > TokenCount(text, separator))
    return QString();
  if (separator.isEmpty())
    return text;
  return text.section(separator, index - 1, index - 1);
}

int TokenCount(const QString& text, const QString& separator) {
  if (text.isEmpty())
    return 0;
  return separator.isEmpty() ? 1 : int(text.count(separator)) + 1;
}

QString CutToken(QString& text, const QString& separator) {
  const qsizetype at = separator.isEmpty() ? -1 : text.indexOf(separator);
  if (at < 0) {
    QString head;
    head.swap(text);
    return head;
  }
  const QString head = text.left(at);
  text.remove(0, at + separator.size());
  return head;
}

QString ReplaceAll(const QString& text, const QString& oldText, const QString& newText, bool trim) {
  QString result = text;
  if (!oldText.isEmpty() && oldText.compare(newText, Qt::CaseInsensitive) != 0) {
    if (newText.contains(oldText)) {
      // Looking again would find the replacement itself for ever.
      result.replace(oldText, newText);
    } else {
      // An occurrence made by a replacement can start at most old - 1
      // characters before it; anything further left was searched already.
      qsizetype at = result.indexOf(oldText);
      while (at >= 0) {
        result.replace(at, oldText.size(), newText);
        at = result.indexOf(oldText, qMax<qsizetype>(0, at - oldText.size() + 1));
      }
    }
  }
  return trim ? result.trimmed() : result;
}

bool IsLoopbackAddress(const QString& text) { return text == QLatin1String("127.0.0.1"); }

QString TranslateButtonCaption(const QString& buttonName) {
  static const QHash<QString, QString> captions = {
      {QStringLiteral("Yes"), QStringLiteral("是(&Y)")},       {QStringLiteral("No"), QStringLiteral("否(&N)")},
      {QStringLiteral("OK"), QStringLiteral("确定")},          {QStringLiteral("Cancel"), QStringLiteral("取消")},
      {QStringLiteral("Abort"), QStringLiteral("中断(&A)")},   {QStringLiteral("Retry"), QStringLiteral("重试(&R)")},
      {QStringLiteral("Ignore"), QStringLiteral("忽略(&I)")},  {QStringLiteral("All"), QStringLiteral("全部(&A)")},
      {QStringLiteral("NoToAll"), QStringLiteral("全否(&o)")}, {QStringLiteral("YesToAll"), QStringLiteral("全是(&A)")},
      {QStringLiteral("Help"), QStringLiteral("帮助(&H)")},
  };
  return captions.value(buttonName, buttonName);
}

// --- variants and numbers -----------------------------------------------------------------

QVariant VarIIf(bool condition, const QVariant& ifTrue, const QVariant& ifFalse) {
  return condition ? ifTrue : ifFalse;
}

double RoundDigits(int digits, double value) {
  if (!std::isfinite(value) || value == 0)
    return value == 0 ? 0.0 : value;
  digits = qMax(0, digits);
  qint64 mantissa = 0;
  int exponent = 0;
  FifteenDigits(value, &mantissa, &exponent);
  const double sign = value < 0 ? -1.0 : 1.0;
  const double fifteen = QString::number(value, 'g', 15).toDouble();
  if (digits > kMaxRoundedDigits || exponent >= -digits)
    return fifteen;  // nothing beyond the wanted decimals
  if (exponent + 14 < -12)
    return 0.0;  // below 1e-12: rounds to zero at any kept precision
  // In units of 10^unit, add the 1e-12 allowance, then round half up.
  const int unit = qMin(exponent, -12);
  const Int128 scaled = Int128(mantissa) * PowerOfTen(exponent - unit) + PowerOfTen(-12 - unit);
  const Int128 step = PowerOfTen(-digits - unit);
  Int128 kept = scaled / step;
  if ((scaled % step) * 2 >= step)
    ++kept;
  if (kept == 0)
    return 0.0;
  QString text = Int128Text(kept);
  if (digits > 0) {
    text = PadLeft(text, digits + 1, QLatin1Char('0'));
    text.insert(text.size() - digits, QLatin1Char('.'));
  }
  return sign * text.toDouble();
}

int CompareFloat(double a, double b) {
  const double x = QString::number(a, 'g', 15).toDouble();
  const double y = QString::number(b, 'g', 15).toDouble();
  if (std::fabs(x - y) < 1e-10)
    return 0;
  return x < y ? -1 : 1;
}

// --- Unicode and code-page bytes ------------------------------------------------------------

QByteArray WideToAnsiCP(const QString& text, int codePage) {
  try {
    return WideCharToMultiByte(codePage, text);
  } catch (const Exception&) {
    return DefaultAnsi(text);
  }
}

QString AnsiToWideCP(const QByteArray& bytes, int codePage) {
  try {
    return MultiByteToWideChar(codePage, bytes);
  } catch (const Exception&) {
    return DefaultWide(bytes);
  }
}

QVariant VarWideToAnsi(const QVariant& value, int codePage) {
  try {
    return ConvertVariant(value, [codePage](const QVariant& v) {
      return v.typeId() == QMetaType::QString ? QVariant(WideToAnsiCP(v.toString(), codePage)) : v;
    });
  } catch (const std::exception& e) {
    WriteAlertLog(QStringLiteral("libstrs"), QStringLiteral("LINE[2735] ") + QString::fromUtf8(e.what()),
                  QStringLiteral("D"));
    return value;
  }
}

QVariant VarAnsiToWide(const QVariant& value, int codePage) {
  try {
    return ConvertVariant(value, [codePage](const QVariant& v) {
      return v.typeId() == QMetaType::QByteArray ? QVariant(AnsiToWideCP(v.toByteArray(), codePage)) : v;
    });
  } catch (const std::exception& e) {
    WriteAlertLog(QStringLiteral("libstrs"), QStringLiteral("LINE[115] ") + QString::fromUtf8(e.what()),
                  QStringLiteral("D"));
    return value;
  }
}

// --- logs ---------------------------------------------------------------------------------------

QString AlertLogFolder() {
  QString folder = GetInstallPath();
  if (folder.isEmpty())
    folder = ProgramFolder();
  return IncludeTrailingPathDelimiter(folder) + QStringLiteral("Log");
}

QString AlertLogFileName(const QString& folder, const QString& name, const QString& period, const QDate& day) {
  QString stamp;
  if (period == QLatin1String("M"))
    stamp = day.toString(QStringLiteral("yyyyMM"));
  else if (period == QLatin1String("Y"))
    stamp = day.toString(QStringLiteral("yyyy"));
  else
    stamp = day.toString(QStringLiteral("yyyyMMdd"));
  const QString safeName = SafeFileNamePart(name);
  QString fileName = IncludeTrailingPathDelimiter(folder) + QStringLiteral("Alert_") + safeName + QLatin1Char('_') + stamp;
  if (!safeName.contains(QLatin1Char('.')))
    fileName += QStringLiteral(".log");
  return fileName;
}

bool AppendLogLine(const QString& fileName, const QString& line) {
  try {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
      return false;
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
  } catch (const std::exception&) {
    return false;
  }
}

bool WriteAlertLog(const QString& name, const QString& message, const QString& period) {
  try {
    const QString folder = AlertLogFolder();
    if (!ForceDirectories(folder))
      return false;
    const QDateTime now = QDateTime::currentDateTime();
    const QString line = QLatin1Char('[') + now.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss:zzz")) +
                         QStringLiteral("] ") + message;
    return AppendLogLine(AlertLogFileName(folder, name, period, now.date()), line);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace vantor
