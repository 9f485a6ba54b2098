// Parsing, lookup and line-preserving edits of ini-format text.
#include "platform/os/IniDocument.h"

#include <algorithm>
#include <functional>

namespace vantor {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool HasLineBreak(const QString& text) {
  return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

}  // namespace

TIniDocument TIniDocument::Parse(const QByteArray& bytes) {
  TIniDocument doc;
  qsizetype pos = 0;
  if (bytes.startsWith(kBom)) {
    doc.bom_ = true;
    pos = kBom.size();
  }
  bool endSeen = false;
  while (pos < bytes.size()) {
    qsizetype nl = bytes.indexOf('\n', pos);
    QByteArray raw = bytes.mid(pos, nl < 0 ? -1 : nl - pos);
    QByteArray end;
    if (nl >= 0) {
      end = "\n";
      if (raw.endsWith('\r')) {
        raw.chop(1);
        end = "\r\n";
      }
      // The first line end found decides how lines we add will end.
      if (!endSeen) {
        doc.lineEnd_ = end;
        endSeen = true;
      }
    }
    doc.lines_.append(ParseLine(raw, end));
    pos = nl < 0 ? bytes.size() : nl + 1;
  }
  doc.Reindex();
  return doc;
}

TIniDocument::TLine TIniDocument::ParseLine(const QByteArray& raw, const QByteArray& end) {
  TLine line;
  line.Raw = raw;
  line.End = end;
  const QString text = QString::fromUtf8(raw).trimmed();
  if (text.isEmpty() || text.startsWith(QLatin1Char(';')) || text.startsWith(QLatin1Char('#')))
    return line;
  if (text.startsWith(QLatin1Char('['))) {
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    line.Kind = TLineKind::Section;
    line.Name = text.mid(1, close < 0 ? -1 : close - 1).trimmed();
    return line;
  }
  const qsizetype eq = text.indexOf(QLatin1Char('='));
  if (eq <= 0)
    return line;
  line.Kind = TLineKind::Entry;
  line.Name = text.left(eq).trimmed();
  line.Value = text.mid(eq + 1).trimmed();
  if (line.Name.isEmpty())
    line.Kind = TLineKind::Other;
  return line;
}

QByteArray TIniDocument::Serialize() const {
  QByteArray out;
  if (bom_)
    out += kBom;
  for (const TLine& line : lines_) {
    out += line.Raw;
    out += line.End;
  }
  return out;
}

void TIniDocument::Reindex() {
  sections_.clear();
  sectionIndex_.clear();
  for (qsizetype i = 0; i < lines_.size(); ++i) {
    const TLine& line = lines_[i];
    if (line.Kind == TLineKind::Section) {
      if (!sections_.isEmpty())
        sections_.last().End = i;
      TSection section;
      section.Name = line.Name;
      section.Header = i;
      sections_.append(section);
      const QString folded = Fold(line.Name);
      if (!sectionIndex_.contains(folded))  // the first one wins
        sectionIndex_.insert(folded, sections_.size() - 1);
    } else if (line.Kind == TLineKind::Entry && !sections_.isEmpty()) {
      TSection& section = sections_.last();
      section.EntryLines.append(i);
      const QString folded = Fold(line.Name);
      if (!section.FirstEntry.contains(folded))
        section.FirstEntry.insert(folded, i);
    }
  }
  if (!sections_.isEmpty())
    sections_.last().End = lines_.size();
}

const TIniDocument::TSection* TIniDocument::FindSection(const QString& section) const {
  const auto it = sectionIndex_.constFind(Fold(section.trimmed()));
  return it == sectionIndex_.constEnd() ? nullptr : &sections_[it.value()];
}

qsizetype TIniDocument::FindEntry(const TSection& section, const QString& key) const {
  return section.FirstEntry.value(Fold(key.trimmed()), -1);
}

QStringList TIniDocument::SectionNames() const {
  QStringList names;
  for (qsizetype i = 0; i < sections_.size(); ++i)
    if (sectionIndex_.value(Fold(sections_[i].Name)) == i)
      names.append(sections_[i].Name);
  return names;
}

bool TIniDocument::HasSection(const QString& section) const { return FindSection(section) != nullptr; }

bool TIniDocument::Value(const QString& section, const QString& key, QString* value) const {
  const TSection* found = FindSection(section);
  if (!found)
    return false;
  const qsizetype line = FindEntry(*found, key);
  if (line < 0)
    return false;
  if (value)
    *value = lines_[line].Value;
  return true;
}

QList<TIniDocument::TEntry> TIniDocument::Entries(const QString& section) const {
  QList<TEntry> entries;
  const TSection* found = FindSection(section);
  if (!found)
    return entries;
  for (qsizetype line : found->EntryLines)
    if (found->FirstEntry.value(Fold(lines_[line].Name)) == line)
      entries.append({lines_[line].Name, lines_[line].Value});
  return entries;
}

void TIniDocument::InsertLine(qsizetype at, const QString& text) {
  if (at > 0 && lines_[at - 1].End.isEmpty())
    lines_[at - 1].End = lineEnd_;
  lines_.insert(at, ParseLine(text.toUtf8(), lineEnd_));
}

bool TIniDocument::SetValue(const QString& section, const QString& key, const QString& value) {
  const QString name = key.trimmed();
  const TSection* found = FindSection(section);
  if (!found) {
    InsertLine(lines_.size(), QLatin1Char('[') + section.trimmed() + QLatin1Char(']'));
    InsertLine(lines_.size(), name + QLatin1Char('=') + value);
    Reindex();
    return true;
  }
  const qsizetype line = FindEntry(*found, name);
  if (line >= 0) {
    TLine& existing = lines_[line];
    if (existing.Value == value.trimmed())
      return false;
    // Keep the key as it is spelt in the file; only the value changes.
    existing = ParseLine((existing.Name + QLatin1Char('=') + value).toUtf8(), existing.End);
    return true;
  }
  const qsizetype after = found->EntryLines.isEmpty() ? found->Header : found->EntryLines.last();
  InsertLine(after + 1, name + QLatin1Char('=') + value);
  Reindex();
  return true;
}

bool TIniDocument::EraseSection(const QString& section) {
  const QString folded = Fold(section.trimmed());
  QList<TLine> kept;
  kept.reserve(lines_.size());
  bool erasing = false;
  bool changed = false;
  for (const TLine& line : lines_) {
    if (line.Kind == TLineKind::Section)
      erasing = Fold(line.Name) == folded;
    if (erasing)
      changed = true;
    else
      kept.append(line);
  }
  if (!changed)
    return false;
  lines_ = std::move(kept);
  Reindex();
  return true;
}

bool TIniDocument::DeleteKey(const QString& section, const QString& key) {
  const TSection* found = FindSection(section);
  if (!found)
    return false;
  const QString folded = Fold(key.trimmed());
  QList<qsizetype> doomed;
  for (qsizetype line : found->EntryLines)
    if (Fold(lines_[line].Name) == folded)
      doomed.append(line);
  if (doomed.isEmpty())
    return false;
  std::sort(doomed.begin(), doomed.end(), std::greater<>());
  for (qsizetype line : doomed)
    lines_.removeAt(line);
  Reindex();
  return true;
}

QString TIniDocument::CheckWritable(const QString& section, const QString& key, const QString& value) {
  const QString s = section.trimmed();
  const QString k = key.trimmed();
  if (s.isEmpty())
    return QStringLiteral("the section name is empty");
  if (s.contains(QLatin1Char(']')) || HasLineBreak(s))
    return QStringLiteral("the section name \"%1\" contains \"]\" or a line break").arg(s);
  if (k.isEmpty())
    return QStringLiteral("the key name is empty");
  if (k.contains(QLatin1Char('=')) || HasLineBreak(k))
    return QStringLiteral("the key name \"%1\" contains \"=\" or a line break").arg(k);
  if (k.startsWith(QLatin1Char('[')) || k.startsWith(QLatin1Char(';')) || k.startsWith(QLatin1Char('#')))
    return QStringLiteral("the key name \"%1\" starts with \"[\", \";\" or \"#\"").arg(k);
  if (HasLineBreak(value))
    return QStringLiteral("the value of \"%1\" contains a line break").arg(k);
  return {};
}

}  // namespace vantor
