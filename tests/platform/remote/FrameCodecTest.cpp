// The frame reader and the message maps, without sockets: what is accepted,
// what is refused and with which words.
#include <QCborArray>
#include <QCborValue>
#include <gtest/gtest.h>

#include "RemoteTestSupport.h"
#include "platform/remote/RemoteFrame.h"
#include "platform/remote/RemoteMessage.h"

using namespace vantor;
using vantor::test::BigEndianSize;
using vantor::test::Framed;

namespace {

QCborMap SampleCall() {
  TRemoteRequest r;
  r.Op = TRemoteOp::Call;
  r.Id = 7;
  r.Handle = 3;
  r.Member = QStringLiteral("Whatis");
  r.Kind = TCallKind::Method;
  r.Args = QCborArray{QStringLiteral("TODAY"), 12};
  r.ByRef = ByRefArg(1) | ByRefArg(63);
  return EncodeRequest(r);
}

struct TFrameCase {
  const char* Name;
  QByteArray Bytes;
  TFrameReader::TStatus Status;
  const char* Error;  // part of the message when refused
};

QByteArray MapBytes() { return QCborValue(SampleCall()).toCbor(); }

}  // namespace

TEST(FrameCodec, ReaderJudgesEachInput) {
  const QByteArray map = MapBytes();
  const TFrameCase cases[] = {
      {"whole frame", EncodeFrame(SampleCall()), TFrameReader::TStatus::Frame, ""},
      {"header only", BigEndianSize(40), TFrameReader::TStatus::NeedMore, ""},
      {"part of a header", QByteArray("\0\0", 2), TFrameReader::TStatus::NeedMore, ""},
      {"body cut short", Framed(map).left(map.size()), TFrameReader::TStatus::NeedMore, ""},
      {"empty frame", BigEndianSize(0), TFrameReader::TStatus::Error, "empty frame"},
      {"100 MiB announced", BigEndianSize(100u << 20) + "abc", TFrameReader::TStatus::Error, "exceeds the limit"},
      {"just over the limit", BigEndianSize(quint32(MaxFrameSize + 1)), TFrameReader::TStatus::Error,
       "exceeds the limit"},
      {"garbage bytes", Framed(QByteArray(8, char(0xff))), TFrameReader::TStatus::Error, "not valid CBOR"},
      {"CBOR cut inside the frame", Framed(map.left(map.size() - 3)), TFrameReader::TStatus::Error,
       "not valid CBOR"},
      {"stray bytes after the map", Framed(map + "xy"), TFrameReader::TStatus::Error, "2 stray bytes"},
      {"array instead of map", Framed(QCborValue(QCborArray{1, 2}).toCbor()), TFrameReader::TStatus::Error,
       "no message map"},
      {"text instead of map", Framed(QCborValue(QStringLiteral("call")).toCbor()), TFrameReader::TStatus::Error,
       "no message map"},
  };
  for (const TFrameCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFrameReader reader;
    reader.Append(c.Bytes);
    QCborMap message;
    EXPECT_EQ(reader.Next(message), c.Status);
    EXPECT_TRUE(reader.Error().contains(QLatin1String(c.Error))) << reader.Error().toStdString();
    if (c.Status == TFrameReader::TStatus::Frame) {
      EXPECT_EQ(message, SampleCall());
    }
    if (c.Status == TFrameReader::TStatus::Error) {
      EXPECT_EQ(reader.Pending(), 0) << "a refused stream keeps no bytes";
    }
  }
}

TEST(FrameCodec, FramesSurviveAnySplitOfTheStream) {
  QCborMap second;
  second.insert(QStringLiteral("id"), 8);
  second.insert(QStringLiteral("v"), QString(5000, QChar(u'验')));
  const QByteArray stream = EncodeFrame(SampleCall()) + EncodeFrame(second) + EncodeFrame(SampleCall());
  for (qsizetype chunk : {qsizetype(1), qsizetype(3), qsizetype(4), qsizetype(1000), stream.size()}) {
    SCOPED_TRACE(chunk);
    TFrameReader reader;
    QList<QCborMap> got;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
      reader.Append(stream.mid(at, chunk));
      QCborMap m;
      while (reader.Next(m) == TFrameReader::TStatus::Frame)
        got.append(m);
    }
    ASSERT_EQ(got.size(), 3);
    EXPECT_EQ(got[0], SampleCall());
    EXPECT_EQ(got[1], second);
    EXPECT_EQ(got[2], SampleCall());
    EXPECT_EQ(reader.Pending(), 0);
  }
}

TEST(FrameCodec, RefusedStreamStaysRefused) {
  TFrameReader reader;
  reader.Append(BigEndianSize(0));
  QCborMap m;
  ASSERT_EQ(reader.Next(m), TFrameReader::TStatus::Error);
  reader.Append(EncodeFrame(SampleCall()));
  EXPECT_EQ(reader.Next(m), TFrameReader::TStatus::Error);
  EXPECT_EQ(reader.Pending(), 0);
}

TEST(FrameCodec, HeaderIsBigEndianLengthOfTheBody) {
  const QByteArray frame = EncodeFrame(SampleCall());
  const QByteArray body = MapBytes();
  EXPECT_EQ(frame.mid(4), body);
  EXPECT_EQ(frame.left(4), BigEndianSize(quint32(body.size())));
}

