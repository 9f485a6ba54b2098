// Blocking frame I/O on a QTcpSocket, shared by the client connection and the
// server's connection threads. Neither side runs an event loop for its
// socket: the client blocks its (single) thread for the length of a call, as
// the program expects of a server call, and every server connection owns a
// thread. Waits are bounded by deadlines so that nothing hangs.
#pragma once

#include <QCborMap>
#include <QDeadlineTimer>
#include <QString>

#include "platform/remote/RemoteFrame.h"

class QTcpSocket;

namespace vantor {

enum class TFrameIo { Done, Closed, TimedOut, Invalid };

// Waits for the next whole frame. Invalid leaves the reader's message in
// reader.Error(); Closed means the peer went away (possibly mid-frame).
TFrameIo ReadFrame(QTcpSocket& socket, TFrameReader& reader, QCborMap* message, QDeadlineTimer deadline);

// Hands the frame to the socket and waits until the kernel has taken all of
// it, or the deadline passes, or the peer goes away.
TFrameIo WriteFrame(QTcpSocket& socket, const QByteArray& frame, QDeadlineTimer deadline);
// The waiting half of WriteFrame, for callers that wait in slices.
TFrameIo FlushFrames(QTcpSocket& socket, QDeadlineTimer deadline);

// Small frames go out at once instead of waiting for the peer's
// acknowledgement of the previous segment.
void TuneSocket(QTcpSocket& socket);

// "connection refused", "host not found", … for messages that name the peer.
QString SocketErrorText(const QTcpSocket& socket);

}  // namespace vantor
