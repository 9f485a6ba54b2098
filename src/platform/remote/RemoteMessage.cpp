// Building and checking the protocol's message maps. Every field read from a
// peer is type-checked here; nothing later trusts the shape of a message.
#include "platform/remote/RemoteMessage.h"

#include <bit>

namespace vantor {

namespace {

const QString kOp = QStringLiteral("op");
const QString kId = QStringLiteral("id");
const QString kClass = QStringLiteral("class");
const QString kHandle = QStringLiteral("h");
const QString kMember = QStringLiteral("m");
const QString kKind = QStringLiteral("k");
const QString kArgs = QStringLiteral("a");
const QString kByRef = QStringLiteral("r");
const QString kValue = QStringLiteral("v");
const QString kError = QStringLiteral("e");
const QString kMessage = QStringLiteral("msg");

const QString kCreate = QStringLiteral("create");
const QString kCall = QStringLiteral("call");
const QString kRelease = QStringLiteral("release");

// Readers of one field each: false with a message naming the field when the
// field is missing or of the wrong type.
bool ReadText(const QCborMap& map, const QString& key, QString* out, QString* error) {
  const QCborValue v = map.value(key);
  if (!v.isString()) {
    *error = QStringLiteral("field \"%1\" is missing or not text").arg(key);
    return false;
  }
  *out = v.toString();
  return true;
}

bool ReadPositive(const QCborMap& map, const QString& key, qint64* out, QString* error) {
  const QCborValue v = map.value(key);
  if (!v.isInteger() || v.toInteger() <= 0) {
    *error = QStringLiteral("field \"%1\" is missing or not a positive integer").arg(key);
    return false;
  }
  *out = v.toInteger();
  return true;
}

bool ReadArray(const QCborMap& map, const QString& key, QCborArray* out, QString* error) {
  const QCborValue v = map.value(key);
  if (v.isUndefined()) {  // absent: no arguments
    *out = QCborArray();
    return true;
  }
  if (!v.isArray()) {
    *error = QStringLiteral("field \"%1\" is not an array").arg(key);
    return false;
  }
  *out = v.toArray();
  return true;
}

bool DecodeCall(const QCborMap& map, TRemoteRequest* r, QString* error) {
  if (!ReadPositive(map, kHandle, &r->Handle, error) || !ReadText(map, kMember, &r->Member, error) ||
      !ReadArray(map, kArgs, &r->Args, error))
    return false;
  const QCborValue kind = map.value(kKind);
  if (!kind.isInteger() || kind.toInteger() < 0 || kind.toInteger() > int(TCallKind::Has)) {
    *error = QStringLiteral("field \"k\" is not a call kind");
    return false;
  }
  r->Kind = TCallKind(kind.toInteger());
  const QCborValue mask = map.value(kByRef);
  if (!mask.isUndefined() && !mask.isInteger()) {
    *error = QStringLiteral("field \"r\" is not an integer");
    return false;
  }
  // The mask travels as a signed 64-bit pattern: bit 63 is argument 63.
  r->ByRef = TByRefMask(mask.toInteger(0));
  return true;
}

}  // namespace

int ByRefCount(TByRefMask mask) { return std::popcount(mask); }

QCborMap EncodeRequest(const TRemoteRequest& r) {
  QCborMap map;
  switch (r.Op) {
  case TRemoteOp::Create:
    map.insert(kOp, kCreate);
    map.insert(kId, qint64(r.Id));
    map.insert(kClass, r.ClassName);
    break;
  case TRemoteOp::Call:
    map.insert(kOp, kCall);
    map.insert(kId, qint64(r.Id));
    map.insert(kHandle, r.Handle);
    map.insert(kMember, r.Member);
    map.insert(kKind, int(r.Kind));
    if (!r.Args.isEmpty())
      map.insert(kArgs, r.Args);
    if (r.ByRef != NoByRef)
      map.insert(kByRef, qint64(r.ByRef));
    break;
  case TRemoteOp::Release:
    map.insert(kOp, kRelease);
    map.insert(kHandle, r.Handle);
    break;
  }
  return map;
}

bool DecodeRequest(const QCborMap& map, TRemoteRequest* r, QString* error) {
  *r = TRemoteRequest();
  QString op;
  if (!ReadText(map, kOp, &op, error))
    return false;
  if (op == kRelease) {
    r->Op = TRemoteOp::Release;
    return ReadPositive(map, kHandle, &r->Handle, error);
  }
  qint64 id = 0;
  if (!ReadPositive(map, kId, &id, error))
    return false;
  r->Id = quint64(id);
  if (op == kCreate) {
    r->Op = TRemoteOp::Create;
    return ReadText(map, kClass, &r->ClassName, error);
  }
  if (op == kCall) {
    r->Op = TRemoteOp::Call;
    return DecodeCall(map, r, error);
  }
  *error = QStringLiteral("unknown operation \"%1\"").arg(op);
  return false;
}

QCborMap EncodeReply(const TRemoteReply& r) {
  QCborMap map;
  map.insert(kId, qint64(r.Id));
  if (r.Failed) {
    QCborMap e;
    e.insert(kClass, r.ErrorClass);
    e.insert(kMessage, r.ErrorMessage);
    map.insert(kError, e);
    return map;
  }
  if (r.Handle != 0)
    map.insert(kHandle, r.Handle);
  else
    map.insert(kValue, r.Value);
  if (!r.ByRefOut.isEmpty())
    map.insert(kByRef, r.ByRefOut);
  return map;
}

bool DecodeReply(const QCborMap& map, TRemoteReply* r, QString* error) {
  *r = TRemoteReply();
  // Id 0 is the server's last word on a connection it is closing.
  const QCborValue id = map.value(kId);
  if (!id.isInteger() || id.toInteger() < 0) {
    *error = QStringLiteral("field \"id\" is missing or not an integer");
    return false;
  }
  r->Id = quint64(id.toInteger());
  const QCborValue e = map.value(kError);
  if (!e.isUndefined()) {
    if (!e.isMap()) {
      *error = QStringLiteral("field \"e\" is not a map");
      return false;
    }
    r->Failed = true;
    return ReadText(e.toMap(), kClass, &r->ErrorClass, error) &&
           ReadText(e.toMap(), kMessage, &r->ErrorMessage, error);
  }
  if (map.contains(kHandle) && !ReadPositive(map, kHandle, &r->Handle, error))
    return false;
  r->Value = map.value(kValue);
  return ReadArray(map, kByRef, &r->ByRefOut, error);
}

}  // namespace vantor