TEST(RemoteMessage, RequestsRoundTrip) {
  TRemoteRequest call;
  QString error;
  ASSERT_TRUE(DecodeRequest(SampleCall(), &call, &error)) << error.toStdString();
  EXPECT_EQ(call.Op, TRemoteOp::Call);
  EXPECT_EQ(call.Id, 7u);
  EXPECT_EQ(call.Handle, 3);
  EXPECT_EQ(call.Member, QStringLiteral("Whatis"));
  EXPECT_EQ(call.Args.size(), 2);
  EXPECT_EQ(call.ByRef, ByRefArg(1) | ByRefArg(63));

  for (TCallKind kind : {TCallKind::Get, TCallKind::Put, TCallKind::Has}) {
    TRemoteRequest r = call, back;
    r.Kind = kind;
    ASSERT_TRUE(DecodeRequest(EncodeRequest(r), &back, &error));
    EXPECT_EQ(back.Kind, kind);
  }
  TRemoteRequest create, back;
  create.Op = TRemoteOp::Create;
  create.Id = 1;
  create.ClassName = QStringLiteral("Nexsrv01S.Class1");
  ASSERT_TRUE(DecodeRequest(EncodeRequest(create), &back, &error));
  EXPECT_EQ(back.Op, TRemoteOp::Create);
  EXPECT_EQ(back.ClassName, create.ClassName);

  TRemoteRequest release;
  release.Op = TRemoteOp::Release;
  release.Handle = 5;
  ASSERT_TRUE(DecodeRequest(EncodeRequest(release), &back, &error));
  EXPECT_EQ(back.Op, TRemoteOp::Release);
  EXPECT_EQ(back.Handle, 5);
}

TEST(RemoteMessage, MalformedRequestsNameTheFault) {
  struct TCase {
    const char* Name;
    std::function<void(QCborMap&)> Spoil;
    const char* Error;
  } cases[] = {
      {"no op", [](QCborMap& m) { m.remove(QStringLiteral("op")); }, "\"op\""},
      {"op is a number", [](QCborMap& m) { m[QStringLiteral("op")] = 2; }, "\"op\""},
      {"unknown op", [](QCborMap& m) { m[QStringLiteral("op")] = QStringLiteral("drop"); }, "unknown operation"},
      {"no id", [](QCborMap& m) { m.remove(QStringLiteral("id")); }, "\"id\""},
      {"id zero", [](QCborMap& m) { m[QStringLiteral("id")] = 0; }, "\"id\""},
      {"id is text", [](QCborMap& m) { m[QStringLiteral("id")] = QStringLiteral("7"); }, "\"id\""},
      {"handle negative", [](QCborMap& m) { m[QStringLiteral("h")] = -3; }, "\"h\""},
      {"member is a number", [](QCborMap& m) { m[QStringLiteral("m")] = 12; }, "\"m\""},
      {"args not an array", [](QCborMap& m) { m[QStringLiteral("a")] = QStringLiteral("x"); }, "\"a\""},
      {"kind out of range", [](QCborMap& m) { m[QStringLiteral("k")] = 9; }, "call kind"},
      {"kind is text", [](QCborMap& m) { m[QStringLiteral("k")] = QStringLiteral("get"); }, "call kind"},
      {"mask is text", [](QCborMap& m) { m[QStringLiteral("r")] = QStringLiteral("1"); }, "\"r\""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QCborMap map = SampleCall();
    c.Spoil(map);
    TRemoteRequest r;
    QString error;
    EXPECT_FALSE(DecodeRequest(map, &r, &error));
    EXPECT_TRUE(error.contains(QLatin1String(c.Error))) << error.toStdString();
  }
}

TEST(RemoteMessage, RepliesRoundTripAndRefuseBadShapes) {
  TRemoteReply ok;
  ok.Id = 4;
  ok.Value = QStringLiteral("20260101");
  ok.ByRefOut = QCborArray{1, QCborValue(nullptr)};
  TRemoteReply back;
  QString error;
  ASSERT_TRUE(DecodeReply(EncodeReply(ok), &back, &error)) << error.toStdString();
  EXPECT_FALSE(back.Failed);
  EXPECT_EQ(back.Value, ok.Value);
  EXPECT_EQ(back.ByRefOut, ok.ByRefOut);

  TRemoteReply failed;
  failed.Id = 5;
  failed.Failed = true;
  failed.ErrorClass = QStringLiteral("EDatabaseError");
  failed.ErrorMessage = QStringLiteral("表不存在");
  ASSERT_TRUE(DecodeReply(EncodeReply(failed), &back, &error));
  EXPECT_TRUE(back.Failed);
  EXPECT_EQ(back.ErrorClass, failed.ErrorClass);
  EXPECT_EQ(back.ErrorMessage, failed.ErrorMessage);

  QCborMap noClass = EncodeReply(failed);
  noClass[QStringLiteral("e")] = QCborMap{{QStringLiteral("msg"), QStringLiteral("x")}};
  QCborMap errorNotMap = EncodeReply(failed);
  errorNotMap[QStringLiteral("e")] = QStringLiteral("boom");
  QCborMap negativeId = EncodeReply(ok);
  negativeId[QStringLiteral("id")] = -1;
  QCborMap outNotArray = EncodeReply(ok);
  outNotArray[QStringLiteral("r")] = 3;
  for (const QCborMap& bad : {noClass, errorNotMap, negativeId, outNotArray})
    EXPECT_FALSE(DecodeReply(bad, &back, &error)) << QCborValue(bad).toDiagnosticNotation().toStdString();
}
