// Cost of a late-bound call over the socket transport, as a ratio to a raw TCP
// echo of the same number of bytes measured in the same run on the same
// loopback. Two loads: a small call (the usual server call of the program)
// and a 10,000 × 10 array of mixed text and number cells sent and echoed back
// (a large packet). The server runs in this process on its own threads, the
// raw echo server likewise, so both sides pay the same scheduling.
//
//   transport_bench [--small N] [--array N]
#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "appserver/Nexsrv01S.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/remote/RemoteFrame.h"
#include "platform/remote/RemoteMessage.h"
#include "platform/remote/SocketConnection.h"
#include "platform/remote/SocketServer.h"
#include "platform/variant/VariantCbor.h"
#include "platform/variant/Variants.h"

using namespace vantor;

namespace {

// --- raw echo ------------------------------------------------------------------------

bool ReadExactly(QTcpSocket& s, char* into, qint64 size) {
  qint64 got = 0;
  while (got < size) {
    if (s.bytesAvailable() == 0 && !s.waitForReadyRead(10000))
      return false;
    const qint64 n = s.read(into + got, size - got);
    if (n < 0)
      return false;
    got += n;
  }
  return true;
}

bool WriteAll(QTcpSocket& s, const QByteArray& bytes) {
  if (s.write(bytes) != bytes.size())
    return false;
  s.flush();
  while (s.bytesToWrite() > 0)
    if (!s.waitForBytesWritten(10000))
      return false;
  return true;
}

// Reads a length-prefixed message and sends the very bytes back, until the
// client leaves: the least any request/reply protocol has to do.
void EchoServer(std::promise<quint16>* listening) {
  QTcpServer server;
  server.listen(QHostAddress::LocalHost, 0);
  listening->set_value(server.serverPort());
  if (!server.waitForNewConnection(10000))
    return;
  std::unique_ptr<QTcpSocket> s(server.nextPendingConnection());
  s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  QByteArray message;
  for (;;) {
    char header[4];
    if (!ReadExactly(*s, header, 4))
      return;
    const quint32 size = qFromBigEndian<quint32>(header);
    message.resize(4 + qsizetype(size));
    memcpy(message.data(), header, 4);
    if (!ReadExactly(*s, message.data() + 4, size) || !WriteAll(*s, message))
      return;
  }
}

class TRawEcho {
public:
  TRawEcho() {
    std::promise<quint16> listening;
    auto port = listening.get_future();
    thread_ = std::thread(EchoServer, &listening);
    socket_.connectToHost(QHostAddress::LocalHost, port.get());
    socket_.waitForConnected(10000);
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  }
  ~TRawEcho() {
    socket_.abort();
    thread_.join();
  }
  // One round trip of a message of this many bytes (header included).
  void RoundTrip(const QByteArray& message) {
    WriteAll(socket_, message);
    back_.resize(message.size());
    ReadExactly(socket_, back_.data(), back_.size());
  }

private:
  std::thread thread_;
  QTcpSocket socket_;
  QByteArray back_;
};

QByteArray RawMessage(qsizetype size) {
  QByteArray m(size, 'r');
  qToBigEndian(quint32(size - 4), m.data());
  return m;
}

// --- measuring ---------------------------------------------------------------------------

// Microseconds per run of f over a batch of n runs.
double BatchMicros(int n, const std::function<void()>& f) {
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < n; ++i)
    f();
  return double(clock.nsecsElapsed()) / 1000.0 / n;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct TFigure {
  const char* Name;
  qsizetype Bytes = 0;
  double CallMicros = 0;
  double RawMicros = 0;
  double Ratio = 0;
  double Target = 0;
};

// The call and its baseline in alternating batches (five of n / 5 runs each,
// after a warm-up), so that a burst of other work on the machine weighs on
// both alike; the figures are the medians.
TFigure Compare(const char* name, int n, const std::function<void()>& call, const std::function<void()>& raw) {
  const int batch = qMax(1, n / 5);
  BatchMicros(batch, call);
  BatchMicros(batch, raw);
  std::vector<double> calls, raws, ratios;
  for (int b = 0; b < 5; ++b) {
    calls.push_back(BatchMicros(batch, call));
    raws.push_back(BatchMicros(batch, raw));
    ratios.push_back(calls.back() / raws.back());
  }
  TFigure f{name};
  f.CallMicros = Median(calls);
  f.RawMicros = Median(raws);
  f.Ratio = Median(ratios);
  return f;
}

QVariant MixedArray(int rows, int cols) {
  TVarMatrix m(0, rows - 1, 0, cols - 1);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      if (c % 2 == 0)
        m.Set(r, c, QStringLiteral("ITEM-%1-%2").arg(r, 6, 10, QLatin1Char('0')).arg(c));
      else
        m.Set(r, c, c % 4 == 1 ? QVariant(r * 10 + c) : QVariant(r + c / 100.0));
    }
  return QVariant::fromValue(m);
}

