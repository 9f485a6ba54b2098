// Picture formatting of numbers. The value is first turned into its decimal
// digits (15 significant, which hides the binary noise of doubles the way the
// component library's extended arithmetic did), rounded on those digits, and
// then poured into the placeholders of the picture from left to right.
#include "platform/db/FormatFloat.h"

#include <QList>
#include <cmath>

namespace vantor {
namespace {

// value = 0.d1 d2 d3 ... x 10^Exp; Digits empty means zero.
struct TDecimal {
  QString Digits;
  int Exp = 0;
  bool IsZero() const { return Digits.isEmpty(); }
};

TDecimal ToDecimal(double absValue) {
  TDecimal d;
  if (absValue == 0) return d;
  const QString e = QString::number(absValue, 'e', 14);  // d.dddddddddddddde+XX
  const int ePos = e.indexOf(QLatin1Char('e'));
  d.Digits = e.left(1) + e.mid(2, ePos - 2);
  d.Exp = e.mid(ePos + 1).toInt() + 1;
  while (d.Digits.endsWith(QLatin1Char('0'))) d.Digits.chop(1);
  return d;
}

// Keeps `keep` leading digits, rounding half up on the next one.
void RoundDigits(TDecimal& d, int keep) {
  if (d.IsZero() || keep >= d.Digits.size()) return;
  if (keep < 0) { d.Digits.clear(); return; }
  const bool up = d.Digits.at(keep) >= QLatin1Char('5');
  d.Digits.truncate(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.Digits.at(i) == QLatin1Char('9')) d.Digits[i--] = QLatin1Char('0');
    if (i >= 0) {
      d.Digits[i] = QChar(d.Digits.at(i).unicode() + 1);
    } else {
      d.Digits.prepend(QLatin1Char('1'));
      d.Exp += 1;
    }
  }
  while (d.Digits.endsWith(QLatin1Char('0'))) d.Digits.chop(1);
}

void RoundFixed(TDecimal& d, int decimals) { RoundDigits(d, d.Exp + decimals); }

QString IntegerDigits(const TDecimal& d) {
  if (d.IsZero() || d.Exp <= 0) return QString();
  QString s = d.Digits.left(d.Exp);
  return s + QString(d.Exp - s.size(), QLatin1Char('0'));
}

QString FractionDigits(const TDecimal& d) {
  if (d.IsZero()) return QString();
  if (d.Exp >= 0) return d.Digits.mid(d.Exp);
  return QString(-d.Exp, QLatin1Char('0')) + d.Digits;
}

// --- the picture -----------------------------------------------------------

enum class TTok { Zero, Hash, Point, Literal, Exponent };

struct TToken {
  TTok Kind;
  QString Text;          // literal text, or the exponent's sign character
  int ExpDigits = 0;     // minimum exponent digits
};

struct TPicture {
  QList<TToken> Tokens;
  int IntPlaces = 0;       // placeholders before the point
  int FirstIntZero = -1;   // index of the first "0" among them
  int FracPlaces = 0;
  int FracMinDigits = 0;   // up to and including the last "0" after the point
  bool Thousands = false;
  bool Scientific = false;
};

QStringList SplitSections(const QString& format) {
  QStringList sections;
  QString cur;
  QChar quote;
  for (QChar c : format) {
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      quote = c;
    } else if (c == QLatin1Char(';')) {
      sections << cur;
      cur.clear();
      continue;
    }
    cur += c;
  }
  sections << cur;
  return sections;
}

int ParseExponent(const QString& s, int i, TPicture& p) {
  TToken t{TTok::Exponent, s.mid(i + 1, 1)};
  int j = i + 2;
  while (j < s.size() && s.at(j) == QLatin1Char('0')) { ++t.ExpDigits; ++j; }
  t.ExpDigits = qMin(t.ExpDigits, 4);
  p.Scientific = true;
  p.Tokens << t;
  return j;
}

