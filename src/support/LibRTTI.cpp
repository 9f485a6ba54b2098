// Properties and events by name over Qt's meta-object system and the
// dataset engine's named event slots.
#include "support/LibRTTI.h"

#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/Field.h"

#include <QMetaProperty>
#include <QVariant>
#include <algorithm>
#include <optional>

namespace vantor {

namespace {


bool IsObjectProperty(const QMetaProperty& property) {
  return property.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

TTypeKind KindOfType(const QMetaProperty& property) {
  if (property.isEnumType())
    return property.isFlagType() ? tkSet : tkEnumeration;
  if (IsObjectProperty(property))
    return tkClass;
  switch (property.metaType().id()) {
    case QMetaType::Bool: return tkEnumeration;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: return tkInteger;
    case QMetaType::LongLong: case QMetaType::ULongLong: return tkInt64;
    case QMetaType::Double: case QMetaType::Float: return tkFloat;
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar: return tkChar;
    case QMetaType::QChar: return tkWChar;
    case QMetaType::QString: case QMetaType::QByteArray: return tkLString;
    case QMetaType::QVariant: return tkVariant;
    case QMetaType::QVariantList: return tkDynArray;
    // String lists and fonts are objects of their own in the component library.
    case QMetaType::QStringList: case QMetaType::QFont: return tkClass;
    default: return tkRecord;
  }
}

std::optional<qint64> OrdinalOf(const QMetaProperty& property, const QVariant& value) {
  if (IsObjectProperty(property))
    return qint64(reinterpret_cast<qintptr>(value.value<QObject*>()));
  switch (KindOfType(property)) {
    case tkInteger: case tkInt64: case tkEnumeration: case tkSet: case tkChar:
      return value.toLongLong();
    case tkWChar:
      return qint64(value.value<QChar>().unicode());
    default:
      return std::nullopt;
  }
}

}  // namespace

QMetaProperty FindPropertyByName(const QObject* object, const QString& name) {
  if (!object || name.isEmpty())
    return QMetaProperty();
  const QMetaObject* meta = object->metaObject();
  const int exact = meta->indexOfProperty(name.toLatin1().constData());
  if (exact >= 0)
    return meta->property(exact);
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    if (name.compare(QLatin1String(property.name()), Qt::CaseInsensitive) == 0)
      return property;
  }
  return QMetaProperty();
}

// --- properties -------------------------------------------------------------------------

QString GetStrPropByName(const QObject* object, const QString& name) {
  const QMetaProperty property = FindPropertyByName(object, name);
  return property.isValid() ? property.read(object).toString() : QString();
}

qint64 GetOrdPropByName(const QObject* object, const QString& name) {
  const QMetaProperty property = FindPropertyByName(object, name);
  if (!property.isValid())
    return 0;
  return OrdinalOf(property, property.read(object)).value_or(0);
}

void SetStrPropByName(QObject* object, const QString& name, const QString& value) {
  const QMetaProperty property = FindPropertyByName(object, name);
  if (property.isValid() && property.isWritable() && !IsObjectProperty(property))
    property.write(object, value);
}

void SetOrdPropByName(QObject* object, const QString& name, qint64 value) {
  const QMetaProperty property = FindPropertyByName(object, name);
  if (!property.isValid() || !property.isWritable())
    return;
  if (IsObjectProperty(property)) {
    // An address is never made from a number; only "none" can be set this way.
    if (value == 0)
      property.write(object, QVariant::fromValue<QObject*>(nullptr));
    return;
  }
  switch (KindOfType(property)) {
    case tkEnumeration:
      property.write(object, property.metaType().id() == QMetaType::Bool ? QVariant(value != 0) : QVariant(int(value)));
      break;
    case tkWChar: property.write(object, QVariant::fromValue(QChar(char16_t(value)))); break;
    case tkInteger: case tkSet: case tkChar: property.write(object, QVariant(int(value))); break;
    case tkInt64: property.write(object, QVariant(value)); break;
    default: break;
  }
}

QObject* GetObjectPropByName(const QObject* object, const QString& name) {
  const QMetaProperty property = FindPropertyByName(object, name);
  return property.isValid() && IsObjectProperty(property) ? property.read(object).value<QObject*>() : nullptr;
}

void SetObjectPropByName(QObject* object, const QString& name, QObject* value) {
  const QMetaProperty property = FindPropertyByName(object, name);
  if (property.isValid() && property.isWritable() && IsObjectProperty(property))
    property.write(object, QVariant::fromValue(value));
}

TEventBase* FindEventByName(const QObject* object, const QString& name) {
  if (!object || name.isEmpty())
    return nullptr;
  if (const auto* dataSet = qobject_cast<const TDataSet*>(object))
    return dataSet->GetEvent(name);
  if (const auto* field = qobject_cast<const TField*>(object))
    return field->GetEvent(name);
  if (const auto* dataSource = qobject_cast<const TDataSource*>(object))
    return dataSource->GetEvent(name);
  if (const auto* owner = qobject_cast<IEventOwner*>(const_cast<QObject*>(object)))
    return owner->GetEvent(name);
  return nullptr;
}

TEventHandler GetMethodPropByName(const QObject* object, const QString& name) {
  const TEventBase* event = FindEventByName(object, name);
  return event ? event->Save() : TEventHandler();
}

void SetMethodPropByName(QObject* object, const QString& name, const TEventHandler& handler) {
  if (TEventBase* event = FindEventByName(object, name))
    event->Restore(handler);
}

bool HasProperty(const QObject* object, const QString& name) {
  return FindPropertyByName(object, name).isValid() || FindEventByName(object, name) != nullptr;
}

TTypeKind PropertyKindByName(const QObject* object, const QString& name) {
  const QMetaProperty property = FindPropertyByName(object, name);
  if (property.isValid())
    return KindOfType(property);
  return FindEventByName(object, name) ? tkMethod : tkUnknown;
}

// --- dataset events -------------------------------------------------------------------------

void SuspendDataSetEvents(TDataSet* dataSet, TDataSetEvents& saved) {
  saved = TDataSetEvents();
  if (!dataSet)
    return;
  for (size_t i = 0; i < kDataSetEventNames.size(); ++i) {
    if (TEventBase* event = dataSet->GetEvent(QLatin1String(kDataSetEventNames[i]))) {
      saved.Handlers[i] = event->Save();
      event->Clear();
    }
  }
}

void RestoreDataSetEvents(TDataSet* dataSet, const TDataSetEvents& saved) {
  if (!dataSet)
    return;
  for (size_t i = 0; i < kDataSetEventNames.size(); ++i)
    if (TEventBase* event = dataSet->GetEvent(QLatin1String(kDataSetEventNames[i])))
      event->Restore(saved.Handlers[i]);
}

void SuspendDataEvents(TDataSource* dataSource, TDataEvents& saved) {
  saved = TDataEvents();
  if (!dataSource)
    return;
  TDataSetEvents dataSetEvents;
  SuspendDataSetEvents(dataSource->DataSet(), dataSetEvents);
  std::copy(dataSetEvents.Handlers.begin(), dataSetEvents.Handlers.end(), saved.Handlers.begin());
  saved.Handlers[10] = dataSource->OnDataChange.Save();
  saved.Handlers[11] = dataSource->OnStateChange.Save();
  dataSource->OnDataChange.Clear();
  dataSource->OnStateChange.Clear();
}

void RestoreDataEvents(TDataSource* dataSource, const TDataEvents& saved) {
  if (!dataSource)
    return;
  TDataSetEvents dataSetEvents;
  std::copy(saved.Handlers.begin(), saved.Handlers.begin() + 10, dataSetEvents.Handlers.begin());
  RestoreDataSetEvents(dataSource->DataSet(), dataSetEvents);
  dataSource->OnDataChange.Restore(saved.Handlers[10]);
  dataSource->OnStateChange.Restore(saved.Handlers[11]);
}

void SuspendNamedEvents(TDataSet* dataSet, const QStringList& eventNames, TMethodList& saved) {
  saved.clear();
  saved.reserve(eventNames.size());
  for (const QString& name : eventNames) {
    TMyMethod entry;
    if (TEventBase* event = FindEventByName(dataSet, name)) {
      entry.Name = name;
      entry.Method = event->Save();
      event->Clear();
    }
    saved.append(entry);
  }
}

void RestoreNamedEvents(TDataSet* dataSet, const TMethodList& saved) {
  for (const TMyMethod& entry : saved)
    if (TEventBase* event = FindEventByName(dataSet, entry.Name))
      event->Restore(entry.Method);
}

TDataSetEventsSuspension::TDataSetEventsSuspension(TDataSet* dataSet) : dataSet_(dataSet) {
  SuspendDataSetEvents(dataSet, saved_);
}

TDataSetEventsSuspension::~TDataSetEventsSuspension() {
  try {
    RestoreDataSetEvents(dataSet_.data(), saved_);
  } catch (...) {
    // Handlers saved from this very dataset always fit their slots.
  }
}

}  // namespace vantor
