// Conversions of the field classes: text to stored value with a message a
// user can act on, stored value to text by the field's pictures.
#include "platform/db/FieldTypes.h"

#include "platform/db/DateTimeText.h"
#include "platform/db/FormatFloat.h"
#include "platform/os/Exceptions.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace vantor {
namespace {

// Thousands separators are accepted only where they group three digits, so
// that "1,234.5" reads as typed while "1,5" stays an error.
QString StripGrouping(const QString& s) {
  static const QRegularExpression grouped(QStringLiteral("^[+-]?\\d{1,3}(,\\d{3})+(\\.\\d*)?$"));
  return grouped.match(s).hasMatch() ? QString(s).remove(QLatin1Char(',')) : s;
}

bool ParseInteger(const QString& text, qint64& out) {
  bool ok = false;
  out = StripGrouping(text).toLongLong(&ok);
  return ok;
}

bool ParseFloat(const QString& text, double& out) {
  bool ok = false;
  out = StripGrouping(text).toDouble(&ok);
  return ok && std::isfinite(out);
}

bool IsNumberType(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Double: case QMetaType::Float:
    case QMetaType::Long: case QMetaType::ULong:
      return true;
    default:
      return false;
  }
}

QString AnyToText(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Double: case QMetaType::Float: return FloatToStrGeneral(v.toDouble());
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QByteArray: return QString::fromLatin1(v.toByteArray());
    case QMetaType::QDate: return FormatDateTime(ShortDateFormat(), DateToDateTime(v.toDate()));
    case QMetaType::QDateTime:
      return FormatDateTime(ShortDateFormat() + QLatin1Char(' ') + LongTimeFormat(),
                            QDateTimeToDateTime(v.toDateTime()));
    default: return v.toString();
  }
}

}  // namespace

// --- text ----------------------------------------------------------------------------

TStringField::TStringField(QObject* owner, TFieldType type) : TField(type, owner) { SetSize(20); }

QVariant TStringField::Coerce(const QVariant& v) const {
  if (VarIsBlank(v)) return Null();
  const QString s = AnyToText(v);
  if (Size() > 0 && s.size() > Size())
    throw EConvertError(QStringLiteral("'%1' is too long for field '%2': at most %3 characters are allowed")
                            .arg(s, DisplayName()).arg(Size()));
  return s;
}

TMemoField::TMemoField(QObject* owner) : TField(ftMemo, owner) {}

QVariant TMemoField::Coerce(const QVariant& v) const {
  if (VarIsBlank(v)) return Null();
  if (v.typeId() == QMetaType::QByteArray) return QString::fromUtf8(v.toByteArray());
  return AnyToText(v);
}

// --- numbers ---------------------------------------------------------------------------

TNumericField::TNumericField(TFieldType type, QObject* owner) : TField(type, owner) {
  SetAlignment(taRightJustify);
}

void TNumericField::SetDisplayFormat(const QString& f) {
  displayFormat_ = f;
  SetAlignment(Alignment());  // tells the controls
}

void TNumericField::SetEditFormat(const QString& f) { editFormat_ = f; }

QString TNumericField::Picture(bool display) const {
  return display || editFormat_.isEmpty() ? displayFormat_ : editFormat_;
}

TIntegerField::TIntegerField(QObject* owner, TFieldType type) : TNumericField(type, owner) {}

qint64 TIntegerField::TypeMin() const {
  switch (DataType()) {
    case ftSmallint: return -32768;
    case ftWord: return 0;
    default: return std::numeric_limits<int>::min();
  }
}

qint64 TIntegerField::TypeMax() const {
  switch (DataType()) {
    case ftSmallint: return 32767;
    case ftWord: return 65535;
    default: return std::numeric_limits<int>::max();
  }
}

int TIntegerField::DefaultWidth() const {
  switch (DataType()) {
    case ftSmallint: return 6;
    case ftWord: return 5;
    default: return 11;
  }
}