void AddPlaceholder(TPicture& p, bool zero, bool afterPoint) {
  p.Tokens << TToken{zero ? TTok::Zero : TTok::Hash, QString()};
  if (afterPoint) {
    ++p.FracPlaces;
    if (zero) p.FracMinDigits = p.FracPlaces;
  } else {
    if (zero && p.FirstIntZero < 0) p.FirstIntZero = p.IntPlaces;
    ++p.IntPlaces;
  }
}

TPicture ParsePicture(const QString& s) {
  TPicture p;
  bool afterPoint = false;
  int i = 0;
  while (i < s.size()) {
    const QChar c = s.at(i);
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      const int end = s.indexOf(c, i + 1);
      const int stop = end < 0 ? s.size() : end;
      p.Tokens << TToken{TTok::Literal, s.mid(i + 1, stop - i - 1)};
      i = stop + 1;
      continue;
    }
    if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && !p.Scientific && i + 1 < s.size() &&
        (s.at(i + 1) == QLatin1Char('+') || s.at(i + 1) == QLatin1Char('-'))) {
      i = ParseExponent(s, i, p);
      continue;
    }
    if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
      AddPlaceholder(p, c == QLatin1Char('0'), afterPoint);
    } else if (c == QLatin1Char('.') && !afterPoint) {
      afterPoint = true;
      p.Tokens << TToken{TTok::Point, QString()};
    } else if (c == QLatin1Char(',')) {
      p.Thousands = true;
    } else {
      p.Tokens << TToken{TTok::Literal, QString(c)};
    }
    ++i;
  }
  return p;
}

// The integer digits, padded to the picture's minimum, and the fraction
// digits padded to its minimum.
struct TPieces {
  QString Int;
  QString Frac;
  int Exponent = 0;
};

TPieces FixedPieces(const TPicture& p, TDecimal d) {
  RoundFixed(d, p.FracPlaces);
  TPieces r;
  r.Int = IntegerDigits(d);
  const int minInt = p.FirstIntZero < 0 ? 0 : p.IntPlaces - p.FirstIntZero;
  if (r.Int.size() < minInt) r.Int = QString(minInt - r.Int.size(), QLatin1Char('0')) + r.Int;
  r.Frac = FractionDigits(d);
  if (r.Frac.size() < p.FracMinDigits) r.Frac += QString(p.FracMinDigits - r.Frac.size(), QLatin1Char('0'));
  return r;
}

TPieces SciPieces(const TPicture& p, TDecimal d) {
  const int intPlaces = qMax(1, p.IntPlaces);
  RoundDigits(d, intPlaces + p.FracPlaces);
  TPieces r;
  if (d.IsZero()) {
    r.Int = QString(intPlaces, QLatin1Char('0'));
  } else {
    const QString all = d.Digits + QString(qMax(0, intPlaces - d.Digits.size()), QLatin1Char('0'));
    r.Int = all.left(intPlaces);
    r.Frac = all.mid(intPlaces);
    while (r.Frac.endsWith(QLatin1Char('0'))) r.Frac.chop(1);
    r.Exponent = d.Exp - intPlaces;
  }
  if (r.Frac.size() < p.FracMinDigits) r.Frac += QString(p.FracMinDigits - r.Frac.size(), QLatin1Char('0'));
  return r;
}

QString ExponentText(const TToken& t, int exponent) {
  QString digits = QString::number(std::abs(exponent));
  if (digits.size() < t.ExpDigits) digits.prepend(QString(t.ExpDigits - digits.size(), QLatin1Char('0')));
  QString sign;
  if (exponent < 0) sign = QStringLiteral("-");
  else if (t.Text == QLatin1String("+")) sign = QStringLiteral("+");
  return QStringLiteral("E") + sign + digits;
}

// Emits the integer digit(s) that belong to integer placeholder `index`.
void EmitIntPlace(QString& out, const TPicture& p, const QString& digits, int index) {
  const int offset = digits.size() - p.IntPlaces;
  const int from = index == 0 ? 0 : index + offset;
  const int to = index + offset;  // inclusive
  for (int j = qMax(0, from); j <= to && j < digits.size(); ++j) {
    out += digits.at(j);
    const int remaining = digits.size() - 1 - j;
    if (p.Thousands && !p.Scientific && remaining > 0 && remaining % 3 == 0) out += QLatin1Char(',');
  }
}

