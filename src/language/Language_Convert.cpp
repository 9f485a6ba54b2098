// The table converter and its "Language" file.
#include "language/Language_Convert.h"

#include "platform/os/CodePages.h"
#include "platform/os/Exceptions.h"
#include "platform/os/SysUtils.h"
#include "platform/ui/DialogHost.h"
#include "support/VantorINI.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <mutex>

namespace vantor {

namespace {

// The tables are loaded once per process on first use; a missing file
// leaves them unloaded so that the next conversion looks again.
struct TLoadedTables {
  std::mutex Lock;
  std::shared_ptr<const TLanguageTables> Tables;
};

TLoadedTables& Loaded() {
  static TLoadedTables loaded;
  return loaded;
}

std::shared_ptr<const TLanguageTables> CurrentTables() {
  std::lock_guard<std::mutex> guard(Loaded().Lock);
  if (Loaded().Tables)
    return Loaded().Tables;
  const QString fileName = LanguageFileName();
  if (fileName.isEmpty())
    return nullptr;
  Loaded().Tables = std::make_shared<const TLanguageTables>(ReadLanguageTables(fileName));
  return Loaded().Tables;
}

// The tables, asking the user to install the file when it is missing.
std::shared_ptr<const TLanguageTables> TablesOrMessage() {
  auto tables = CurrentTables();
  if (!tables)
    ShowMessage(QStringLiteral("Can't find file Language !!"));
  return tables;
}

bool IsHexDigit(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

quint16 ParseCode(const QString& line, int lineNumber) {
  const qsizetype equals = line.indexOf(QLatin1Char('='));
  QString value = equals < 0 ? QString() : line.mid(equals + 1);
  value = value.left(value.indexOf(QLatin1Char('=')) < 0 ? value.size() : value.indexOf(QLatin1Char('=')));
  const QString digits = value.mid(1, 4);
  if (digits.size() != 4 || !std::all_of(digits.begin(), digits.end(), IsHexDigit))
    throw EConvertError(QStringLiteral("\"Language\" line %1: \"%2\" is not a code (one leading character and "
                                       "four hexadecimal digits 0-9, A-F)")
                            .arg(lineNumber)
                            .arg(value));
  return quint16(digits.toUInt(nullptr, 16));
}

bool IsBig5Trail(quint8 trail) { return (trail >= 64 && trail <= 126) || (trail >= 161 && trail <= 254); }

// The table value as the two bytes of its code, or empty when it is no entry
// (0000, or nothing but blanks and control bytes).
QByteArray CodeBytes(const QVector<quint16>& table, int position) {
  if (position < 0 || position >= table.size())
    return QByteArray();
  const quint16 code = table[position];
  const char high = char(code >> 8), low = char(code & 0xFF);
  if (quint8(high) <= 0x20 && quint8(low) <= 0x20)
    return QByteArray();
  return QByteArray() + high + low;
}

QByteArray ThroughUnicode(const QByteArray& pair, int fromCodePage, int toCodePage) {
  return WideCharToMultiByte(toCodePage, MultiByteToWideChar(fromCodePage, pair));
}

QByteArray ConvertGBBytes(const QByteArray& text, const TLanguageTables* tables) {
  QByteArray out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const quint8 lead = quint8(text[i]);
    if (lead == 128) {
      out.append("\xA3\xE1", 2);  // the GB euro sign's BIG5 code
      continue;
    }
    if (i + 1 < text.size() && lead >= 129 && quint8(text[i + 1]) != 127) {
      const quint8 trail = quint8(text[i + 1]);
      QByteArray code = tables ? CodeBytes(tables->GB, GBPosition(lead, trail)) : QByteArray();
      out += code.isEmpty() ? ThroughUnicode(text.mid(i, 2), 936, 950) : code;
      ++i;
      continue;
    }
    out.append(char(lead));
  }
  return out;
}

QByteArray ConvertBig5Bytes(const QByteArray& text, const TLanguageTables* tables) {
  QByteArray out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const quint8 lead = quint8(text[i]);
    if (i + 1 < text.size() && lead >= 128 && IsBig5Trail(quint8(text[i + 1]))) {
      const quint8 trail = quint8(text[i + 1]);
      if (lead == 163 && trail == 225) {
        out.append(char(128));  // the euro sign in GB
      } else {
        QByteArray code = tables ? CodeBytes(tables->Big5, Big5Position(lead, trail)) : QByteArray();
        out += code.isEmpty() ? ThroughUnicode(text.mid(i, 2), 950, 936) : code;
      }
      ++i;
      continue;
    }
    out.append(char(lead));
  }
  return out;
}

// One character's bytes in the source code page form exactly one unit the
// byte walk treats as a whole (a pair, or the GB euro byte).
bool IsOneGBUnit(const QByteArray& bytes) {
  return (bytes.size() == 1 && quint8(bytes[0]) == 128) ||
         (bytes.size() == 2 && quint8(bytes[0]) >= 129 && quint8(bytes[1]) != 127);
}

bool IsOneBig5Unit(const QByteArray& bytes) {
  return bytes.size() == 2 && quint8(bytes[0]) >= 128 && IsBig5Trail(quint8(bytes[1]));
}

template <class IsUnit, class Convert>
QString ConvertByCharacter(const QString& text, int fromCodePage, int toCodePage, IsUnit isUnit, Convert convert) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(i, length);
    i += length - 1;
    if (character[0].unicode() < 0x80) {
      out += character;
      continue;
    }
    const QByteArray source = WideCharToMultiByte(fromCodePage, character);
    const QString result = isUnit(source) ? MultiByteToWideChar(toCodePage, convert(source)) : QString();
    const bool readable = !result.isEmpty() && !result.contains(QChar(0xFFFD)) && result != QLatin1String("?");
    out += readable ? result : character;
  }
  return out;
}

}  // namespace