QVariant TIntegerField::Coerce(const QVariant& v) const {
  if (VarIsBlank(v)) return Null();
  double number = 0;
  if (v.typeId() == QMetaType::QString) {
    const QString s = v.toString().trimmed();
    if (s.isEmpty()) return Null();
    qint64 i = 0;
    if (!ParseInteger(s, i)) RaiseConvert(s, QStringLiteral("integer value"));
    number = double(i);
  } else if (v.typeId() == QMetaType::Bool) {
    number = v.toBool() ? 1 : 0;
  } else if (IsNumberType(v)) {
    number = v.typeId() == QMetaType::Double ? std::round(v.toDouble()) : double(v.toLongLong());
    if (!std::isfinite(number)) RaiseConvert(v.toString(), QStringLiteral("integer value"));
  } else {
    RaiseConvert(AnyToText(v), QStringLiteral("integer value"));
  }
  const bool ownRange = minValue_ != 0 || maxValue_ != 0;
  const double lo = ownRange ? minValue_ : double(TypeMin());
  const double hi = ownRange ? maxValue_ : double(TypeMax());
  if (number < lo || number > hi) RaiseRange(number, lo, hi);
  return int(number);
}

QString TIntegerField::FormatText(const QVariant& stored, bool display) const {
  const QString pic = Picture(display);
  return pic.isEmpty() ? QString::number(stored.toLongLong()) : FormatFloat(pic, stored.toDouble());
}

QVariant TLargeintField::Coerce(const QVariant& v) const {
  if (VarIsBlank(v)) return Null();
  if (v.typeId() == QMetaType::QString) {
    const QString s = v.toString().trimmed();
    if (s.isEmpty()) return Null();
    qint64 i = 0;
    if (!ParseInteger(s, i)) RaiseConvert(s, QStringLiteral("integer value"));
    return i;
  }
  if (v.typeId() == QMetaType::Bool) return qint64(v.toBool() ? 1 : 0);
  if (!IsNumberType(v)) RaiseConvert(AnyToText(v), QStringLiteral("integer value"));
  if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
    const double d = std::round(v.toDouble());
    if (!std::isfinite(d) || std::fabs(d) >= 9.2e18) RaiseRange(d, -9.2e18, 9.2e18);
    return qint64(d);
  }
  return v.toLongLong();
}

QString TLargeintField::FormatText(const QVariant& stored, bool display) const {
  const QString pic = Picture(display);
  return pic.isEmpty() ? QString::number(stored.toLongLong()) : FormatFloat(pic, stored.toDouble());
}

TFloatField::TFloatField(QObject* owner, TFieldType type) : TNumericField(type, owner) {}

QVariant TFloatField::Coerce(const QVariant& v) const {
  if (VarIsBlank(v)) return Null();
  double d = 0;
  if (v.typeId() == QMetaType::QString) {
    const QString s = v.toString().trimmed();
    if (s.isEmpty()) return Null();
    if (!ParseFloat(s, d)) RaiseConvert(s, QStringLiteral("floating point value"));
  } else if (v.typeId() == QMetaType::Bool) {
    d = v.toBool() ? 1 : 0;
  } else if (IsNumberType(v)) {
    d = v.toDouble();
    if (!std::isfinite(d)) RaiseConvert(v.toString(), QStringLiteral("floating point value"));
  } else {
    RaiseConvert(AnyToText(v), QStringLiteral("floating point value"));
  }
  if ((minValue_ != 0 || maxValue_ != 0) && (d < minValue_ || d > maxValue_))
    RaiseRange(d, minValue_, maxValue_);
  return Normalize(d);
}

double TFloatField::Normalize(double v) const { return v; }

QString TFloatField::FormatText(const QVariant& stored, bool display) const {
  const double d = stored.toDouble();
  const QString pic = Picture(display);
  if (!pic.isEmpty()) return FormatFloat(pic, d);
  if (currency_) return display ? FormatFloat(QStringLiteral("#,##0.00"), d) : FloatToStrFixed(d, 2);
  return FloatToStrGeneral(d, precision_ > 0 && precision_ <= 15 ? precision_ : 15);
}

