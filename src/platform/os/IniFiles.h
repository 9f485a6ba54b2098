// TIniFile: reads and writes one ini file the way programs expect of
// Windows ini files (see IniDocument.h for the text rules).
//
// Every read sees the file as it is on disk now: the parsed text is cached
// and parsed again only when the file's identity, size or modification time
// changed, so another process's edit is seen and a loop over many keys does
// not parse the file once per key.
//
// Every write goes to the disk at once, through a temporary file renamed over
// the old one, so a crash leaves either the old or the new file, never half
// of one. A file that cannot be read reads as empty; writing to it is refused
// (it would replace text we could not see) with EInOutError, as is any write
// that fails. Names or values that could not be read back as written (a
// key with "=", a value with a line break) raise EConvertError.
#pragma once

#include "platform/os/IniDocument.h"

#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace vantor {

class TIniFile {
public:
  explicit TIniFile(const QString& fileName);

  const QString& FileName() const { return fileName_; }

  QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const;
  // Decimal, "$hex" or "0xhex"; anything else (or out of range) gives the default.
  int ReadInteger(const QString& section, const QString& ident, int defaultValue) const;
  // An integer other than 0 is true; a value that is no integer gives the default.
  bool ReadBool(const QString& section, const QString& ident, bool defaultValue) const;
  // A number with "." as decimal point; anything else gives the default.
  double ReadFloat(const QString& section, const QString& ident, double defaultValue) const;

  void WriteString(const QString& section, const QString& ident, const QString& value);
  void WriteInteger(const QString& section, const QString& ident, int value);
  void WriteBool(const QString& section, const QString& ident, bool value);
  void WriteFloat(const QString& section, const QString& ident, double value);

  // Key names of the section, in file order.
  QStringList ReadSection(const QString& section) const;
  // The section as "KEY=VALUE" lines, in file order.
  QStringList ReadSectionValues(const QString& section) const;
  QStringList ReadSections() const;
  bool SectionExists(const QString& section) const;
  bool ValueExists(const QString& section, const QString& ident) const;

  void EraseSection(const QString& section);
  void DeleteKey(const QString& section, const QString& ident);

  // Nothing is buffered; kept so callers written for buffered files compile.
  void UpdateFile() {}

private:
  struct TStamp {
    bool Exists = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    qint64 ModifiedNs = 0;
    bool operator==(const TStamp&) const = default;
  };

  const TIniDocument& Document() const;
  TStamp StampNow() const;
  void Load(const TStamp& stamp) const;
  template <class Edit>
  void Change(const QString& what, Edit edit);
  void Save(const TIniDocument& doc, const QString& what);

  QString fileName_;
  mutable TIniDocument doc_;
  mutable TStamp stamp_;
  mutable bool loaded_ = false;
  mutable QString readError_;  // why an existing file could not be read
};

// Integer text as the component library reads it: optional sign, then
// decimal digits, "$hex" or "0xhex".
bool ParseIniInteger(const QString& text, int* value);

}  // namespace vantor
