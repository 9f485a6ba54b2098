// Published properties and events of components whose class is known only
// at run time, reached by name.
//
// Properties are the Q_PROPERTYs of the object's class; a name is matched
// exactly first and then without regard to case, so "Enabled" also finds
// a plain widget's "enabled". Events are the named handler slots of the
// dataset engine (datasets, fields, data sources) and of any component that
// publishes its slots through IEventOwner; to these routines an event is a
// property of the method kind, as it is to the component library.
//
// Every routine does nothing, or answers "", 0, false or an empty handler,
// when the object is missing, the name is empty or the class has no such
// property. A value of the wrong kind (text for a number) is converted
// where a conversion exists and otherwise ignored.
#pragma once

#include <QList>
#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>

#include "platform/db/DBEvents.h"
#include "platform/db/DataSet.h"

namespace vantor {

class TDataSource;

// A component that keeps named event slots of its own.
class IEventOwner {
public:
  virtual ~IEventOwner() = default;
  virtual TEventBase* GetEvent(const QString& name) const = 0;
};

// The component library's type kinds, by number.
enum TTypeKind {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};

// The published property of that name: exact spelling first, then without
// regard to case; an invalid property when there is none.
QMetaProperty FindPropertyByName(const QObject* object, const QString& name);

QString GetStrPropByName(const QObject* object, const QString& name);
// Integers, enumerations, sets, booleans, characters, and object references
// (the object's address).
qint64 GetOrdPropByName(const QObject* object, const QString& name);
void SetStrPropByName(QObject* object, const QString& name, const QString& value);
void SetOrdPropByName(QObject* object, const QString& name, qint64 value);
// Object references as objects.
QObject* GetObjectPropByName(const QObject* object, const QString& name);
void SetObjectPropByName(QObject* object, const QString& name, QObject* value);
TEventHandler GetMethodPropByName(const QObject* object, const QString& name);
// Raises EInvalidOperation when the handler belongs to another kind of event.
void SetMethodPropByName(QObject* object, const QString& name, const TEventHandler& handler);
bool HasProperty(const QObject* object, const QString& name);
TTypeKind PropertyKindByName(const QObject* object, const QString& name);
// The event slot of that name, or nullptr.
TEventBase* FindEventByName(const QObject* object, const QString& name);

// --- suspending dataset events --------------------------------------------------------

// The ten dataset events in the order they are saved.
inline const std::array<const char*, 10> kDataSetEventNames = {
    "AfterEdit", "AfterInsert", "AfterOpen", "AfterPost", "BeforeEdit",
    "BeforeInsert", "BeforeOpen", "BeforePost", "BeforeScroll", "AfterScroll"};

struct TDataSetEvents {
  std::array<TEventHandler, 10> Handlers;
};
// The dataset's ten, then the data source's "OnDataChange" and "OnStateChange".
struct TDataEvents {
  std::array<TEventHandler, 12> Handlers;
};

// Saves the handlers of the data source and its dataset and clears them all.
void SuspendDataEvents(TDataSource* dataSource, TDataEvents& saved);
void RestoreDataEvents(TDataSource* dataSource, const TDataEvents& saved);
void SuspendDataSetEvents(TDataSet* dataSet, TDataSetEvents& saved);
void RestoreDataSetEvents(TDataSet* dataSet, const TDataSetEvents& saved);

struct TMyMethod {
  QString Name;  // empty for a name the dataset does not have
  TEventHandler Method;
};
using TMethodList = QList<TMyMethod>;

// One entry per name given; each named event the dataset has is saved and
// cleared.
void SuspendNamedEvents(TDataSet* dataSet, const QStringList& eventNames, TMethodList& saved);
// Puts back every saved handler whose event the dataset has.
void RestoreNamedEvents(TDataSet* dataSet, const TMethodList& saved);

// Saves the events on construction and puts them back when it goes, also
// when an exception passes.
class TDataSetEventsSuspension {
public:
  explicit TDataSetEventsSuspension(TDataSet* dataSet);
  ~TDataSetEventsSuspension();
  TDataSetEventsSuspension(const TDataSetEventsSuspension&) = delete;
  TDataSetEventsSuspension& operator=(const TDataSetEventsSuspension&) = delete;

private:
  QPointer<TDataSet> dataSet_;
  TDataSetEvents saved_;
};

}  // namespace vantor

Q_DECLARE_INTERFACE(vantor::IEventOwner, "vantor.IEventOwner")
