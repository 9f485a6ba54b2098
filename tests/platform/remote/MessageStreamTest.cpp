// The stream form of the protocol's messages against the tree form: the same
// bytes out, and on the way in the same verdict on every frame, with a bad
// argument value kept for the call instead of failing the message.
#include <QCborArray>
#include <QCborValue>
#include <functional>
#include <gtest/gtest.h>

#include "RemoteTestSupport.h"
#include "platform/os/Exceptions.h"
#include "platform/remote/RemoteFrame.h"
#include "platform/remote/RemoteMessage.h"
#include "platform/variant/Variants.h"

using namespace vantor;

namespace {

const QVariantList kArgs{QStringLiteral("TODAY"), 12, Null(), QVariant(),
                         VarArrayOf({1.5, QStringLiteral("x")})};

TRemoteRequest Call(const QVariantList& args, TByRefMask byRef) {
  TRemoteRequest r;
  r.Id = 7;
  r.Handle = 3;
  r.Member = QStringLiteral("Whatis");
  r.Kind = TCallKind::Get;
  r.ByRef = byRef;
  r.ArgValues = args;
  for (const QVariant& a : args)
    r.Args.append(VariantToCbor(a));
  return r;
}

QByteArrayView BodyOf(const QByteArray& frame) { return QByteArrayView(frame).sliced(FrameHeaderSize); }

// The verdict of the tree form on a frame body: the frame reader's message,
// then DecodeRequest's.
TBodyFault TreeVerdict(const QByteArray& body, QString* error) {
  TFrameReader reader;
  reader.Append(test::Framed(body));
  QCborMap map;
  if (reader.Next(map) != TFrameReader::TStatus::Frame) {
    *error = reader.Error();
    return TBodyFault::Frame;
  }
  TRemoteRequest r;
  return DecodeRequest(map, &r, error) ? TBodyFault::None : TBodyFault::Message;
}

}  // namespace

TEST(MessageStream, FramesHaveTheBytesOfTheTreeForm) {
  TRemoteRequest create;
  create.Op = TRemoteOp::Create;
  create.Id = 1;
  create.ClassName = QStringLiteral("Nexsrv01S.Class1");
  TRemoteRequest release;
  release.Op = TRemoteOp::Release;
  release.Handle = 9;
  for (const TRemoteRequest& r : {create, release, Call(kArgs, ByRefArg(1) | ByRefArg(63)), Call({}, NoByRef)})
    EXPECT_EQ(EncodeRequestFrame(r, nullptr).toHex().toStdString(), EncodeFrame(EncodeRequest(r)).toHex().toStdString());

  TRemoteReply value;
  value.Id = 4;
  value.Result = QVariant::fromValue(TVarMatrix(0, 1, 0, 0));
  value.Value = VariantToCbor(value.Result);
  value.ByRefValues = {1, Null()};
  value.ByRefOut = QCborArray{1, QCborValue(nullptr)};
  TRemoteReply handle;
  handle.Id = 5;
  handle.Handle = 2;
  TRemoteReply failed;
  failed.Id = 6;
  failed.Failed = true;
  failed.ErrorClass = QStringLiteral("EOleError");
  failed.ErrorMessage = QStringLiteral("Unknown name");
  for (const TRemoteReply& r : {value, handle, failed})
    EXPECT_EQ(EncodeReplyFrame(r, nullptr).toHex().toStdString(), EncodeFrame(EncodeReply(r)).toHex().toStdString());
}

TEST(MessageStream, ReadsWhatItWrote) {
  const QByteArray frame = EncodeRequestFrame(Call(kArgs, ByRefArg(1)), nullptr);
  TRemoteRequest back;
  QString error;
  ASSERT_EQ(DecodeRequestBody(BodyOf(frame), nullptr, &back, &error), TBodyFault::None) << error.toStdString();
  EXPECT_EQ(back.Op, TRemoteOp::Call);
  EXPECT_EQ(back.Id, 7u);
  EXPECT_EQ(back.Kind, TCallKind::Get);
  EXPECT_EQ(back.ByRef, ByRefArg(1));
  EXPECT_TRUE(VarSame(back.ArgValues, kArgs));
  EXPECT_FALSE(back.ValueFault);

  TRemoteReply reply;
  reply.Id = 7;
  reply.Result = QStringLiteral("20260101");
  reply.ByRefValues = {QVariant(), 3};
  TRemoteReply got;
  ASSERT_EQ(DecodeReplyBody(BodyOf(EncodeReplyFrame(reply, nullptr)), nullptr, &got, &error), TBodyFault::None)
      << error.toStdString();
  EXPECT_EQ(got.Id, 7u);
  EXPECT_TRUE(VarSame(got.Result, reply.Result));
  EXPECT_TRUE(VarSame(got.ByRefValues, reply.ByRefValues));
}