TLanguageTables ReadLanguageTables(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw EInOutError(QStringLiteral("Cannot read \"%1\": %2").arg(fileName, file.errorString()));
  TLanguageTables tables;
  tables.Big5.reserve(kBig5PositionCount);
  tables.GB.reserve(kGBPositionCount);
  int lineNumber = 0;
  while (!file.atEnd()) {
    ++lineNumber;
    const QString line = QString::fromLatin1(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('[')))
      continue;
    if (line.startsWith(QLatin1String("BIG5")))
      tables.Big5.append(ParseCode(line, lineNumber));
    else if (line.startsWith(QLatin1String("GB")))
      tables.GB.append(ParseCode(line, lineNumber));
  }
  if (file.error() != QFileDevice::NoError)
    throw EInOutError(QStringLiteral("Cannot read \"%1\": %2").arg(fileName, file.errorString()));
  return tables;
}

QString LanguageFileName() {
  const QString clientPath = TVantorIniC().ClientPath;
  if (!clientPath.isEmpty() && FileExists(IncludeTrailingPathDelimiter(clientPath) + QStringLiteral("Language")))
    return IncludeTrailingPathDelimiter(clientPath) + QStringLiteral("Language");
  const QString programFolder = QCoreApplication::instance()
                                    ? QCoreApplication::applicationDirPath()
                                    : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', 0, -2);
  const QString beside = IncludeTrailingPathDelimiter(programFolder) + QStringLiteral("Language");
  return !programFolder.isEmpty() && FileExists(beside) ? beside : QString();
}

void ResetLanguageTables() {
  std::lock_guard<std::mutex> guard(Loaded().Lock);
  Loaded().Tables.reset();
}

QByteArray GBToBIG5Bytes(const QByteArray& text) { return ConvertGBBytes(text, TablesOrMessage().get()); }

QByteArray BIG5ToGBBytes(const QByteArray& text) { return ConvertBig5Bytes(text, TablesOrMessage().get()); }

QString GBToBIG5Text(const QString& text) {
  const auto tables = TablesOrMessage();
  return ConvertByCharacter(text, 936, 950, IsOneGBUnit,
                            [&](const QByteArray& bytes) { return ConvertGBBytes(bytes, tables.get()); });
}

QString BIG5ToGBText(const QString& text) {
  const auto tables = TablesOrMessage();
  return ConvertByCharacter(text, 950, 936, IsOneBig5Unit,
                            [&](const QByteArray& bytes) { return ConvertBig5Bytes(bytes, tables.get()); });
}

}  // namespace vantor
