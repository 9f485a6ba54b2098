// Lossless conversion of variants to CBOR and back, for the wire and for
// anything stored. Object references cannot be encoded by value: the caller
// supplies how a TDispatchRef becomes a handle and back (the remote layer maps
// them to object handles of its connection).
#pragma once

#include <QCborValue>
#include <QVariant>
#include <functional>

namespace vantor {

struct TCborObjectCodec {
  // Turn an object reference into a handle number; may raise.
  std::function<qint64(const QVariant& dispatchRef)> Encode;
  // Turn a handle number back into an object reference; may raise.
  std::function<QVariant(qint64 handle)> Decode;
};

// Raises EVariantError for a value type that has no CBOR form, or an object
// reference without a codec.
QCborValue VariantToCbor(const QVariant& v, const TCborObjectCodec* codec = nullptr);
// Raises EVariantError for CBOR that no variant produced.
QVariant CborToVariant(const QCborValue& c, const TCborObjectCodec* codec = nullptr);

}  // namespace vantor
