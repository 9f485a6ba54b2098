// Lossless conversion of variants to CBOR and back, for the wire and for
// anything stored. Object references cannot be encoded by value: the caller
// supplies how a TDispatchRef becomes a handle and back (the remote layer maps
// them to object handles of its connection).
//
// Two forms write the same bytes: the QCborValue form for small values and
// anything that wants a tree, and the stream form, which goes between
// variants and bytes directly and is the one the transport uses for
// arguments and results of any size.
#pragma once

#include <QCborValue>
#include <QVariant>
#include <exception>
#include <functional>

class QCborStreamReader;
class QCborStreamWriter;

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

// Writes exactly the bytes of VariantToCbor(v, codec).toCbor(); raises as
// VariantToCbor does. After a raise the writer holds a partial item.
void WriteVariantCbor(QCborStreamWriter& writer, const QVariant& v, const TCborObjectCodec* codec = nullptr);
// Reads the one value at the reader's position and leaves the reader after
// it. Raises EVariantError for whatever CborToVariant refuses and for bytes
// that are not CBOR at all (truncated, malformed, nested too deep).
QVariant ReadVariantCbor(QCborStreamReader& reader, const TCborObjectCodec* codec = nullptr);

// The reader behind ReadVariantCbor, for callers that must tell a fault of the
// bytes from a fault of a value. Bad bytes end the reading: Read raises
// EVariantError and the stream is lost. A bad value (bounds, tags, an object
// reference without a codec, or whatever the codec raises) is skipped: Read
// gives Unassigned, the stream stays in step, and the first such fault is
// kept for the caller to raise when the value would have been used. So a peer
// that sends a bad argument gets an error answer, not a dropped connection.
class TVariantCborReader {
public:
  TVariantCborReader(QCborStreamReader& reader, const TCborObjectCodec* codec);
  QVariant Read();
  // Reads an array of values into a list; the reader must be at an array. A
  // bad element comes back Unassigned, so the list keeps the array's length.
  QVariantList ReadList();
  std::exception_ptr Fault() const { return fault_; }
  // Raises the kept fault, if any.
  void RaiseFault() const;

  // Deeper nesting than this is refused as malformed: no variant is built
  // that deep, and the limit keeps hostile input from exhausting the stack.
  static constexpr int MaxDepth = 1024;

private:
  struct TBounds {
    int Lo1 = 0, Hi1 = -1, Lo2 = 0, Hi2 = -1;
  };
  QVariant ReadItem(int depth);
  QVariant ReadScalar();
  QVariant ReadTagged(int depth);
  QVariant ReadObject(int depth);
  QVariant ReadMatrix(int depth);
  QVariant ReadCells(int depth, const TBounds& bounds);
  QVariant FillMatrix(int depth, const TBounds& bounds, qint64 count);
  QVariantList ReadElements(int depth);
  bool ReadBound(int* bound);
  QString ReadText();
  QByteArray ReadBytes();
  qsizetype TakeBudget(quint64 declared);
  void Skip(int depth);
  void SkipRest(int depth);
  void Enter();
  void Leave();
  void Advance();
  void Check() const;
  [[noreturn]] static void Refuse(const QString& message);
  void Keep(std::exception_ptr fault);

  QCborStreamReader& reader_;
  const TCborObjectCodec* codec_;
  std::exception_ptr fault_;
  // Elements that may still be reserved ahead of their arrival. Declared
  // lengths are the sender's word; this bounds what believing them can cost
  // over the whole reading, however the arrays are nested.
  qsizetype budget_ = qsizetype(1) << 18;
};

}  // namespace vantor
