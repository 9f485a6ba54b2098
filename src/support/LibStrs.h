// The framework's toolbox of free routines: padding and splitting strings,
// the suite's stored date forms and the user's display forms, rounding and
// comparing floating-point values, text between Unicode and the byte forms of
// a code page, the daily alert log and the Chinese captions of message-box
// buttons.
//
// None of these routines raises. Date routines answer 0, "0" or "" for text
// they cannot read; the alert log answers false when it cannot write.
//
// Stored forms: a date is eight digits "YYYYMMDD" (valid "17530101" to
// "99991231"), a date-time seventeen digits (year 4, month, day, hour,
// minute, second 2 each, milliseconds 3). Display forms follow a format code:
//   1 year month day    2 month day year    3 day month year    (4-digit year)
//   4 year month day with year - 1911, at least 2 digits
//   5 year month day with year - 1911, at least 3 digits
// and a separator, the first character of the separator text ("" = none).
// Without a separator the parts stand at fixed places: month and day take
// two digits each and the year takes what they leave (codes 2 to 5); code 1
// reads year, month and day from places 1-4, 5-6 and 7 on.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include "platform/variant/Variants.h"

namespace vantor {

// --- strings ------------------------------------------------------------------------

// Pads in front (PadLeft) or behind (PadRight) up to width characters; a
// longer text comes back unchanged.
QString PadLeft(const QString& text, int width, QChar pad = QLatin1Char(' '));
QString PadRight(const QString& text, int width, QChar pad = QLatin1Char(' '));
// The same with width and character code given as a pair: PadLeft(s, {2, 48}).
QString PadLeft(const QString& text, const QList<int>& widthAndCharCode);
QString PadRight(const QString& text, const QList<int>& widthAndCharCode);
// The number with at least width digits, zero-filled ("-005" for -5, 3).
QString ZeroPad(int width, qint64 value);

// The index-th field (from 1) of the text split at the separator; "" when
// there are fewer fields. The last field is all that follows the last
// separator.
QString GetToken(const QString& text, const QString& separator, int index);
// Separators plus one; 0 for an empty text.
int TokenCount(const QString& text, const QString& separator);
// Answers the part before the first separator and leaves the text with what
// follows it; without a separator the whole text is answered and emptied.
QString CutToken(QString& text, const QString& separator);
// Replaces old by new (case-sensitive), looking again from where the last
// replacement could have made a new occurrence, until none is left; nothing
// is replaced when old and new are equal ignoring case or old is empty.
// When new contains old, each original occurrence is replaced once.
QString ReplaceAll(const QString& text, const QString& oldText, const QString& newText, bool trim);

// The one address for which the in-process server objects are used.
bool IsLoopbackAddress(const QString& text);
// Chinese caption of a standard message-box button name ("Yes", "OK", ...);
// any other name comes back unchanged.
QString TranslateButtonCaption(const QString& buttonName);

// --- variants and numbers -------------------------------------------------------------

QVariant VarIIf(bool condition, const QVariant& ifTrue, const QVariant& ifFalse);
// VarIsBlank (Unassigned or Null) comes from the variant conventions.

// Rounds half away from zero to the given number of decimals, after taking
// the value at its 15 significant digits, so that 2.675 gives 2.68 and
// values a hair below a half (within 1e-12) round up as well.
double RoundDigits(int digits, double value);
// -1, 0 or 1; values within 1e-10 of each other (at 15 significant digits)
// are equal.
int CompareFloat(double a, double b);

// --- dates and times --------------------------------------------------------------------

QString DateToStrByType(int formatCode, const QString& separator, TDateTime date);
QString DateTimeToStrByType(int formatCode, const QString& separator, TDateTime dateTime);
// A display date as a date; 0 when it cannot be read. A day past the end of
// the month runs on into the next month (2005/02/30 is 2 March 2005).
TDateTime StrToDateByType(const QString& text, int formatCode, const QString& separator);
// A display date as its stored text "YYYYMMDD", or "0" when unreadable.
// Month and day ranges are left to IsValidStr8Date; unknown codes read as 1.
QString DateTextToStr8(const QString& text, int formatCode, const QString& separator);
TDateTime Str8ToDate(const QString& text);
// "" is valid; otherwise eight digits forming an existing date in the range.
bool IsValidStr8Date(const QString& text);
// Date plus time, the time alone when year, month or day is 0; 0 when a
// part is out of range.
TDateTime Str17ToDateTime(const QString& text);
// a + sign * b for two texts "H:MM:SS" (hours of any width): the pair
// (seconds, SecondsToTimeText(seconds)); (0, "000:00:00") when a text or
// the sign (1 or -1) is not acceptable.
QVariantList AddTimeText(const QString& a, const QString& b, int sign);
// "HHHH:MM:SS" with at least four hour digits and "-" in front when negative.
QString SecondsToTimeText(qint64 seconds);

// --- Unicode and code-page bytes ------------------------------------------------------
// In a variant, text held as QString is Unicode ("wide"); text held as
// QByteArray is bytes of a code page ("ANSI").

// An unknown code page falls back to the system code page.
QByteArray WideToAnsiCP(const QString& text, int codePage);
QString AnsiToWideCP(const QByteArray& bytes, int codePage);
// Copies of the value with every QString (VarWideToAnsi) or QByteArray
// (VarAnsiToWide) converted, in arrays and matrices too; other values and
// text already in the target form are copied as they are.
QVariant VarWideToAnsi(const QVariant& value, int codePage);
QVariant VarAnsiToWide(const QVariant& value, int codePage);

// --- logs ---------------------------------------------------------------------------------

// Appends "[YYYY/MM/DD hh:nn:ss:zzz] message" to
// <install folder>/Log/Alert_<name>_<stamp>[.log]; the stamp is YYYYMMDD for
// period "D" (and anything unknown), YYYYMM for "M", YYYY for "Y"; ".log" is
// added when the name has no dot. False when the folder or file cannot be
// written.
bool WriteAlertLog(const QString& name, const QString& message, const QString& period);
// The folder alert logs go to: the install folder, else the program's
// folder, with "Log" added.
QString AlertLogFolder();
// The file WriteAlertLog writes to on the given day.
QString AlertLogFileName(const QString& folder, const QString& name, const QString& period, const QDate& day);
// Appends one line (UTF-8, "\n") in a single write; false on any failure.
bool AppendLogLine(const QString& fileName, const QString& line);

}  // namespace vantor
