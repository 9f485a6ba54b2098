// Variant helpers and the two-dimensional array type.
#include "platform/variant/Variants.h"

#include "platform/os/Exceptions.h"

#include <QLocale>
#include <cmath>

namespace vantor {

namespace {
const QDate kDelphiEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
}  // namespace

QVariant Null() { return QVariant::fromValue(nullptr); }

bool VarIsEmpty(const QVariant& v) { return !v.isValid(); }
bool VarIsNull(const QVariant& v) { return v.typeId() == QMetaType::Nullptr; }
bool VarIsBlank(const QVariant& v) { return VarIsEmpty(v) || VarIsNull(v); }
bool VarIsMatrix(const QVariant& v) { return v.metaType() == QMetaType::fromType<TVarMatrix>(); }
bool VarIsArray(const QVariant& v) {
  return v.typeId() == QMetaType::QVariantList || VarIsMatrix(v);
}
bool VarIsStr(const QVariant& v) { return v.typeId() == QMetaType::QString; }

bool VarIsNumeric(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Double: case QMetaType::Float:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Char:
    case QMetaType::SChar: case QMetaType::UChar: case QMetaType::Long: case QMetaType::ULong:
      return true;
    default:
      return false;
  }
}

int VarArrayDimCount(const QVariant& v) {
  if (VarIsMatrix(v)) return 2;
  if (v.typeId() == QMetaType::QVariantList) return 1;
  return 0;
}

static void CheckDim(const QVariant& v, int dim) {
  if (dim < 1 || dim > VarArrayDimCount(v))
    throw EVariantError(QStringLiteral("Variant array has no dimension %1").arg(dim));
}

int VarArrayHighBound(const QVariant& v, int dim) {
  CheckDim(v, dim);
  if (VarIsMatrix(v)) return v.value<TVarMatrix>().High(dim);
  return int(v.toList().size()) - 1;
}

int VarArrayLowBound(const QVariant& v, int dim) {
  CheckDim(v, dim);
  if (VarIsMatrix(v)) return v.value<TVarMatrix>().Low(dim);
  return 0;
}

QVariant VarArrayOf(std::initializer_list<QVariant> items) { return QVariantList(items); }
QVariant VarArrayOf(const QVariantList& items) { return items; }
QVariant VarArrayCreate(int n) { return QVariantList(qMax(0, n)); }

QString VarToStr(const QVariant& v) {
  if (VarIsBlank(v)) return QString();
  switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
      return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::Bool:
      return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
      return v.toString();
  }
}

// --- TVarMatrix ------------------------------------------------------------------

TVarMatrix::TVarMatrix(int lo1, int hi1, int lo2, int hi2)
    : lo1_(lo1), hi1_(hi1), lo2_(lo2), hi2_(hi2) {
  if (hi1 < lo1 - 1 || hi2 < lo2 - 1)
    throw EVariantError(QStringLiteral("Invalid variant array bounds"));
  cells_.resize(qsizetype(Count(1)) * Count(2));
}

TVarMatrix TVarMatrix::FromCells(int lo1, int hi1, int lo2, int hi2, QVariantList cells) {
  TVarMatrix m(lo1, hi1, lo2, hi2);
  if (cells.size() != m.cells_.size())
    throw EVariantError(QStringLiteral("Variant array has %1 cells, bounds need %2")
                            .arg(cells.size()).arg(m.cells_.size()));
  m.cells_ = std::move(cells);
  return m;
}

int TVarMatrix::Offset(int i, int j) const {
  if (i < lo1_ || i > hi1_ || j < lo2_ || j > hi2_)
    throw EVariantError(QStringLiteral("Variant array index out of bounds: [%1,%2]").arg(i).arg(j));
  return (i - lo1_) * Count(2) + (j - lo2_);
}

const QVariant& TVarMatrix::At(int i, int j) const { return cells_[Offset(i, j)]; }
QVariant& TVarMatrix::At(int i, int j) { return cells_[Offset(i, j)]; }

bool TVarMatrix::operator==(const TVarMatrix& o) const {
  if (lo1_ != o.lo1_ || hi1_ != o.hi1_ || lo2_ != o.lo2_ || hi2_ != o.hi2_) return false;
  for (qsizetype k = 0; k < cells_.size(); ++k)
    if (!VarSame(cells_[k], o.cells_[k])) return false;
  return true;
}

TVarMatrix VarToMatrix(const QVariant& v) {
  if (!VarIsMatrix(v)) throw EVariantError(QStringLiteral("Variant is not a two-dimensional array"));
  return v.value<TVarMatrix>();
}

bool VarSame(const QVariant& a, const QVariant& b) {
  if (VarIsEmpty(a) || VarIsEmpty(b)) return VarIsEmpty(a) && VarIsEmpty(b);
  if (VarIsNull(a) || VarIsNull(b)) return VarIsNull(a) && VarIsNull(b);
  if (VarIsMatrix(a) || VarIsMatrix(b))
    return VarIsMatrix(a) && VarIsMatrix(b) && a.value<TVarMatrix>() == b.value<TVarMatrix>();
  const bool la = a.typeId() == QMetaType::QVariantList, lb = b.typeId() == QMetaType::QVariantList;
  if (la || lb) {
    if (!(la && lb)) return false;
    const QVariantList x = a.toList(), y = b.toList();
    if (x.size() != y.size()) return false;
    for (qsizetype k = 0; k < x.size(); ++k)
      if (!VarSame(x[k], y[k])) return false;
    return true;
  }
  if (a.typeId() != b.typeId() && !(VarIsNumeric(a) && VarIsNumeric(b))) return false;
  return a == b;
}

// --- dates -------------------------------------------------------------------------

TDateTime DateToDateTime(const QDate& d) {
  return d.isValid() ? double(kDelphiEpoch.daysTo(d)) : 0.0;
}

TDateTime QDateTimeToDateTime(const QDateTime& dt) {
  if (!dt.isValid()) return 0.0;
  const double days = DateToDateTime(dt.date());
  const double frac = dt.time().msecsSinceStartOfDay() / kMsPerDay;
  // Before the epoch the fraction counts away from zero, as the component library stores it.
  return days >= 0 ? days + frac : days - frac;
}

QDate DateTimeToDate(TDateTime t) {
  return kDelphiEpoch.addDays(qint64(std::trunc(t)));
}

QDateTime DateTimeToQDateTime(TDateTime t) {
  const double whole = std::trunc(t);
  const double frac = std::fabs(t - whole);
  const int ms = int(std::llround(frac * kMsPerDay));
  QDateTime dt(DateTimeToDate(t), QTime(0, 0));
  return dt.addMSecs(ms);
}

TDateTime Now() { return QDateTimeToDateTime(QDateTime::currentDateTime()); }
TDateTime Date() { return DateToDateTime(QDate::currentDate()); }

}  // namespace vantor
