// TFieldDef and TFieldDefs: the description of the columns a dataset holds,
// as the provider's metadata gives them or as code declares them before
// CreateDataSet. Fields are made from these definitions.
#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <vector>

#include "platform/db/DataPacket.h"

namespace vantor {

class TFieldDefs;

class TFieldDef {
public:
  QString Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  int Precision = 0;
  bool Required = false;
  bool ReadOnly = false;
  bool InKey = false;
  // Position among the definitions: the storage slot of the field made from it.
  int FieldNo = 0;

  TFieldDefs& ChildDefs();
  const TFieldDefs& ChildDefs() const;
  bool HasChildDefs() const;

  TFieldDef();
  TFieldDef(const TFieldDef& o);
  TFieldDef& operator=(const TFieldDef& o);
  ~TFieldDef();

private:
  std::unique_ptr<TFieldDefs> children_;
};

class TFieldDefs {
public:
  int Count() const { return int(items_.size()); }
  const TFieldDef& Items(int i) const { return items_.at(size_t(i)); }
  TFieldDef& Items(int i) { return items_.at(size_t(i)); }
  TFieldDef& Add(const QString& name, TFieldType type, int size = 0, bool required = false);
  void Clear() { items_.clear(); }
  // Case-insensitive; -1 when absent.
  int IndexOf(const QString& name) const;
  const TFieldDef* Find(const QString& name) const;
  bool Updated = false;

  // Conversions to and from the packet's form.
  static TFieldDefs FromPacket(const QList<TPacketFieldDef>& defs);
  QList<TPacketFieldDef> ToPacket() const;

private:
  std::vector<TFieldDef> items_;
};

}  // namespace vantor
