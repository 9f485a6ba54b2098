// Index definitions of client datasets.
#include "platform/db/IndexDefs.h"

namespace vantor {

QStringList SplitFieldNames(const QString& names) {
  QStringList out;
  for (const QString& part : names.split(QLatin1Char(';'))) {
    const QString t = part.trimmed();
    if (!t.isEmpty()) out << t;
  }
  return out;
}

QStringList TIndexDef::FieldList() const { return SplitFieldNames(Fields); }

bool TIndexDef::IsDescending(const QString& field) const {
  if (Options.testFlag(ixDescending)) return true;
  return SplitFieldNames(DescFields).contains(field, Qt::CaseInsensitive);
}

bool TIndexDef::IsCaseInsensitive(const QString& field) const {
  if (Options.testFlag(ixCaseInsensitive)) return true;
  return SplitFieldNames(CaseInsFields).contains(field, Qt::CaseInsensitive);
}

TIndexDef& TIndexDefs::Add(const QString& name, const QString& fields, TIndexOptions options) {
  const int at = IndexOf(name);
  TIndexDef d;
  d.Name = name;
  d.Fields = fields;
  d.Options = options;
  if (at >= 0) {
    items_[size_t(at)] = d;
    return items_[size_t(at)];
  }
  items_.push_back(d);
  return items_.back();
}

int TIndexDefs::IndexOf(const QString& name) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[size_t(i)].Name.compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

const TIndexDef* TIndexDefs::Find(const QString& name) const {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : &items_[size_t(i)];
}

}  // namespace vantor
