// Framing of the application-server protocol: every message is one CBOR map
// preceded by its length as four big-endian bytes. The reader is fed whatever
// the socket delivers and hands out whole frames; it judges the length header
// before it buffers the body, so a peer that claims an absurd size is refused
// without the memory ever being reserved.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCborMap>
#include <QString>
#include <functional>

class QCborStreamWriter;

namespace vantor {

// Largest frame body either side accepts. A 10,000-row packet of ten mixed
// cells is about a megabyte; anything near this limit is an error or an attack.
constexpr qint64 MaxFrameSize = 64LL * 1024 * 1024;
constexpr int FrameHeaderSize = 4;

// Length header and CBOR body in one buffer, ready for a single write.
QByteArray EncodeFrame(const QCborMap& message);
// The same, with the body written by writeBody (exactly one CBOR item) straight
// into the frame's buffer. What writeBody raises goes to the caller.
QByteArray EncodeFrame(const std::function<void(QCborStreamWriter&)>& writeBody);

class TFrameReader {
public:
  enum class TStatus { NeedMore, Frame, Error };
  // What Next makes of a frame: a parsed map, or only its body, for a caller
  // that reads the message with a stream reader and so never builds the tree.
  enum class TContent { Map, Body };

  explicit TFrameReader(qint64 maxFrameSize = MaxFrameSize, TContent content = TContent::Map)
      : maxFrameSize_(maxFrameSize), content_(content) {}

  void Append(const char* data, qsizetype size);
  void Append(const QByteArray& data) { Append(data.constData(), data.size()); }
  // Room for up to n more bytes at the end of the buffer, to be read into
  // directly; Commit then keeps the part that was filled.
  char* Reserve(qsizetype n);
  void Commit(qsizetype used);

  // Takes the next whole frame out of the buffer. After Error the reader stays
  // in error: the stream has lost its framing and cannot be resynchronised.
  // With TContent::Body only the framing is judged: the message is left empty
  // and the frame's body is Body() until the next call on the reader.
  TStatus Next(QCborMap& message);
  QByteArrayView Body() const { return QByteArrayView(body_).sliced(bodyStart_); }

  const QString& Error() const { return error_; }
  // Bytes received but not yet handed out (a partial frame when non-zero).
  qsizetype Pending() const { return buffer_.size() - start_; }
  // Body size announced by the header of the frame being received, or -1.
  qint64 AnnouncedSize() const;

private:
  TStatus Fail(const QString& error);
  void Compact();
  void Reset();
  TStatus Parse(const char* body, qint64 size, QCborMap& message);
  void TakeBody(qint64 size);

  qint64 maxFrameSize_;
  TContent content_;
  QByteArray buffer_;
  QByteArray body_;          // the last frame handed out as a body
  qsizetype bodyStart_ = 0;  // where in body_ that body begins
  qsizetype start_ = 0;
  qsizetype reserved_ = 0;  // bytes at the end handed out by Reserve
  QString error_;
};

}  // namespace vantor
