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
//
// Each message has two forms with the same bytes: the tree form (a QCborMap
// with the values as QCborValues), and the stream form that the connection
// and the server use, which writes and reads whole frames with the values as
// variants and builds no tree on the way.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QString>
#include <QVariant>
#include <exception>

#include "platform/dispatch/Dispatch.h"
#include "platform/variant/VariantCbor.h"

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
  QCborArray Args;  // tree form
  TByRefMask ByRef = NoByRef;
  // Stream form: the arguments, and the first that could not be read (raised
  // when the call runs, so that it is answered like any failing call).
  QVariantList ArgValues;
  std::exception_ptr ValueFault;
};

struct TRemoteReply {
  quint64 Id = 0;
  bool Failed = false;
  QString ErrorClass;
  QString ErrorMessage;
  QCborValue Value;     // result of a call (tree form)
  qint64 Handle = 0;    // answer to create
  QCborArray ByRefOut;  // one value per set bit of the request's mask (tree form)
  // Stream form of Value and ByRefOut, and the first value that could not be
  // read; a bad by-reference value still holds its place in ByRefValues.
  QVariant Result;
  QVariantList ByRefValues;
  std::exception_ptr ValueFault;
};

QCborMap EncodeRequest(const TRemoteRequest& request);
QCborMap EncodeReply(const TRemoteReply& reply);

// Both return false and describe the fault in *error when the map does not
// have the shape of a message (missing or mistyped fields, unknown op).
bool DecodeRequest(const QCborMap& map, TRemoteRequest* request, QString* error);
bool DecodeReply(const QCborMap& map, TRemoteReply* reply, QString* error);

// --- stream form ---------------------------------------------------------------

// Whole frames (length header included) of a request with ArgValues and of a
// reply with Result and ByRefValues. Raise what WriteVariantCbor raises.
QByteArray EncodeRequestFrame(const TRemoteRequest& request, const TCborObjectCodec* codec);
QByteArray EncodeReplyFrame(const TRemoteReply& reply, const TCborObjectCodec* codec);

// Reading a frame body as TFrameReader hands it out in TContent::Body mode.
// Frame: the bytes are not one CBOR map (the fault TFrameReader reports for a
// parsed frame); Message: the map has not the shape of a message (the fault
// DecodeRequest/DecodeReply report). Either way *error says what is wrong. A
// bad value is neither: it lands in ValueFault.
enum class TBodyFault { None, Frame, Message };
TBodyFault DecodeRequestBody(QByteArrayView body, const TCborObjectCodec* codec, TRemoteRequest* request,
                             QString* error);
TBodyFault DecodeReplyBody(QByteArrayView body, const TCborObjectCodec* codec, TRemoteReply* reply, QString* error);

// Number of arguments a mask marks as by reference.
int ByRefCount(TByRefMask mask);

}  // namespace vantor