// Size of the call's request frame, so the raw echo moves the same bytes.
qsizetype RequestSize(const QString& member, const QVariantList& args) {
  TRemoteRequest r;
  r.Id = 1;
  r.Handle = 1;
  r.Member = member;
  for (const QVariant& a : args)
    r.Args.append(VariantToCbor(a));
  return EncodeFrame(EncodeRequest(r)).size();
}

void Print(const TFigure& f) {
  std::printf("%-28s %10lld B %12.1f us %12.1f us %8.2fx   (target %.0fx: %s)\n", f.Name, (long long)f.Bytes,
              f.CallMicros, f.RawMicros, f.Ratio, f.Target, f.Ratio <= f.Target ? "met" : "NOT met");
}

int Option(const QStringList& args, const QString& name, int fallback) {
  const qsizetype at = args.indexOf(name);
  return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int smallRuns = Option(app.arguments(), QStringLiteral("--small"), 20000);
  const int arrayRuns = Option(app.arguments(), QStringLiteral("--array"), 20);

  TSocketServer server;
  server.Listen(QHostAddress::LocalHost, 0);
  TSocketConnection conn;
  conn.SetAddress(QStringLiteral("127.0.0.1"));
  conn.SetPort(server.Port());
  conn.SetServerName(TNexsrv01S::ProgId());
  conn.Open();
  const TDispatchRef remote = VarToDispatch(conn.AppServer());
  TRawEcho raw;

  const QVariantList smallArgs{QStringLiteral("TODAY")};
  TFigure small = Compare(
      "small call (Whatis)", smallRuns,
      [&] {
        QVariantList args = smallArgs;
        remote->Invoke(QStringLiteral("Whatis"), args);
      },
      [&, message = RawMessage(RequestSize(QStringLiteral("Whatis"), smallArgs))] { raw.RoundTrip(message); });
  small.Bytes = RequestSize(QStringLiteral("Whatis"), smallArgs);
  small.Target = 3;

  const QVariantList arrayArgs{MixedArray(10000, 10)};
  TFigure array = Compare(
      "10,000 x 10 array (Echo)", arrayRuns,
      [&] {
        QVariantList args = arrayArgs;
        if (!VarIsArray(remote->Invoke(QStringLiteral("Echo"), args)))
          std::abort();
      },
      [&, message = RawMessage(RequestSize(QStringLiteral("Echo"), arrayArgs))] { raw.RoundTrip(message); });
  array.Bytes = RequestSize(QStringLiteral("Echo"), arrayArgs);
  array.Target = 2;

  // Where the array's time goes: turning the variants into CBOR and back,
  // which a call does twice each (client and server), as the transport does it.
  const QByteArray cbor = [&] {
    QByteArray bytes;
    QCborStreamWriter writer(&bytes);
    WriteVariantCbor(writer, arrayArgs.first());
    return bytes;
  }();
  const double encode = BatchMicros(arrayRuns, [&] {
    QByteArray bytes;
    bytes.reserve(cbor.size());
    QCborStreamWriter writer(&bytes);
    WriteVariantCbor(writer, arrayArgs.first());
  });
  const double decode = BatchMicros(arrayRuns, [&] {
    QCborStreamReader reader(cbor);
    if (!VarIsArray(ReadVariantCbor(reader))) std::abort();
  });
  const QByteArray frame = EncodeFrame(QCborMap{{QStringLiteral("a"), QCborValue::fromCbor(cbor)}});
  const double parse = BatchMicros(arrayRuns, [&] {
    TFrameReader reader;
    reader.Append(frame);
    QCborMap m;
    reader.Next(m);
  });

  std::printf("transport over loopback; raw = TCP echo of the same bytes, in alternating batches\n");
  std::printf("%-28s %12s %15s %15s %9s\n", "load", "request", "call", "raw echo", "ratio");
  Print(small);
  Print(array);
  std::printf("array: variants to CBOR %.1f us, CBOR to variants %.1f us (a frame of it parsed as a tree: %.1f us);\n"
              "       a call does each twice\n",
              encode, decode, parse);
  conn.Close();
  server.Stop();
  return 0;
}
