// TIndexDef and TIndexDefs: named orders of a client dataset. Fields are
// separated by ";"; an index is descending as a whole (ixDescending) or per
// field (DescFields), and may compare text without regard to case (whole, or
// per field through CaseInsFields).
#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>
#include <vector>

namespace vantor {

enum TIndexOption {
  ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8, ixExpression = 16
};
Q_DECLARE_FLAGS(TIndexOptions, TIndexOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TIndexOptions)

class TIndexDef {
public:
  QString Name;
  QString Fields;
  QString DescFields;
  QString CaseInsFields;
  TIndexOptions Options;

  QStringList FieldList() const;
  bool IsDescending(const QString& field) const;
  bool IsCaseInsensitive(const QString& field) const;
};

class TIndexDefs {
public:
  int Count() const { return int(items_.size()); }
  const TIndexDef& Items(int i) const { return items_.at(size_t(i)); }
  TIndexDef& Items(int i) { return items_.at(size_t(i)); }
  // Adds or replaces the definition of that name.
  TIndexDef& Add(const QString& name, const QString& fields, TIndexOptions options = {});
  void Clear() { items_.clear(); }
  void Delete(int i) { items_.erase(items_.begin() + i); }
  int IndexOf(const QString& name) const;  // case-insensitive, -1 when absent
  const TIndexDef* Find(const QString& name) const;

private:
  std::vector<TIndexDef> items_;
};

// "A; b ;C" -> ["A", "b", "C"]; empty names dropped.
QStringList SplitFieldNames(const QString& names);

}  // namespace vantor
