// Field definitions and their conversion to and from the packet metadata.
#include "platform/db/FieldDefs.h"

namespace vantor {

TFieldDef::TFieldDef() = default;
TFieldDef::~TFieldDef() = default;

TFieldDef::TFieldDef(const TFieldDef& o)
    : Name(o.Name), DataType(o.DataType), Size(o.Size), Precision(o.Precision),
      Required(o.Required), ReadOnly(o.ReadOnly), InKey(o.InKey), FieldNo(o.FieldNo),
      children_(o.children_ ? std::make_unique<TFieldDefs>(*o.children_) : nullptr) {}

TFieldDef& TFieldDef::operator=(const TFieldDef& o) {
  if (this != &o) {
    TFieldDef copy(o);
    Name = copy.Name; DataType = copy.DataType; Size = copy.Size; Precision = copy.Precision;
    Required = copy.Required; ReadOnly = copy.ReadOnly; InKey = copy.InKey; FieldNo = copy.FieldNo;
    children_ = std::move(copy.children_);
  }
  return *this;
}

TFieldDefs& TFieldDef::ChildDefs() {
  if (!children_) children_ = std::make_unique<TFieldDefs>();
  return *children_;
}

const TFieldDefs& TFieldDef::ChildDefs() const {
  static const TFieldDefs empty;
  return children_ ? *children_ : empty;
}

bool TFieldDef::HasChildDefs() const { return children_ && children_->Count() > 0; }

TFieldDef& TFieldDefs::Add(const QString& name, TFieldType type, int size, bool required) {
  TFieldDef d;
  d.Name = name;
  d.DataType = type;
  d.Size = size;
  d.Required = required;
  d.FieldNo = Count();
  items_.push_back(std::move(d));
  return items_.back();
}

int TFieldDefs::IndexOf(const QString& name) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[size_t(i)].Name.compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

const TFieldDef* TFieldDefs::Find(const QString& name) const {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : &items_[size_t(i)];
}

TFieldDefs TFieldDefs::FromPacket(const QList<TPacketFieldDef>& defs) {
  TFieldDefs out;
  for (const TPacketFieldDef& p : defs) {
    TFieldDef& d = out.Add(p.Name, p.DataType, p.Size, p.Required);
    d.Precision = p.Precision;
    d.ReadOnly = p.ReadOnly;
    d.InKey = p.InKey;
    if (!p.Children.isEmpty()) d.ChildDefs() = FromPacket(p.Children);
  }
  return out;
}

QList<TPacketFieldDef> TFieldDefs::ToPacket() const {
  QList<TPacketFieldDef> out;
  for (const TFieldDef& d : items_) {
    TPacketFieldDef p;
    p.Name = d.Name;
    p.DataType = d.DataType;
    p.Size = d.Size;
    p.Precision = d.Precision;
    p.Required = d.Required;
    p.ReadOnly = d.ReadOnly;
    p.InKey = d.InKey;
    if (d.HasChildDefs()) p.Children = d.ChildDefs().ToPacket();
    out << p;
  }
  return out;
}

}  // namespace vantor
