// Formatting and reading of dates and times by picture. Reading is strict
// about ranges (month 1..12, a day the month has, hour 0..23) so that a typing
// error is reported instead of silently rolled over into another date.
#include "platform/db/DateTimeText.h"

#include <QRegularExpression>
#include <QTime>
#include <cmath>

namespace vantor {
namespace {

QString Pad(int v, int width) { return QString::number(v).rightJustified(width, QLatin1Char('0')); }

int RunLength(const QString& f, int i) {
  const QChar c = f.at(i).toLower();
  int n = 1;
  while (i + n < f.size() && f.at(i + n).toLower() == c) ++n;
  return n;
}

struct TParts {
  QDate Date;
  QTime Time;
};

TParts Split(TDateTime value) {
  const QDateTime dt = DateTimeToQDateTime(value);
  return {dt.date(), dt.time()};
}

// One picture letter run starting at i; returns the text and how far it reached.
QString FormatToken(const QString& f, int i, int& len, const TParts& p, bool& afterHour) {
  const QChar c = f.at(i).toLower();
  len = RunLength(f, i);
  switch (c.unicode()) {
    case 'y': return len <= 2 ? Pad(p.Date.year() % 100, 2) : Pad(p.Date.year(), 4);
    case 'm':
      if (afterHour) { afterHour = false; return Pad(p.Time.minute(), len >= 2 ? 2 : 1); }
      return Pad(p.Date.month(), len >= 2 ? 2 : 1);
    case 'd': return Pad(p.Date.day(), len >= 2 ? 2 : 1);
    case 'h': afterHour = true; return Pad(p.Time.hour(), len >= 2 ? 2 : 1);
    case 'n': afterHour = false; return Pad(p.Time.minute(), len >= 2 ? 2 : 1);
    case 's': return Pad(p.Time.second(), len >= 2 ? 2 : 1);
    case 'z': return Pad(p.Time.msec(), len >= 3 ? 3 : 1);
    default: len = 1; return QString(f.at(i));
  }
}

bool IsPictureLetter(QChar c) {
  return QStringLiteral("ymdhnsz").contains(c.toLower());
}

bool ValidDate(int y, int m, int d, TDateTime& result) {
  const QDate date(y, m, d);
  if (!date.isValid() || y < 1 || y > 9999) return false;
  result = DateToDateTime(date);
  return true;
}

}  // namespace

QString ShortDateFormat() { return QStringLiteral("yyyy/mm/dd"); }
QString LongTimeFormat() { return QStringLiteral("hh:nn:ss"); }

QString FormatDateTime(const QString& format, TDateTime value) {
  const TParts parts = Split(value);
  QString out;
  bool afterHour = false;
  int i = 0;
  while (i < format.size()) {
    const QChar c = format.at(i);
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      const int end = format.indexOf(c, i + 1);
      const int stop = end < 0 ? format.size() : end;
      out += format.mid(i + 1, stop - i - 1);
      i = stop + 1;
    } else if (IsPictureLetter(c)) {
      int len = 1;
      out += FormatToken(format, i, len, parts, afterHour);
      i += len;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

bool TryTextToDate(const QString& text, TDateTime& result) {
  const QString t = text.trimmed();
  static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
  static const QRegularExpression parted(QStringLiteral("^(\\d{1,4})[/.-](\\d{1,2})[/.-](\\d{1,2})$"));
  QRegularExpressionMatch m = compact.match(t);
  if (!m.hasMatch()) m = parted.match(t);
  if (!m.hasMatch()) return false;
  int year = m.captured(1).toInt();
  if (m.captured(1).size() <= 2) year += QDate::currentDate().year() / 100 * 100;
  return ValidDate(year, m.captured(2).toInt(), m.captured(3).toInt(), result);
}

bool TryTextToTime(const QString& text, TDateTime& result) {
  static const QRegularExpression re(
      QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2})(?:\\.(\\d{1,3}))?)?$"));
  const QRegularExpressionMatch m = re.match(text.trimmed());
  if (!m.hasMatch()) return false;
  const int h = m.captured(1).toInt(), n = m.captured(2).toInt();
  const int s = m.captured(3).toInt(), z = m.captured(4).leftJustified(3, QLatin1Char('0')).toInt();
  if (h > 23 || n > 59 || s > 59) return false;
  result = (((h * 60.0 + n) * 60.0 + s) * 1000.0 + z) / 86400000.0;
  return true;
}

bool TryTextToDateTime(const QString& text, TDateTime& result) {
  const QString t = text.trimmed();
  const int space = t.indexOf(QLatin1Char(' '));
  TDateTime date = 0, time = 0;
  if (space < 0) {
    if (TryTextToDate(t, date)) { result = date; return true; }
    if (TryTextToTime(t, time)) { result = time; return true; }
    return false;
  }
  if (!TryTextToDate(t.left(space), date) || !TryTextToTime(t.mid(space + 1), time)) return false;
  result = date >= 0 ? date + time : date - time;
  return true;
}

}  // namespace vantor
