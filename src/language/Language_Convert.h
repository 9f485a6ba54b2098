// The table converter: simplified (GB, code page 936) to traditional (BIG5,
// code page 950) Chinese and back through two code tables read from the
// text file "Language" of the client install folder (or, failing that, of
// the running program's folder). The server brokers' message dialogs use it
// for message texts and button captions.
//
// "Language" file: lines starting with "[" and blank lines are skipped; every
// other line is key=value. Keys starting with "BIG5" are entries of the BIG5
// table, keys starting with "GB" entries of the GB table, each table in the
// order of its positions (below); the value is one leading character, which
// is not read, and four hexadecimal digits (0-9, A-F) giving the target
// code, high byte first; 0000 means no entry. Lines with other keys are not
// entries of either table.
//
// Positions of a two-byte code, lead byte L and trail byte T:
//   BIG5: (L-161)*157 + (T-64) for T 64..126, (L-161)*157 + 63 + (T-161) for
//         T 161..254; lead bytes below 161 have none. 14 758 positions.
//   GB:   L 161..169 or 176..247, T 161..254: (L-161)*94 + (T-161);
//         L 129..160, T 64..254: 8178 + (L-129)*191 + (T-64);
//         L 170..254, T 64..160: 14290 + (L-170)*97 + (T-64);
//         L 168..169, T 64..160: 22535 + (L-168)*97 + (T-64). 22 729 positions.
//
// A pair with no table entry is converted through Unicode instead, which is
// also all that happens while the file cannot be found.
#pragma once

#include "language/CodeTablePositions.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace vantor {


struct TLanguageTables {
  QVector<quint16> Big5;  // GB code by BIG5 position
  QVector<quint16> GB;    // BIG5 code by GB position
};

// Reads a "Language" file. Raises EInOutError when it cannot be read and
// EConvertError naming the line for a value that is not a code.
TLanguageTables ReadLanguageTables(const QString& fileName);
// Where "Language" is: the client install folder, else the running
// program's folder; "" when in neither.
QString LanguageFileName();
// Forgets the loaded tables, so that the next conversion reads the file again.
void ResetLanguageTables();

// Conversions of the bytes of the code pages. Without tables (file missing:
// the message "Can't find file Language !!" is shown on every call) only the
// Unicode fall-back applies. A value of the file that is not a code raises
// EConvertError.
QByteArray GBToBIG5Bytes(const QByteArray& text);
QByteArray BIG5ToGBBytes(const QByteArray& text);

// The same for text: each character is taken in the source code page,
// converted as above and read back in the target code page. A character the
// source code page cannot hold, or whose conversion cannot be read back, is
// kept as it is.
QString GBToBIG5Text(const QString& text);
QString BIG5ToGBText(const QString& text);

}  // namespace vantor
