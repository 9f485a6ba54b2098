// TIniFile: file access, caching by file stamp and atomic writes.
#include "platform/os/IniFiles.h"

#include "platform/os/Exceptions.h"

#include <QFile>
#include <QSaveFile>
#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace vantor {

bool ParseIniInteger(const QString& text, int* value) {
  QString s = text.trimmed();
  bool negative = false;
  if (s.startsWith(QLatin1Char('-')) || s.startsWith(QLatin1Char('+'))) {
    negative = s.startsWith(QLatin1Char('-'));
    s.remove(0, 1);
  }
  int base = 10;
  if (s.startsWith(QLatin1Char('$'))) {
    base = 16;
    s.remove(0, 1);
  } else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    base = 16;
    s.remove(0, 2);
  }
  if (s.isEmpty() || s.size() > 20)
    return false;
  for (QChar c : s)
    if (!(c.isDigit() && c.unicode() < 128) && !(base == 16 && QStringLiteral("abcdefABCDEF").contains(c)))
      return false;
  bool ok = false;
  const qulonglong magnitude = s.toULongLong(&ok, base);
  if (!ok)
    return false;
  // Hexadecimal text covers all 32 bits: "$FFFFFFFF" is -1, as programs expect.
  const qulonglong limit = base == 16 ? 0xFFFFFFFFull
                                      : qulonglong(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
  if (magnitude > limit)
    return false;
  const qint64 signedValue = negative ? -qint64(magnitude) : qint64(magnitude);
  *value = base == 16 ? int(quint32(signedValue)) : int(signedValue);
  return true;
}

TIniFile::TIniFile(const QString& fileName) : fileName_(fileName) {}

TIniFile::TStamp TIniFile::StampNow() const {
  TStamp stamp;
  struct stat st;
  if (::stat(QFile::encodeName(fileName_).constData(), &st) != 0)
    return stamp;
  stamp.Exists = true;
  stamp.Device = st.st_dev;
  stamp.Inode = st.st_ino;
  stamp.Size = st.st_size;
  stamp.ModifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return stamp;
}

void TIniFile::Load(const TStamp& stamp) const {
  doc_ = TIniDocument();
  readError_.clear();
  stamp_ = stamp;
  loaded_ = true;
  if (!stamp.Exists)
    return;
  struct stat st;
  if (::stat(QFile::encodeName(fileName_).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
    readError_ = QStringLiteral("it is not a regular file");
    return;
  }
  QFile file(fileName_);
  if (!file.open(QIODevice::ReadOnly)) {
    readError_ = file.errorString();
    return;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    readError_ = file.errorString();
    return;
  }
  doc_ = TIniDocument::Parse(bytes);
}

const TIniDocument& TIniFile::Document() const {
  const TStamp now = StampNow();
  if (!loaded_ || !(now == stamp_))
    Load(now);
  return doc_;
}

void TIniFile::Save(const TIniDocument& doc, const QString& what) {
  QSaveFile file(fileName_);
  const QByteArray bytes = doc.Serialize();
  const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
  if (!ok)
    throw EInOutError(QStringLiteral("Cannot write %1 to \"%2\": %3").arg(what, fileName_, file.errorString()));
  doc_ = doc;
  stamp_ = StampNow();
  loaded_ = true;
}

template <class Edit>
void TIniFile::Change(const QString& what, Edit edit) {
  Load(StampNow());  // a write always starts from what is on disk now
  if (!readError_.isEmpty())
    throw EInOutError(QStringLiteral("Cannot write %1 to \"%2\": the file exists but cannot be read (%3)")
                          .arg(what, fileName_, readError_));
  TIniDocument changed = doc_;
  if (edit(changed))
    Save(changed, what);
}

QString TIniFile::ReadString(const QString& section, const QString& ident, const QString& defaultValue) const {
  QString value;
  return Document().Value(section, ident, &value) ? value : defaultValue;
}

int TIniFile::ReadInteger(const QString& section, const QString& ident, int defaultValue) const {
  int value = 0;
  return ParseIniInteger(ReadString(section, ident, QString()), &value) ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString& section, const QString& ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const QString& section, const QString& ident, double defaultValue) const {
  bool ok = false;
  const double value = ReadString(section, ident, QString()).toDouble(&ok);
  return ok && std::isfinite(value) ? value : defaultValue;
}

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
  const QString what = QStringLiteral("[%1] %2").arg(section.trimmed(), ident.trimmed());
  const QString refusal = TIniDocument::CheckWritable(section, ident, value);
  if (!refusal.isEmpty())
    throw EConvertError(QStringLiteral("Cannot write %1 to \"%2\": %3").arg(what, fileName_, refusal));
  Change(what, [&](TIniDocument& doc) { return doc.SetValue(section, ident, value); });
}

void TIniFile::WriteInteger(const QString& section, const QString& ident, int value) {
  WriteString(section, ident, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& ident, bool value) {
  WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::WriteFloat(const QString& section, const QString& ident, double value) {
  WriteString(section, ident, QString::number(value, 'g', 15));
}

QStringList TIniFile::ReadSection(const QString& section) const {
  QStringList keys;
  for (const auto& entry : Document().Entries(section))
    keys.append(entry.first);
  return keys;
}

QStringList TIniFile::ReadSectionValues(const QString& section) const {
  QStringList lines;
  for (const auto& entry : Document().Entries(section))
    lines.append(entry.first + QLatin1Char('=') + entry.second);
  return lines;
}

QStringList TIniFile::ReadSections() const { return Document().SectionNames(); }

bool TIniFile::SectionExists(const QString& section) const { return Document().HasSection(section); }

bool TIniFile::ValueExists(const QString& section, const QString& ident) const {
  return Document().Value(section, ident, nullptr);
}

void TIniFile::EraseSection(const QString& section) {
  Change(QStringLiteral("the removal of [%1]").arg(section.trimmed()),
         [&](TIniDocument& doc) { return doc.EraseSection(section); });
}

void TIniFile::DeleteKey(const QString& section, const QString& ident) {
  Change(QStringLiteral("the removal of [%1] %2").arg(section.trimmed(), ident.trimmed()),
         [&](TIniDocument& doc) { return doc.DeleteKey(section, ident); });
}

}  // namespace vantor