QString Render(const TPicture& p, const TPieces& pc) {
  QString out;
  int intIndex = 0, fracIndex = 0;
  bool afterPoint = false;
  for (const TToken& t : p.Tokens) {
    switch (t.Kind) {
      case TTok::Literal: out += t.Text; break;
      case TTok::Exponent: out += ExponentText(t, pc.Exponent); break;
      case TTok::Point:
        if (p.IntPlaces == 0 && !pc.Int.isEmpty()) out += pc.Int;  // no integer placeholders
        afterPoint = true;
        if (!pc.Frac.isEmpty()) out += QLatin1Char('.');
        break;
      case TTok::Zero:
      case TTok::Hash:
        if (afterPoint) {
          if (fracIndex < pc.Frac.size()) out += pc.Frac.at(fracIndex);
          ++fracIndex;
        } else {
          EmitIntPlace(out, p, pc.Int, intIndex++);
        }
        break;
    }
  }
  return out;
}

bool HasSection(const QStringList& sections, int i) {
  return i < sections.size() && !sections.at(i).isEmpty();
}

}  // namespace

QString FormatFloat(const QString& format, double value) {
  if (!std::isfinite(value)) return FloatToStrGeneral(value);
  if (format.isEmpty()) return FloatToStrGeneral(value);
  const QStringList sections = SplitSections(format);
  const bool negative = value < 0;
  int section = negative && HasSection(sections, 1) ? 1 : 0;
  TPicture pic = ParsePicture(sections.at(section));
  const TDecimal dec = ToDecimal(std::fabs(value));
  TPieces pieces = pic.Scientific ? SciPieces(pic, dec) : FixedPieces(pic, dec);
  const bool roundsToZero = pieces.Int.count(QLatin1Char('0')) == pieces.Int.size() &&
                            pieces.Frac.count(QLatin1Char('0')) == pieces.Frac.size();
  if (roundsToZero) {
    section = HasSection(sections, 2) ? 2 : 0;
    pic = ParsePicture(sections.at(section));
    pieces = pic.Scientific ? SciPieces(pic, TDecimal()) : FixedPieces(pic, TDecimal());
  }
  const QString body = Render(pic, pieces);
  return negative && !roundsToZero && section == 0 ? QStringLiteral("-") + body : body;
}

QString FloatToStrGeneral(double value, int precision) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  TDecimal d = ToDecimal(std::fabs(value));
  RoundDigits(d, precision);
  if (d.IsZero()) return QStringLiteral("0");
  const QString sign = value < 0 ? QStringLiteral("-") : QString();
  if (d.Exp > precision || d.Exp < -4) {
    QString mant = d.Digits.left(1);
    if (d.Digits.size() > 1) mant += QLatin1Char('.') + d.Digits.mid(1);
    return sign + mant + QStringLiteral("E") + QString::number(d.Exp - 1);
  }
  QString intPart = IntegerDigits(d);
  if (intPart.isEmpty()) intPart = QStringLiteral("0");
  const QString frac = FractionDigits(d);
  return sign + intPart + (frac.isEmpty() ? QString() : QLatin1Char('.') + frac);
}

QString FloatToStrFixed(double value, int decimals) {
  if (!std::isfinite(value)) return FloatToStrGeneral(value);
  const QString picture = decimals > 0 ? QStringLiteral("0.") + QString(decimals, QLatin1Char('0'))
                                       : QStringLiteral("0");
  return FormatFloat(picture, value);
}

double RoundToDecimals(double value, int decimals) {
  if (!std::isfinite(value)) return value;
  TDecimal d = ToDecimal(std::fabs(value));
  RoundFixed(d, decimals);
  if (d.IsZero()) return 0;
  const QString text = IntegerDigits(d) + QLatin1Char('.') + FractionDigits(d);
  const double r = text.startsWith(QLatin1Char('.')) ? (QStringLiteral("0") + text).toDouble() : text.toDouble();
  return value < 0 ? -r : r;
}

}  // namespace vantor