// Every fault the tree form finds in a frame, the stream form finds too, in
// the same words and at the same level (frame or message).
TEST(MessageStream, JudgesFramesAsTheTreeFormDoes) {
  const QCborMap call = EncodeRequest(Call(kArgs, ByRefArg(1)));
  const auto spoiled = [&](const std::function<void(QCborMap&)>& spoil) {
    QCborMap m = call;
    spoil(m);
    return QCborValue(m).toCbor();
  };
  const QByteArray whole = QCborValue(call).toCbor();
  const struct {
    const char* Name;
    QByteArray Body;
  } cases[] = {
      {"a good call", whole},
      {"garbage", QByteArray("\xff\xfe\xfd", 3)},
      {"cut short", whole.left(whole.size() - 2)},
      {"stray bytes", whole + "xy"},
      {"array, not a map", QCborValue(QCborArray{1, 2}).toCbor()},
      {"no op", spoiled([](QCborMap& m) { m.remove(QStringLiteral("op")); })},
      {"unknown op", spoiled([](QCborMap& m) { m[QStringLiteral("op")] = QStringLiteral("drop"); })},
      {"id is text", spoiled([](QCborMap& m) { m[QStringLiteral("id")] = QStringLiteral("7"); })},
      {"member is a number", spoiled([](QCborMap& m) { m[QStringLiteral("m")] = 12; })},
      {"args not an array", spoiled([](QCborMap& m) { m[QStringLiteral("a")] = QStringLiteral("x"); })},
      {"kind out of range", spoiled([](QCborMap& m) { m[QStringLiteral("k")] = 9; })},
      {"mask is text", spoiled([](QCborMap& m) { m[QStringLiteral("r")] = QStringLiteral("1"); })},
      {"unknown field", spoiled([](QCborMap& m) { m[QStringLiteral("zz")] = QCborArray{1, 2}; })},
      {"text where a map key should be", spoiled([](QCborMap& m) { m[5] = QStringLiteral("drop"); })},
      {"release with args of the wrong type",
       QCborValue(QCborMap{{QStringLiteral("op"), QStringLiteral("release")}, {QStringLiteral("h"), 2},
                           {QStringLiteral("a"), 5}})
           .toCbor()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QString treeError, streamError;
    TRemoteRequest r;
    const TBodyFault tree = TreeVerdict(c.Body, &treeError);
    EXPECT_EQ(DecodeRequestBody(c.Body, nullptr, &r, &streamError), tree);
    EXPECT_EQ(streamError.toStdString(), treeError.toStdString());
  }
}

// A bad argument spoils the call, not the message: the connection goes on
// and the call is answered with the fault.
TEST(MessageStream, ABadArgumentIsKeptForTheCall) {
  QCborMap call = EncodeRequest(Call(kArgs, NoByRef));
  call[QStringLiteral("a")] = QCborArray{1, QCborValue(QCborTag(40002), 77), QCborValue(QCborTag(99), 1)};
  const QByteArray body = QCborValue(call).toCbor();
  TCborObjectCodec codec;
  codec.Decode = [](qint64 handle) -> QVariant {
    throw EOleError(QStringLiteral("unknown object handle %1").arg(handle));
  };
  for (const TCborObjectCodec* c : {static_cast<const TCborObjectCodec*>(nullptr), static_cast<const TCborObjectCodec*>(&codec)}) {
    TRemoteRequest r;
    QString error;
    ASSERT_EQ(DecodeRequestBody(body, c, &r, &error), TBodyFault::None) << error.toStdString();
    EXPECT_EQ(r.ArgValues.size(), 3) << "the arguments keep their places";
    ASSERT_TRUE(r.ValueFault);
    try {
      std::rethrow_exception(r.ValueFault);
    } catch (const Exception& e) {
      // Without a codec the reference itself is refused; with one, the codec's
      // own fault comes through with its class.
      EXPECT_EQ(e.ClassName(), c ? QStringLiteral("EOleError") : QStringLiteral("EVariantError"));
      EXPECT_EQ(e.Message().contains(QLatin1String("77")), c != nullptr) << e.Message().toStdString();
    }
  }
}
