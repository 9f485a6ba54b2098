// The part of TField common to all types: properties, the road every
// assignment takes, and reading the stored value in the other types' forms.
#include "platform/db/Field.h"

#include "platform/db/DataSet.h"
#include "platform/db/DateTimeText.h"
#include "platform/db/FormatFloat.h"
#include "platform/os/Exceptions.h"

#include <cmath>
#include <limits>

namespace vantor {

TField::TField(TFieldType type, QObject* owner) : QObject(nullptr), dataType_(type) {
  events_.Add(&OnGetText);
  events_.Add(&OnSetText);
  events_.Add(&OnValidate);
  events_.Add(&OnChange);
  if (auto* ds = qobject_cast<TDataSet*>(owner))
    SetDataSet(ds);
  else
    setParent(owner);
}

TField::~TField() {
  if (dataSet_) dataSet_->UnregisterField(this);
}

void TField::SetDataSet(TDataSet* ds) {
  if (dataSet_ == ds) return;
  if (dataSet_) dataSet_->UnregisterField(this);
  dataSet_ = ds;
  if (ds) {
    setParent(ds);
    ds->RegisterField(this);
  }
}

void TField::SetFieldName(const QString& name) {
  if (dataSet_) {
    TField* other = dataSet_->FindField(name);
    if (other && other != this)
      dataSet_->DatabaseError(QStringLiteral("Duplicate field name '%1'").arg(name));
  }
  fieldName_ = name;
  if (objectName().isEmpty()) setObjectName(name);
}

void TField::SetFieldKind(TFieldKind k) { kind_ = k; }

void TField::SetDisplayLabel(const QString& s) {
  displayLabel_ = (s == fieldName_) ? QString() : s;
  NotifyPropertyChange();
}

void TField::SetDisplayWidth(int w) {
  displayWidth_ = w;
  NotifyPropertyChange();
}

void TField::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  NotifyPropertyChange();
}

void TField::SetAlignment(int a) {
  alignment_ = a;
  NotifyPropertyChange();
}

void TField::NotifyPropertyChange() {
  if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange);
}

int TField::Index() const { return dataSet_ ? dataSet_->FieldIndexOf(this) : -1; }

void TField::SetIndex(int i) {
  if (dataSet_) dataSet_->MoveField(this, i);
}

bool TField::IsBlob() const {
  switch (dataType_) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle:
    case ftDBaseOle: case ftTypedBinary: case ftOraBlob: case ftOraClob:
      return true;
    default:
      return false;
  }
}

bool TField::CanModify() const {
  if (readOnly_ || !dataSet_ || kind_ == fkCalculated || kind_ == fkAggregate) return false;
  return dataSet_->Active() && dataSet_->CanModify();
}

// --- values ---------------------------------------------------------------------------

QVariant TField::Value() const { return dataSet_ ? dataSet_->FieldValue(this) : Null(); }

void TField::SetValue(const QVariant& v) { SetData(Coerce(v)); }

bool TField::IsNull() const { return VarIsBlank(Value()); }

void TField::Clear() { SetData(Null()); }

QVariant TField::OldValue() const { return dataSet_ ? dataSet_->FieldOldValue(this) : Null(); }

QVariant TField::CoerceLenient(const QVariant& v) const {
  try {
    return Coerce(v);
  } catch (const Exception&) {
    return v;
  }
}

void TField::SetData(const QVariant& stored) {
  TDataSet* ds = dataSet_;
  if (!ds) throw EDatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
  if (ds->State() == dsCalcFields) {
    ds->StoreFieldValue(this, stored);
    return;
  }
  ds->CheckFieldWritable(this);
  const QVariant* saved = validating_;
  validating_ = &stored;
  try {
    OnValidate(this);
  } catch (...) {
    validating_ = saved;
    throw;
  }
  validating_ = saved;
  ds->StoreFieldValue(this, stored);
  ds->FieldValueChanged(this);
}

QString TField::AsString() const {
  const QVariant v = Value();
  return VarIsBlank(v) ? QString() : StoredToString(v);
}

void TField::SetAsString(const QString& s) { SetData(Coerce(QVariant(s))); }

qint64 TField::AsLargeInt() const {
  const QVariant v = Value();
  if (VarIsBlank(v)) return 0;
  switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::UInt:
    case QMetaType::ULongLong: case QMetaType::Short: case QMetaType::UShort:
      return v.toLongLong();
    case QMetaType::Double: case QMetaType::Float:
      return std::llround(v.toDouble());
    case QMetaType::Bool:
      return v.toBool() ? 1 : 0;
    case QMetaType::QString: {
      const QString s = v.toString().trimmed();
      if (s.isEmpty()) return 0;
      bool ok = false;
      const qint64 r = s.toLongLong(&ok);
      if (!ok) RaiseConvert(s, QStringLiteral("integer value"));
      return r;
    }
    default:
      RaiseAccess(QStringLiteral("Integer"));
  }
}

