// mklanguage: writes the "Language" code-table file that the table
// converter reads. Usage: mklanguage FILE
//
// The file holds the BIG5 table (the GB code of the character at each BIG5
// position), then the GB table (the BIG5 code of the character at each GB
// position). A character is read in its code page, brought into the other
// script character by character (Taiwan-standard traditional forms) and
// written in the other code page; 0000 marks a position whose character
// does not exist or has no single-character counterpart there.
//
// Positions are those the converter reads (CodeTablePositions.h).
#include "language/CodeTablePositions.h"
#include "platform/os/CodePages.h"

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QVector>

#include <opencc/opencc.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

using vantor::RawMultiByteToWideChar;
using vantor::RawWideCharToMultiByte;


struct TEntry {
  int Code = -1;       // the pair whose position this is; -1 when none has it
  quint16 Target = 0;  // the counterpart's code, 0 when none
};

// The one character the two bytes stand for in the code page.
std::optional<QString> DecodePair(int codePage, int code) {
  QByteArray bytes;
  bytes.append(char(code >> 8)).append(char(code & 0xFF));
  const QString text = RawMultiByteToWideChar(codePage, bytes);
  if (text.isEmpty() || text.contains(QChar(0xFFFD)) || text.toUcs4().size() != 1)
    return std::nullopt;
  return text;
}

// The two-byte code of one character in the code page, 0 when it has none.
quint16 EncodeCharacter(int codePage, const QString& character) {
  if (character.toUcs4().size() != 1)
    return 0;
  const QByteArray bytes = RawWideCharToMultiByte(codePage, character);
  if (bytes.size() != 2 || quint8(bytes[0]) < 0x81)
    return 0;
  return quint16((quint8(bytes[0]) << 8) | quint8(bytes[1]));
}

QString Convert(const opencc::SimpleConverter& converter, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  const std::string out = converter.Convert(utf8.constData(), size_t(utf8.size()));
  return QString::fromUtf8(out.data(), qsizetype(out.size()));
}

// Fills the table of one code page: every pair that has a position gets
// the code of its character's counterpart in the other code page.
template <class Position>
QVector<TEntry> BuildTable(int count, Position position, int fromCodePage, int toCodePage,
                           const opencc::SimpleConverter& converter) {
  QVector<TEntry> table(count);
  for (int lead = 128; lead <= 254; ++lead) {
    for (int trail = 64; trail <= 254; ++trail) {
      const int at = position(lead, trail);
      if (at < 0 || at >= count || table[at].Code >= 0)
        continue;
      const int code = (lead << 8) | trail;
      table[at].Code = code;
      if (const auto character = DecodePair(fromCodePage, code))
        table[at].Target = EncodeCharacter(toCodePage, Convert(converter, *character));
    }
  }
  return table;
}

void WriteTable(QSaveFile& file, const char* section, const char* prefix, const QVector<TEntry>& table) {
  file.write(QByteArray("[") + section + "]\n");
  for (int at = 0; at < table.size(); ++at) {
    const TEntry& entry = table[at];
    const QByteArray key = entry.Code >= 0 ? QByteArray::number(entry.Code, 16).toUpper().rightJustified(4, '0')
                                           : "P" + QByteArray::number(at).rightJustified(5, '0');
    const QByteArray value = QByteArray::number(entry.Target, 16).toUpper().rightJustified(4, '0');
    file.write(prefix + key + "=$" + value + "\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mklanguage FILE\n");
    return 2;
  }
  try {
    const opencc::SimpleConverter toSimplified("tw2s.json");
    const opencc::SimpleConverter toTraditional("s2tw.json");
    const auto big5 = BuildTable(vantor::kBig5PositionCount, vantor::Big5Position, 950, 936, toSimplified);
    const auto gb = BuildTable(vantor::kGBPositionCount, vantor::GBPosition, 936, 950, toTraditional);
    // Written whole or not at all, so a failed run never leaves half a table.
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly)) {
      std::fprintf(stderr, "mklanguage: cannot write %s: %s\n", argv[1], qPrintable(file.errorString()));
      return 1;
    }
    WriteTable(file, "BIG5", "BIG5", big5);
    WriteTable(file, "GB", "GB", gb);
    if (!file.commit()) {
      std::fprintf(stderr, "mklanguage: cannot write %s: %s\n", argv[1], qPrintable(file.errorString()));
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "mklanguage: %s\n", error.what());
    return 1;
  }
  return 0;
}