TCurrencyField::TCurrencyField(QObject* owner) : TFloatField(owner, ftCurrency) { SetCurrency(true); }

double TCurrencyField::Normalize(double v) const { return RoundToDecimals(v, 4); }

TBCDField::TBCDField(QObject* owner) : TFloatField(owner, ftBCD) {
  SetSize(4);
  SetPrecision(0);
}

double TBCDField::Normalize(double v) const {
  const int decimals = qBound(0, Size(), 15);
  const double r = RoundToDecimals(v, decimals);
  if (Precision() > decimals && Precision() <= 15) {
    const double limit = std::pow(10.0, Precision() - decimals) - std::pow(10.0, -decimals);
    if (std::fabs(r) > limit) RaiseRange(v, -limit, limit);
  }
  return r;
}

// --- Boolean ----------------------------------------------------------------------------

TBooleanField::TBooleanField(QObject* owner)
    : TField(ftBoolean, owner), displayValues_(QStringLiteral("True;False")) {}

QString TBooleanField::TextOf(bool b) const {
  const QStringList parts = displayValues_.split(QLatin1Char(';'));
  if (b) return parts.value(0);
  return parts.value(1);
}

QVariant TBooleanField::Coerce(const QVariant& v) const {
  if (VarIsBlank(v)) return Null();
  if (v.typeId() == QMetaType::Bool) return v.toBool();
  if (IsNumberType(v)) return v.toDouble() != 0;
  const QString s = AnyToText(v);
  if (s.isEmpty()) return Null();
  // An abbreviation of either display value is enough, as in a grid cell.
  if (TextOf(false).startsWith(s, Qt::CaseInsensitive)) return false;
  if (TextOf(true).startsWith(s, Qt::CaseInsensitive)) return true;
  RaiseConvert(s, QStringLiteral("boolean value"));
}

QString TBooleanField::StoredToString(const QVariant& stored) const { return TextOf(stored.toBool()); }

// --- dates --------------------------------------------------------------------------------

TDateTimeField::TDateTimeField(QObject* owner, TFieldType type) : TField(type, owner) {}

int TDateTimeField::DefaultWidth() const { return DataType() == ftDateTime ? 18 : 10; }

double TDateTimeField::ParseText(const QString& text) const {
  TDateTime t = 0;
  switch (DataType()) {
    case ftDate:
      if (!TryTextToDate(text, t)) RaiseConvert(text, QStringLiteral("date"));
      return t;
    case ftTime:
      if (!TryTextToTime(text, t)) RaiseConvert(text, QStringLiteral("time"));
      return t;
    default:
      if (!TryTextToDateTime(text, t)) RaiseConvert(text, QStringLiteral("date and time"));
      return t;
  }
}

QVariant TDateTimeField::Coerce(const QVariant& v) const {
  if (VarIsBlank(v)) return Null();
  double d = 0;
  if (v.typeId() == QMetaType::QString) {
    const QString s = v.toString().trimmed();
    if (s.isEmpty()) return Null();
    d = ParseText(s);
  } else if (v.typeId() == QMetaType::QDate) {
    d = DateToDateTime(v.toDate());
  } else if (v.typeId() == QMetaType::QDateTime) {
    d = QDateTimeToDateTime(v.toDateTime());
  } else if (IsNumberType(v) && std::isfinite(v.toDouble())) {
    d = v.toDouble();
  } else {
    RaiseConvert(AnyToText(v), QStringLiteral("date and time"));
  }
  if (DataType() == ftDate) d = std::trunc(d);
  if (DataType() == ftTime) d = std::fabs(d - std::trunc(d));
  return d;
}

QString TDateTimeField::DefaultPicture() const {
  switch (DataType()) {
    case ftDate: return ShortDateFormat();
    case ftTime: return LongTimeFormat();
    default: return ShortDateFormat() + QLatin1Char(' ') + LongTimeFormat();
  }
}