int TField::AsInteger() const {
  const qint64 r = AsLargeInt();
  if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max())
    RaiseRange(double(r), std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  return int(r);
}

void TField::SetAsInteger(int v) { SetData(Coerce(QVariant(v))); }
void TField::SetAsLargeInt(qint64 v) { SetData(Coerce(QVariant(v))); }

double TField::AsFloat() const {
  const QVariant v = Value();
  if (VarIsBlank(v)) return 0;
  switch (v.typeId()) {
    case QMetaType::Bool:
      return v.toBool() ? 1 : 0;
    case QMetaType::QString: {
      const QString s = v.toString().trimmed();
      if (s.isEmpty()) return 0;
      bool ok = false;
      const double r = s.toDouble(&ok);
      if (!ok) RaiseConvert(s, QStringLiteral("floating point value"));
      return r;
    }
    case QMetaType::QByteArray:
      RaiseAccess(QStringLiteral("Float"));
    default:
      return v.toDouble();
  }
}

void TField::SetAsFloat(double v) { SetData(Coerce(QVariant(v))); }

bool TField::AsBoolean() const {
  const QVariant v = Value();
  if (VarIsBlank(v)) return false;
  if (v.typeId() == QMetaType::QString) {
    const QString s = v.toString().trimmed();
    return !s.isEmpty() && QStringLiteral("YyTt").contains(s.at(0));
  }
  if (v.typeId() == QMetaType::QByteArray) RaiseAccess(QStringLiteral("Boolean"));
  return v.typeId() == QMetaType::Bool ? v.toBool() : v.toDouble() != 0;
}

void TField::SetAsBoolean(bool v) { SetData(Coerce(QVariant(v))); }

TDateTime TField::AsDateTime() const {
  const QVariant v = Value();
  if (VarIsBlank(v)) return 0;
  if (v.typeId() == QMetaType::QString) {
    TDateTime t = 0;
    if (!TryTextToDateTime(v.toString(), t)) RaiseConvert(v.toString(), QStringLiteral("date and time"));
    return t;
  }
  if (v.typeId() == QMetaType::QByteArray || v.typeId() == QMetaType::Bool)
    RaiseAccess(QStringLiteral("DateTime"));
  return v.toDouble();
}

void TField::SetAsDateTime(TDateTime v) { SetData(Coerce(QVariant(v))); }

QString TField::Text() const {
  if (OnGetText.Assigned()) {
    QString t;
    OnGetText(const_cast<TField*>(this), t, false);
    return t;
  }
  const QVariant v = Value();
  return VarIsBlank(v) ? QString() : FormatText(v, false);
}

QString TField::DisplayText() const {
  if (OnGetText.Assigned()) {
    QString t;
    OnGetText(const_cast<TField*>(this), t, true);
    return t;
  }
  const QVariant v = Value();
  return VarIsBlank(v) ? QString() : FormatText(v, true);
}

void TField::SetText(const QString& s) {
  if (OnSetText.Assigned())
    OnSetText(this, s);
  else
    SetAsString(s);
}

void TField::FocusControl() {
  if (dataSet_) dataSet_->DataEvent(deFocusControl, qintptr(this));
}

QString TField::StoredToString(const QVariant& stored) const {
  switch (stored.typeId()) {
    case QMetaType::Double: case QMetaType::Float:
      return FloatToStrGeneral(stored.toDouble());
    case QMetaType::Bool:
      return stored.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QByteArray:
      return QString::fromLatin1(stored.toByteArray());
    default:
      return stored.toString();
  }
}

QString TField::FormatText(const QVariant& stored, bool) const { return StoredToString(stored); }

void TField::RaiseConvert(const QString& text, const QString& what) const {
  throw EConvertError(QStringLiteral("'%1' is not a valid %2 for field '%3'").arg(text, what, DisplayName()));
}

void TField::RaiseRange(double v, double lo, double hi) const {
  throw EConvertError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                          .arg(FloatToStrGeneral(v), DisplayName(), FloatToStrGeneral(lo),
                               FloatToStrGeneral(hi)));
}

void TField::RaiseAccess(const QString& typeName) const {
  throw EDatabaseError(QStringLiteral("Cannot access field '%1' as type %2").arg(DisplayName(), typeName));
}

}  // namespace vantor
