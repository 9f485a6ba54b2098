// Readable GoogleTest output for Qt values: a failed comparison shows the
// text of a QString or QByteArray instead of the bytes of the object.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
  *os << "bytes \"" << bytes.toHex(' ').toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
  *os << '{';
  for (qsizetype i = 0; i < list.size(); ++i)
    *os << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
  *os << '}';
}