QString TDateTimeField::StoredToString(const QVariant& stored) const {
  const double d = stored.toDouble();
  // A date-time without a time of day shows the date alone.
  if (DataType() == ftDateTime && d == std::trunc(d)) return FormatDateTime(ShortDateFormat(), d);
  return FormatDateTime(DefaultPicture(), d);
}

QString TDateTimeField::FormatText(const QVariant& stored, bool display) const {
  if (display && !displayFormat_.isEmpty()) return FormatDateTime(displayFormat_, stored.toDouble());
  return StoredToString(stored);
}

// --- bytes ----------------------------------------------------------------------------------

TBinaryField::TBinaryField(QObject* owner, TFieldType type) : TField(type, owner) {}

QVariant TBinaryField::Coerce(const QVariant& v) const {
  if (VarIsBlank(v)) return Null();
  if (v.typeId() == QMetaType::QByteArray) return v;
  return AnyToText(v).toLatin1();
}

QString TBinaryField::StoredToString(const QVariant& stored) const {
  return QString::fromLatin1(stored.toByteArray());
}

// --- nested datasets and aggregates ------------------------------------------------------------

TDataSetField::TDataSetField(QObject* owner) : TField(ftDataSet, owner) {}

QVariant TDataSetField::Coerce(const QVariant& v) const {
  if (VarIsBlank(v)) return Null();
  throw EDatabaseError(
      QStringLiteral("Field '%1' holds a nested dataset; change it through its detail dataset")
          .arg(DisplayName()));
}

QString TDataSetField::StoredToString(const QVariant&) const { return QStringLiteral("(DATASET)"); }

TAggregateField::TAggregateField(QObject* owner) : TField(ftUnknown, owner) {
  SetFieldKind(fkAggregate);
  SetAlignment(taRightJustify);
}

QVariant TAggregateField::Coerce(const QVariant&) const {
  throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(DisplayName()));
}

QString TAggregateField::FormatText(const QVariant& stored, bool display) const {
  if (stored.typeId() != QMetaType::Double) return StoredToString(stored);
  return displayFormat_.isEmpty() ? FloatToStrGeneral(stored.toDouble())
                                  : FormatFloat(displayFormat_, stored.toDouble());
}

// --- by type --------------------------------------------------------------------------------

TField* CreateFieldOfType(TFieldType type, QObject* owner) {
  switch (type) {
    case ftString: case ftFixedChar: case ftGuid: return new TStringField(owner, type);
    case ftWideString: return new TWideStringField(owner);
    case ftSmallint: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftWord: return new TWordField(owner);
    case ftAutoInc: return new TAutoIncField(owner);
    case ftLargeint: return new TLargeintField(owner);
    case ftFloat: return new TFloatField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftBCD: return new TBCDField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime: return new TDateTimeField(owner);
    case ftBytes: return new TBytesField(owner);
    case ftVarBytes: return new TVarBytesField(owner);
    case ftGraphic: return new TGraphicField(owner);
    case ftBlob: case ftTypedBinary: case ftOraBlob: case ftParadoxOle: case ftDBaseOle:
      return new TBlobField(owner, type);
    case ftMemo: case ftFmtMemo: case ftOraClob: return new TMemoField(owner);
    case ftDataSet: return new TDataSetField(owner);
    default:
      throw EDatabaseError(QStringLiteral("Field type %1 is not supported").arg(int(type)));
  }
}

int StoredTypeId(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: return QMetaType::Int;
    case ftLargeint: return QMetaType::LongLong;
    case ftFloat: case ftCurrency: case ftBCD: case ftDate: case ftTime: case ftDateTime:
      return QMetaType::Double;
    case ftBoolean: return QMetaType::Bool;
    case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftTypedBinary:
    case ftOraBlob: case ftParadoxOle: case ftDBaseOle:
      return QMetaType::QByteArray;
    case ftDataSet: return QMetaType::UnknownType;
    default: return QMetaType::QString;
  }
}

bool IsNumericType(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint:
    case ftFloat: case ftCurrency: case ftBCD:
      return true;
    default:
      return false;
  }
}

}  // namespace vantor
