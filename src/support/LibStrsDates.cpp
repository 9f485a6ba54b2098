// The date and time routines of the toolbox: stored forms ("YYYYMMDD" and
// the seventeen-digit date-time) to and from the display forms of the five
// format codes, and hour-minute-second texts.
#include "support/LibStrs.h"

#include <QDateTime>
#include <QTime>
#include <array>
#include <cmath>
#include <limits>

namespace vantor {

namespace {

constexpr int kRocOffset = 1911;  // year 1 of the Republic of China era is 1912
const QString kMinStr8 = QStringLiteral("17530101");
const QString kMaxStr8 = QStringLiteral("99991231");

using TParts = std::array<int, 3>;

// A trimmed text as a whole number, `bad` when it is none.
int NumberOr(const QString& text, int bad) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  return ok ? value : bad;
}

// Digits only (no sign, no blanks), as in a fixed-position field; 0 otherwise.
int DigitsOrZero(const QString& text) {
  if (text.isEmpty())
    return 0;
  for (const QChar c : text)
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return 0;
  bool ok = false;
  const int value = text.toInt(&ok);
  return ok ? value : 0;
}

// The three parts of a display date in the order they are written. With a
// separator they are cut at it (text left after the third part makes the
// date unreadable); without one, month and day take two digits and the year
// the rest. False when the text cannot be split.
bool SplitDisplayDate(const QString& text, int formatCode, const QString& separator, int bad, TParts* parts) {
  QString rest = text.trimmed();
  if (!separator.isEmpty()) {
    const QString sep = separator.left(1);
    for (int& part : *parts)
      part = NumberOr(CutToken(rest, sep), bad);
    return rest.trimmed().isEmpty();
  }
  const qsizetype n = rest.size();
  QStringList pieces;
  if (formatCode == 2 || formatCode == 3)
    pieces = {rest.mid(0, 2), rest.mid(2, 2), rest.mid(4)};
  else if (formatCode == 4 || formatCode == 5)
    pieces = {rest.left(qMax<qsizetype>(0, n - 4)), n >= 4 ? rest.mid(n - 4, 2) : QString(), n >= 2 ? rest.right(2) : QString()};
  else
    pieces = {rest.mid(0, 4), rest.mid(4, 2), rest.mid(6)};
  for (int i = 0; i < 3; ++i)
    (*parts)[i] = pieces[i].isEmpty() ? bad : NumberOr(pieces[i], bad);
  return true;
}

// Year, month and day from the parts as the format code writes them;
// unknown codes are read as code 1.
void OrderParts(const TParts& parts, int formatCode, int* year, int* month, int* day) {
  switch (formatCode) {
    case 2: *year = parts[2]; *month = parts[0]; *day = parts[1]; break;
    case 3: *year = parts[2]; *month = parts[1]; *day = parts[0]; break;
    case 4:
    case 5: *year = parts[0] + kRocOffset; *month = parts[1]; *day = parts[2]; break;
    default: *year = parts[0]; *month = parts[1]; *day = parts[2]; break;
  }
}

// The date part as it is written for the format code; "" for unknown codes.
QString FormatDatePart(int formatCode, const QString& separator, const QDate& date) {
  const QString s = separator.left(1);
  const int y = date.year(), m = date.month(), d = date.day();
  auto two = [](int v) { return ZeroPad(2, v); };
  switch (formatCode) {
    case 1: return ZeroPad(4, y) + s + two(m) + s + two(d);
    case 2: return two(m) + s + two(d) + s + ZeroPad(4, y);
    case 3: return two(d) + s + two(m) + s + ZeroPad(4, y);
    case 4: return ZeroPad(2, y - kRocOffset) + s + two(m) + s + two(d);
    case 5: return ZeroPad(3, y - kRocOffset) + s + two(m) + s + two(d);
    default: return QString();
  }
}

bool IsEightDigits(const QString& text) {
  if (text.size() != 8)
    return false;
  for (const QChar c : text)
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return false;
  return true;
}

// Adds with overflow detection; false when the sum leaves 64 bits.
bool AddChecked(qint64 a, qint64 b, qint64* sum) { return !__builtin_add_overflow(a, b, sum); }
bool MulChecked(qint64 a, qint64 b, qint64* product) { return !__builtin_mul_overflow(a, b, product); }

// Seconds of an "H:MM:SS" text that passed the shape check; false on overflow
// or an empty field.
bool TimeTextSeconds(const QStringList& fields, qint64* seconds) {
  qint64 values[3];
  for (int i = 0; i < 3; ++i) {
    bool ok = false;
    values[i] = fields[i].toLongLong(&ok);
    if (!ok)
      return false;
  }
  qint64 hours = 0, minutes = 0, total = 0;
  return MulChecked(values[0], 3600, &hours) && MulChecked(values[1], 60, &minutes) &&
         AddChecked(hours, minutes, &total) && AddChecked(total, values[2], seconds);
}

bool IsTimeTextShape(const QString& text) {
  if (text.size() < 8 || text.count(QLatin1Char(':')) != 2)
    return false;
  for (const QChar c : text)
    if (c != QLatin1Char(':') && (c < QLatin1Char('0') || c > QLatin1Char('9')))
      return false;
  return true;
}

QDate DateOf(TDateTime t) {
  if (!std::isfinite(t) || std::fabs(t) > 3.0e6)
    return QDate();
  return DateTimeToDate(t);
}

}  // namespace

