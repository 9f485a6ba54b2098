// Variant conventions of the whole program: every structured value that crosses
// to the shell, the services or the application server is a QVariant.
//
//  - Unassigned is an invalid QVariant; Null is a QVariant holding nullptr.
//    The two are never merged: a cell that was never written is not a null cell.
//  - A one-dimensional array is a QVariantList indexed from 0.
//  - A two-dimensional array with bounds is a TVarMatrix.
//  - An automation object travels as a TDispatchRef (see dispatch/).
//  - Dates are TDateTime: days since 1899-12-30 as a double, 0 meaning "no date".
#pragma once

#include <QDate>
#include <QDateTime>
#include <QMetaType>
#include <QVariant>
#include <QVariantList>

namespace vantor {

// Null as a value of its own, distinct from Unassigned.
QVariant Null();
inline QVariant Unassigned() { return QVariant(); }

bool VarIsEmpty(const QVariant& v);   // Unassigned
bool VarIsNull(const QVariant& v);    // Null
bool VarIsBlank(const QVariant& v);   // Unassigned or Null
bool VarIsArray(const QVariant& v);   // QVariantList or TVarMatrix
bool VarIsStr(const QVariant& v);
bool VarIsNumeric(const QVariant& v);

// Highest index of dimension dim (1-based as in the component library).
// Raises EVariantError for a value that is not an array or has no such dimension.
int VarArrayHighBound(const QVariant& v, int dim = 1);
int VarArrayLowBound(const QVariant& v, int dim = 1);
int VarArrayDimCount(const QVariant& v);

QVariant VarArrayOf(std::initializer_list<QVariant> items);
QVariant VarArrayOf(const QVariantList& items);
// Array of n Unassigned elements, indexed 0 .. n-1.
QVariant VarArrayCreate(int n);

// Text of a variant the way the component library prints it: Null and
// Unassigned give "", numbers use the shortest exact form.
QString VarToStr(const QVariant& v);

// A two-dimensional variant array with its own bounds per dimension, as
// VarArrayCreate([lo1, hi1, lo2, hi2]) makes it. Cells start Unassigned.
class TVarMatrix {
public:
  TVarMatrix() = default;
  TVarMatrix(int lo1, int hi1, int lo2, int hi2);

  int Low(int dim) const { return dim == 1 ? lo1_ : lo2_; }
  int High(int dim) const { return dim == 1 ? hi1_ : hi2_; }
  int Count(int dim) const { return High(dim) - Low(dim) + 1; }

  // Raise EVariantError when an index lies outside its bounds.
  const QVariant& At(int i, int j) const;
  QVariant& At(int i, int j);
  QVariant operator()(int i, int j) const { return At(i, j); }
  void Set(int i, int j, const QVariant& v) { At(i, j) = v; }

  // Cells in row-major order of (i, j).
  const QVariantList& Cells() const { return cells_; }
  static TVarMatrix FromCells(int lo1, int hi1, int lo2, int hi2, QVariantList cells);

  bool operator==(const TVarMatrix& o) const;
  bool operator!=(const TVarMatrix& o) const { return !(*this == o); }

private:
  int Offset(int i, int j) const;
  int lo1_ = 0, hi1_ = -1, lo2_ = 0, hi2_ = -1;
  QVariantList cells_;
};

bool VarIsMatrix(const QVariant& v);
TVarMatrix VarToMatrix(const QVariant& v);  // EVariantError when not a matrix

// Structural equality that keeps Null, Unassigned, arrays and matrices apart
// (QVariant's own operator== does not).
bool VarSame(const QVariant& a, const QVariant& b);

// --- dates -------------------------------------------------------------------
using TDateTime = double;

TDateTime DateToDateTime(const QDate& d);            // invalid date → 0
TDateTime QDateTimeToDateTime(const QDateTime& dt);
QDate DateTimeToDate(TDateTime t);                    // 0 → 1899-12-30
QDateTime DateTimeToQDateTime(TDateTime t);
TDateTime Now();
TDateTime Date();

}  // namespace vantor

Q_DECLARE_METATYPE(vantor::TVarMatrix)
