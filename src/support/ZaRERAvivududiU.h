// The reversible scrambling of the database passwords in the server's
// configuration file, and the detailed exception report that goes with it
// into an alert file of its own.
//
// A scrambled password is two lower-case hexadecimal digits per byte of the
// plain password (its bytes in the system code page), byte i (counted from
// 1) rotated right by i mod 8 bits. An empty password is stored as the
// scrambled form of kNoPasswordSentinel so that the stored value is never
// empty. Nothing here raises: a damaged value decodes to kPasswordErrorText
// and leaves a report in the alert file.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace vantor {

inline const QString kNoPasswordSentinel = QStringLiteral("QX_Say_NoPassWord_ThePassWordIsEmpty");
inline const QString kPasswordErrorText = QStringLiteral("QX_Say_Password_Error");

QString EncodeSQLPassword(const QString& plain);
// The plain password, "" for an empty one, or kPasswordErrorText when the
// text holds a pair that is not hexadecimal. A single character left over
// at the end is ignored.
QString DecodeSQLSa(const QString& scrambled);

// Writes a block of lines about the exception (none for nullptr), headed by
// a separator that names the place, and the programmer's note.
void ReportException(const std::exception* error, const QString& place, const QString& programmerMessage);

// Appends one time-stamped line to today's file
// <install folder>/Log/Alert_ZaRERAvivududi_YYYYMMDD.log; false when the
// folder or the file cannot be written.
bool WriteGeneratorAlert(const QString& text);
// The file WriteGeneratorAlert writes to today.
QString GeneratorAlertFileName();

}  // namespace vantor