QString DateToStrByType(int formatCode, const QString& separator, TDateTime date) {
  const QDate d = DateOf(date);
  if (date == 0 || !d.isValid())
    return QString();
  return FormatDatePart(formatCode, separator, d);
}

QString DateTimeToStrByType(int formatCode, const QString& separator, TDateTime dateTime) {
  if (dateTime == 0 || !DateOf(dateTime).isValid())
    return QString();
  const QDateTime dt = DateTimeToQDateTime(dateTime);
  const QString datePart = FormatDatePart(formatCode, separator, dt.date());
  if (datePart.isEmpty())
    return QString();
  const QTime t = dt.time();
  return datePart + QLatin1Char(' ') + ZeroPad(2, t.hour()) + QLatin1Char(':') + ZeroPad(2, t.minute()) +
         QLatin1Char(':') + ZeroPad(2, t.second()) + QLatin1Char(':') + ZeroPad(3, t.msec());
}

TDateTime StrToDateByType(const QString& text, int formatCode, const QString& separator) {
  if (text.trimmed().isEmpty() || formatCode < 1 || formatCode > 5)
    return 0;
  TParts parts{};
  if (!SplitDisplayDate(text, formatCode, separator, -1, &parts))
    return 0;
  if (parts[0] <= 0 || parts[1] <= 0 || parts[2] <= 0)
    return 0;
  int year = 0, month = 0, day = 0;
  OrderParts(parts, formatCode, &year, &month, &day);
  if (year > 9999 || month > 12)
    return 0;
  const QDate first(year, month, 1);
  if (!first.isValid())
    return 0;
  return DateToDateTime(first) + double(day - 1);
}

QString DateTextToStr8(const QString& text, int formatCode, const QString& separator) {
  const QString zero = QStringLiteral("0");
  if (text.trimmed().isEmpty())
    return zero;
  TParts parts{};
  if (!SplitDisplayDate(text, formatCode, separator, 0, &parts))
    return zero;
  if (parts[0] <= 0 || parts[1] <= 0 || parts[2] <= 0)
    return zero;
  int year = 0, month = 0, day = 0;
  OrderParts(parts, formatCode, &year, &month, &day);
  const QString stored = ZeroPad(4, year) + ZeroPad(2, month) + ZeroPad(2, day);
  // A part too wide for its place would shift the others.
  return stored.size() == 8 ? stored : zero;
}

TDateTime Str8ToDate(const QString& text) {
  if (text.size() != 8)
    return 0;
  const int year = DigitsOrZero(text.mid(0, 4));
  const int month = DigitsOrZero(text.mid(4, 2));
  const int day = DigitsOrZero(text.mid(6, 2));
  if (year == 0 || month == 0 || day == 0)
    return 0;
  return DateToDateTime(QDate(year, month, day));
}

bool IsValidStr8Date(const QString& text) {
  if (text.isEmpty())
    return true;
  if (!IsEightDigits(text))
    return false;
  const QDate date(text.mid(0, 4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt());
  return date.isValid() && text >= kMinStr8 && text <= kMaxStr8;
}

TDateTime Str17ToDateTime(const QString& text) {
  const int year = DigitsOrZero(text.mid(0, 4));
  const int month = DigitsOrZero(text.mid(4, 2));
  const int day = DigitsOrZero(text.mid(6, 2));
  const QTime time(DigitsOrZero(text.mid(8, 2)), DigitsOrZero(text.mid(10, 2)), DigitsOrZero(text.mid(12, 2)),
                   DigitsOrZero(text.mid(14, 3)));
  if (!time.isValid())
    return 0;
  if (year == 0 || month == 0 || day == 0)
    return time.msecsSinceStartOfDay() / 86400000.0;
  const QDate date(year, month, day);
  if (!date.isValid())
    return 0;
  return QDateTimeToDateTime(QDateTime(date, time));
}

QVariantList AddTimeText(const QString& a, const QString& b, int sign) {
  const QVariantList start{qint64(0), QStringLiteral("000:00:00")};
  const QString first = a.trimmed(), second = b.trimmed();
  if ((sign != 1 && sign != -1) || !IsTimeTextShape(first) || !IsTimeTextShape(second))
    return start;
  qint64 x = 0, y = 0, total = 0;
  if (!TimeTextSeconds(first.split(QLatin1Char(':')), &x) || !TimeTextSeconds(second.split(QLatin1Char(':')), &y) ||
      !AddChecked(x, sign * y, &total))
    return start;
  return {total, SecondsToTimeText(total)};
}

QString SecondsToTimeText(qint64 seconds) {
  if (seconds == 0)
    return QStringLiteral("0000:00:00");
  // The magnitude of the most negative value does not fit a signed number.
  const quint64 magnitude = seconds < 0 ? quint64(0) - quint64(seconds) : quint64(seconds);
  const QString hours = QString::asprintf("%.4llu", static_cast<unsigned long long>(magnitude / 3600));
  return (seconds < 0 ? QStringLiteral("-") : QString()) + hours + QLatin1Char(':') +
         ZeroPad(2, qint64(magnitude % 3600 / 60)) + QLatin1Char(':') + ZeroPad(2, qint64(magnitude % 60));
}

}  // namespace vantor
