// The text of an ini-format file held line by line, for the ini reader and
// for the registry file. Lines keep their original bytes and line ends, so a
// write that changes one value leaves every other byte of the file as it was
// (comments, blank lines, order, odd encodings of lines we never touch).
//
// Rules, as programs expect of Windows ini files:
// - "[name]" starts a section; section and key names compare without regard
//   to case; the first section of a name and the first key of a name win.
// - "key=value": blanks around key and value are dropped, nothing else is
//   changed (no escapes, no quotes removed, ";" inside a value is text).
// - Lines starting with ";" or "#" are comments; lines without "=" and
//   entries before the first section are kept but not read.
// - The file is UTF-8; a leading byte-order mark and CRLF line ends are read
//   and preserved.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace vantor {

class TIniDocument {
public:
  using TEntry = QPair<QString, QString>;

  static TIniDocument Parse(const QByteArray& bytes);
  QByteArray Serialize() const;

  bool IsEmpty() const { return lines_.isEmpty(); }
  // Section names in file order, each name once, as first spelt.
  QStringList SectionNames() const;
  bool HasSection(const QString& section) const;
  // Looks a value up; false when the section or key is missing.
  bool Value(const QString& section, const QString& key, QString* value) const;
  // Keys of the section in file order, each once, with their first value.
  QList<TEntry> Entries(const QString& section) const;

  // Edits; each returns whether the text changed. The caller has checked
  // that names and value can be written (see CheckWritable).
  bool SetValue(const QString& section, const QString& key, const QString& value);
  bool EraseSection(const QString& section);
  bool DeleteKey(const QString& section, const QString& key);

  // Empty when the triple can be written and read back the same; else why not.
  static QString CheckWritable(const QString& section, const QString& key, const QString& value);

private:
  enum class TLineKind { Other, Section, Entry };
  struct TLine {
    QByteArray Raw;         // bytes of the line without its line end
    QByteArray End;         // "\n", "\r\n" or empty for a last line without one
    TLineKind Kind = TLineKind::Other;
    QString Name;           // section name or key
    QString Value;          // value of an entry
  };
  struct TSection {
    QString Name;
    qsizetype Header = 0;   // line of "[name]"
    qsizetype End = 0;      // first line after the section
    QList<qsizetype> EntryLines;
    QHash<QString, qsizetype> FirstEntry;  // folded key → its first line
  };

  static TLine ParseLine(const QByteArray& raw, const QByteArray& end);
  static QString Fold(const QString& name) { return name.toCaseFolded(); }
  void Reindex();
  const TSection* FindSection(const QString& section) const;
  qsizetype FindEntry(const TSection& section, const QString& key) const;
  void InsertLine(qsizetype at, const QString& text);

  QList<TLine> lines_;
  QList<TSection> sections_;
  QHash<QString, qsizetype> sectionIndex_;  // folded name → first section
  bool bom_ = false;
  QByteArray lineEnd_ = "\n";
};

}  // namespace vantor
