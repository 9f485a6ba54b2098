// Building and checking the protocol's message maps. Every field read from a
// peer is type-checked here; nothing later trusts the shape of a message.
#include "platform/remote/RemoteMessage.h"

#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <bit>
#include <functional>

#include "platform/os/Exceptions.h"
#include "platform/remote/RemoteFrame.h"

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

// --- stream form -----------------------------------------------------------------
// The maps are written field by field in the order EncodeRequest and
// EncodeReply insert them, so both forms give the same bytes.

namespace {

void Put(QCborStreamWriter& w, const QString& key, const QString& text) {
  w.append(QStringView(key));
  w.append(QStringView(text));
}

void Put(QCborStreamWriter& w, const QString& key, qint64 n) {
  w.append(QStringView(key));
  w.append(n);
}

void PutValues(QCborStreamWriter& w, const QString& key, const QVariantList& values, const TCborObjectCodec* codec) {
  w.append(QStringView(key));
  w.startArray(quint64(values.size()));
  for (const QVariant& v : values)
    WriteVariantCbor(w, v, codec);
  w.endArray();
}

void WriteCall(QCborStreamWriter& w, const TRemoteRequest& r, const TCborObjectCodec* codec) {
  w.startMap(5 + (r.ArgValues.isEmpty() ? 0 : 1) + (r.ByRef == NoByRef ? 0 : 1));
  Put(w, kOp, kCall);
  Put(w, kId, qint64(r.Id));
  Put(w, kHandle, r.Handle);
  Put(w, kMember, r.Member);
  Put(w, kKind, qint64(r.Kind));
  if (!r.ArgValues.isEmpty())
    PutValues(w, kArgs, r.ArgValues, codec);
  if (r.ByRef != NoByRef)
    Put(w, kByRef, qint64(r.ByRef));
  w.endMap();
}

void WriteRequest(QCborStreamWriter& w, const TRemoteRequest& r, const TCborObjectCodec* codec) {
  switch (r.Op) {
  case TRemoteOp::Create:
    w.startMap(3);
    Put(w, kOp, kCreate);
    Put(w, kId, qint64(r.Id));
    Put(w, kClass, r.ClassName);
    w.endMap();
    return;
  case TRemoteOp::Call:
    WriteCall(w, r, codec);
    return;
  case TRemoteOp::Release:
    w.startMap(2);
    Put(w, kOp, kRelease);
    Put(w, kHandle, r.Handle);
    w.endMap();
    return;
  }
}

void WriteReply(QCborStreamWriter& w, const TRemoteReply& r, const TCborObjectCodec* codec) {
  const bool byRef = !r.Failed && !r.ByRefValues.isEmpty();
  w.startMap(byRef ? 3 : 2);
  Put(w, kId, qint64(r.Id));
  if (r.Failed) {
    w.append(QStringView(kError));
    w.startMap(2);
    Put(w, kClass, r.ErrorClass);
    Put(w, kMessage, r.ErrorMessage);
    w.endMap();
  } else if (r.Handle != 0) {
    Put(w, kHandle, r.Handle);
  } else {
    w.append(QStringView(kValue));
    WriteVariantCbor(w, r.Result, codec);
  }
  if (byRef)
    PutValues(w, kByRef, r.ByRefValues, codec);
  w.endMap();
}

// Offered every field of a map: reads the field's value into variants and
// answers true, or answers false to have it kept in the tree of fields.
using TValueField = std::function<bool(const QString& key, QCborStreamReader& reader, TVariantCborReader& values)>;

QString CborFault(QCborStreamReader& reader) {
  return QStringLiteral("frame is not valid CBOR (%1)").arg(reader.lastError().toString());
}

QString ReadKey(QCborStreamReader& reader) {
  QString key;
  auto chunk = reader.readString();
  while (chunk.status == QCborStreamReader::Ok) {
    key += chunk.data;
    chunk = reader.readString();
  }
  return key;
}

// One field of the message map. Only the fields named in `known` are kept:
// whatever else a peer sends is skipped unread, as the tree form ignores it.
void ReadField(QCborStreamReader& reader, TVariantCborReader& values, const QStringList& known,
               const TValueField& valueField, QCborMap* fields) {
  if (!reader.isString()) {  // only text keys name fields
    reader.next();
    reader.next();
    return;
  }
  const QString key = ReadKey(reader);
  if (reader.lastError() != QCborError::NoError)
    return;
  // The first of two equal keys counts, as in QCborMap::value.
  if (!known.contains(key) || fields->contains(key)) {
    reader.next();
    return;
  }
  const bool array = reader.isArray();
  if (valueField(key, reader, values))  // a stand-in marks the field as present
    fields->insert(key, array ? QCborValue(QCborArray()) : QCborValue(nullptr));
  else
    fields->insert(key, QCborValue::fromCbor(reader));
}

TBodyFault ReadMap(QByteArrayView body, const TCborObjectCodec* codec, const QStringList& known,
                   const TValueField& valueField, QCborMap* fields, std::exception_ptr* fault, QString* error) {
  QCborStreamReader reader(body.data(), body.size());
  TVariantCborReader values(reader, codec);
  const bool isMap = reader.isMap();
  try {
    if (!isMap) {
      reader.next();
    } else if (reader.enterContainer()) {
      while (reader.lastError() == QCborError::NoError && reader.hasNext())
        ReadField(reader, values, known, valueField, fields);
      reader.leaveContainer();
    }
  } catch (const EVariantError& e) {  // bytes a value reader could not go on from
    *error = QStringLiteral("frame is not valid CBOR (%1)").arg(e.Message());
    return TBodyFault::Frame;
  }
  if (reader.lastError() != QCborError::NoError)
    *error = CborFault(reader);
  else if (reader.currentOffset() != body.size())
    *error = QStringLiteral("frame has %1 stray bytes after its message").arg(body.size() - reader.currentOffset());
  else if (!isMap)
    *error = QStringLiteral("frame holds no message map");
  if (!error->isEmpty())
    return TBodyFault::Frame;
  *fault = values.Fault();
  return TBodyFault::None;
}

}  // namespace

