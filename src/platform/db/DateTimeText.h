// Dates and times as text, for date, time and date-time fields. Pictures use
// the component library's letters: yyyy yy m mm d dd h hh n nn s ss zzz, with
// "m"/"mm" read as minutes right after an hour; text in quotes is literal.
// Reading accepts year/month/day with "/", "-" or "." between the parts, or
// eight digits YYYYMMDD, optionally followed by a time h:n[:s[.zzz]].
#pragma once

#include <QString>

#include "platform/variant/Variants.h"

namespace vantor {

// The pictures used when a field has no display format of its own.
QString ShortDateFormat();   // "yyyy/mm/dd"
QString LongTimeFormat();    // "hh:nn:ss"

QString FormatDateTime(const QString& format, TDateTime value);

// False when the text is no valid date (month 13, day 40, letters...).
bool TryTextToDate(const QString& text, TDateTime& result);
bool TryTextToTime(const QString& text, TDateTime& result);
bool TryTextToDateTime(const QString& text, TDateTime& result);

}  // namespace vantor
