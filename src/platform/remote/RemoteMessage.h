// The messages of the application-server protocol and their CBOR maps.
//
// Requests:
//   {"op": "create",  "id": n, "class": progId}
//   {"op": "call",    "id": n, "h": handle, "m": member, "k": kind,
//                     "a": [arguments], "r": by-reference mask}
//   {"op": "release", "h": handle}                       (no reply)
// Replies:
//   {"id": n, "v": result, "r": [by-reference arguments, in argument order]}
//   {"id": n, "h": handle}                                (to create)
//   {"id": n, "e": {"class": exception class, "msg": message}}
//   {"id": 0, "e": {...}}     the server's reason for closing the connection
//
// Argument and result values are CBOR as VariantToCbor makes them; this layer
// checks only the shape of the message, so that a peer's mistake is reported
// as such before any value is looked at.
#pragma once

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QString>

#include "platform/dispatch/Dispatch.h"

namespace vantor {

enum class TRemoteOp { Create, Call, Release };
enum class TCallKind { Method = 0, Get = 1, Put = 2, Has = 3 };

struct TRemoteRequest {
  TRemoteOp Op = TRemoteOp::Call;
  quint64 Id = 0;
  QString ClassName;  // create
  qint64 Handle = 0;  // call, release
  QString Member;
  TCallKind Kind = TCallKind::Method;
  QCborArray Args;
  TByRefMask ByRef = NoByRef;
};

struct TRemoteReply {
  quint64 Id = 0;
  bool Failed = false;
  QString ErrorClass;
  QString ErrorMessage;
  QCborValue Value;     // result of a call
  qint64 Handle = 0;    // answer to create
  QCborArray ByRefOut;  // one value per set bit of the request's mask
};

QCborMap EncodeRequest(const TRemoteRequest& request);
QCborMap EncodeReply(const TRemoteReply& reply);

// Both return false and describe the fault in *error when the map does not
// have the shape of a message (missing or mistyped fields, unknown op).
bool DecodeRequest(const QCborMap& map, TRemoteRequest* request, QString* error);
bool DecodeReply(const QCborMap& map, TRemoteReply* reply, QString* error);

// Number of arguments a mask marks as by reference.
int ByRefCount(TByRefMask mask);

}  // namespace vantor
