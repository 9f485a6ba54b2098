// Number formatting by picture, with the component library's rules, as the
// DisplayFormat and EditFormat of numeric fields use it:
//   "0"  digit, always shown        "#"  digit, shown when significant
//   "."  decimal point (the first)  ","  thousands grouping (anywhere)
//   "E+" "E-" "e+" "e-" scientific notation with at least as many exponent
//        digits as "0"s follow
//   'x' "x"  literal text; any other character is copied as it stands
// Up to three sections separated by ";" format positive, negative and zero
// values; an empty or missing section falls back to the first. Values are
// rounded half away from zero on their decimal digits (2.675 with "0.00"
// gives "2.68"), and a value that rounds to zero is formatted as zero.
#pragma once

#include <QString>

namespace vantor {

QString FormatFloat(const QString& format, double value);

// The general format: up to `precision` significant digits, scientific only
// for very large or very small values ("1E20", "1.5E-6").
QString FloatToStrGeneral(double value, int precision = 15);

// Fixed notation with exactly `decimals` decimals, no grouping ("-12.50").
QString FloatToStrFixed(double value, int decimals);

// Rounds half away from zero on the decimal digits, as FormatFloat does.
double RoundToDecimals(double value, int decimals);

}  // namespace vantor