QByteArray EncodeRequestFrame(const TRemoteRequest& request, const TCborObjectCodec* codec) {
  return EncodeFrame([&](QCborStreamWriter& w) { WriteRequest(w, request, codec); });
}

QByteArray EncodeReplyFrame(const TRemoteReply& reply, const TCborObjectCodec* codec) {
  return EncodeFrame([&](QCborStreamWriter& w) { WriteReply(w, reply, codec); });
}

TBodyFault DecodeRequestBody(QByteArrayView body, const TCborObjectCodec* codec, TRemoteRequest* r, QString* error) {
  static const QStringList known{kOp, kId, kClass, kHandle, kMember, kKind, kArgs, kByRef};
  QVariantList args;
  const auto argsField = [&](const QString& key, QCborStreamReader& reader, TVariantCborReader& values) {
    if (key != kArgs || !reader.isArray())
      return false;  // a wrong type is judged with the other fields
    args = values.ReadList();
    return true;
  };
  QCborMap fields;
  std::exception_ptr fault;
  error->clear();
  const TBodyFault f = ReadMap(body, codec, known, argsField, &fields, &fault, error);
  if (f != TBodyFault::None)
    return f;
  if (!DecodeRequest(fields, r, error))
    return TBodyFault::Message;
  r->ArgValues = std::move(args);
  r->ValueFault = fault;
  return TBodyFault::None;
}

TBodyFault DecodeReplyBody(QByteArrayView body, const TCborObjectCodec* codec, TRemoteReply* r, QString* error) {
  static const QStringList known{kId, kError, kHandle, kValue, kByRef};
  QVariant result;
  QVariantList byRef;
  const auto valueField = [&](const QString& key, QCborStreamReader& reader, TVariantCborReader& values) {
    if (key == kValue) {
      result = values.Read();
      return true;
    }
    if (key != kByRef || !reader.isArray())
      return false;
    byRef = values.ReadList();
    return true;
  };
  QCborMap fields;
  std::exception_ptr fault;
  error->clear();
  const TBodyFault f = ReadMap(body, codec, known, valueField, &fields, &fault, error);
  if (f != TBodyFault::None)
    return f;
  if (!DecodeReply(fields, r, error))
    return TBodyFault::Message;
  r->Result = std::move(result);
  r->ByRefValues = std::move(byRef);
  r->ValueFault = fault;
  return TBodyFault::None;
}

}  // namespace vantor
