// Length-prefixed CBOR frames: encoding in one buffer and an incremental,
// allocation-bounded reader.
#include "platform/remote/RemoteFrame.h"

#include <QBuffer>
#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QCborValue>
#include <QtEndian>

namespace vantor {

QByteArray EncodeFrame(const QCborMap& message) {
  return EncodeFrame([&message](QCborStreamWriter& writer) { QCborValue(message).toCbor(writer); });
}

QByteArray EncodeFrame(const std::function<void(QCborStreamWriter&)>& writeBody) {
  QByteArray frame(FrameHeaderSize, '\0');
  {
    // The body is written behind the header's placeholder, so the frame
    // leaves in one write without a second copy. (A writer given the byte
    // array itself would start over at its first byte.)
    QBuffer sink(&frame);
    sink.open(QIODevice::WriteOnly | QIODevice::Append);
    QCborStreamWriter writer(&sink);
    writeBody(writer);
  }
  const quint32 size = quint32(frame.size() - FrameHeaderSize);
  qToBigEndian(size, frame.data());
  return frame;
}

void TFrameReader::Append(const char* data, qsizetype size) {
  if (!error_.isEmpty() || size <= 0)
    return;
  Compact();
  buffer_.append(data, size);
}

char* TFrameReader::Reserve(qsizetype n) {
  Compact();
  const qsizetype used = buffer_.size();
  buffer_.resize(used + n);
  reserved_ = n;
  return buffer_.data() + used;
}

void TFrameReader::Commit(qsizetype used) {
  used = qBound<qsizetype>(0, used, reserved_);
  buffer_.resize(buffer_.size() - reserved_ + used);
  reserved_ = 0;
  if (!error_.isEmpty())
    Reset();
}

qint64 TFrameReader::AnnouncedSize() const {
  if (Pending() < FrameHeaderSize)
    return -1;
  return qFromBigEndian<quint32>(buffer_.constData() + start_);
}

TFrameReader::TStatus TFrameReader::Fail(const QString& error) {
  error_ = error;
  buffer_.clear();
  start_ = 0;
  return TStatus::Error;
}

void TFrameReader::Reset() {
  // The usual small frame reuses the buffer; a big one gives its memory back
  // so that an idle connection does not keep megabytes.
  if (buffer_.capacity() > 1024 * 1024)
    buffer_.clear();
  else
    buffer_.resize(0);
  start_ = 0;
}

void TFrameReader::Compact() {
  // Consumed bytes are dropped only once they outweigh the rest, which keeps
  // the cost of removal linear in the bytes received.
  if (start_ > 0 && start_ >= buffer_.size() - start_) {
    buffer_.remove(0, start_);
    start_ = 0;
  }
}

TFrameReader::TStatus TFrameReader::Next(QCborMap& message) {
  body_.clear();
  bodyStart_ = 0;
  if (!error_.isEmpty())
    return TStatus::Error;
  const qint64 size = AnnouncedSize();
  if (size < 0)
    return TStatus::NeedMore;
  if (size == 0)
    return Fail(QStringLiteral("empty frame"));
  if (size > maxFrameSize_)
    return Fail(QStringLiteral("frame of %1 bytes exceeds the limit of %2 bytes").arg(size).arg(maxFrameSize_));
  if (Pending() < FrameHeaderSize + size)
    return TStatus::NeedMore;

  if (content_ == TContent::Body) {
    message = QCborMap();
    TakeBody(size);
    return TStatus::Frame;
  }
  if (Parse(buffer_.constData() + start_ + FrameHeaderSize, size, message) == TStatus::Error)
    return TStatus::Error;
  start_ += FrameHeaderSize + qsizetype(size);
  if (start_ == buffer_.size())
    Reset();
  return TStatus::Frame;
}

TFrameReader::TStatus TFrameReader::Parse(const char* body, qint64 size, QCborMap& message) {
  QCborStreamReader reader(body, qsizetype(size));
  QCborValue value = QCborValue::fromCbor(reader);
  if (reader.lastError() != QCborError::NoError)
    return Fail(QStringLiteral("frame is not valid CBOR (%1)").arg(reader.lastError().toString()));
  if (reader.currentOffset() != size)
    return Fail(QStringLiteral("frame has %1 stray bytes after its message").arg(size - reader.currentOffset()));
  if (!value.isMap())
    return Fail(QStringLiteral("frame holds no message map"));
  message = value.toMap();
  return TStatus::Frame;
}

void TFrameReader::TakeBody(qint64 size) {
  const qsizetype end = start_ + FrameHeaderSize + qsizetype(size);
  if (start_ == 0 && end == buffer_.size()) {
    // The usual case, one frame in the buffer: the buffer itself becomes the
    // body, which spares copying a large frame.
    body_ = std::move(buffer_);
    buffer_ = QByteArray();
    bodyStart_ = FrameHeaderSize;
    start_ = 0;
    return;
  }
  body_ = QByteArray(buffer_.constData() + start_ + FrameHeaderSize, qsizetype(size));
  bodyStart_ = 0;
  start_ = end;
  if (start_ == buffer_.size())
    Reset();
}

}  // namespace vantor
