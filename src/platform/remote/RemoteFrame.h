// Framing of the application-server protocol: every message is one CBOR map
// preceded by its length as four big-endian bytes. The reader is fed whatever
// the socket delivers and hands out whole frames; it judges the length header
// before it buffers the body, so a peer that claims an absurd size is refused
// without the memory ever being reserved.
#pragma once

#include <QByteArray>
#include <QCborMap>
#include <QString>

namespace vantor {

// Largest frame body either side accepts. A 10,000-row packet of ten mixed
// cells is about a megabyte; anything near this limit is an error or an attack.
constexpr qint64 MaxFrameSize = 64LL * 1024 * 1024;
constexpr int FrameHeaderSize = 4;

// Length header and CBOR body in one buffer, ready for a single write.
QByteArray EncodeFrame(const QCborMap& message);

class TFrameReader {
public:
  enum class TStatus { NeedMore, Frame, Error };

  explicit TFrameReader(qint64 maxFrameSize = MaxFrameSize) : maxFrameSize_(maxFrameSize) {}

  void Append(const char* data, qsizetype size);
  void Append(const QByteArray& data) { Append(data.constData(), data.size()); }
  // Room for up to n more bytes at the end of the buffer, to be read into
  // directly; Commit then keeps the part that was filled.
  char* Reserve(qsizetype n);
  void Commit(qsizetype used);

  // Takes the next whole frame out of the buffer. After Error the reader stays
  // in error: the stream has lost its framing and cannot be resynchronised.
  TStatus Next(QCborMap& message);

  const QString& Error() const { return error_; }
  // Bytes received but not yet handed out (a partial frame when non-zero).
  qsizetype Pending() const { return buffer_.size() - start_; }
  // Body size announced by the header of the frame being received, or -1.
  qint64 AnnouncedSize() const;

private:
  TStatus Fail(const QString& error);
  void Compact();
  void Reset();

  qint64 maxFrameSize_;
  QByteArray buffer_;
  qsizetype start_ = 0;
  qsizetype reserved_ = 0;  // bytes at the end handed out by Reserve
  QString error_;
};

}  // namespace vantor
