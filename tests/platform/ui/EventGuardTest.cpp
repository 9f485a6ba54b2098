// The event-loop guard: the silent abort stays silent, every other failure
// reaches the user through the dialog host, and nothing escapes to Qt.
#include "platform/os/Exceptions.h"
#include "platform/ui/EventGuard.h"
#include "util/QtPrinters.h"
#include "util/ScriptedDialogHost.h"

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace vantor;

namespace {

// With no answers scripted, any dialog fails the test.
class EventGuardTest : public ::testing::Test {
protected:
  TScriptedDialogHost dialogs_;
};

TEST_F(EventGuardTest, SilentAbortShowsNothing) {
  EXPECT_FALSE(RunGuarded([] { Abort(); }));
  EXPECT_FALSE(RunGuarded([] { throw EAbort("not shown either"); }));
  EXPECT_TRUE(dialogs_.Records().isEmpty());
}

TEST_F(EventGuardTest, HandlerThatEndsWellShowsNothing) {
  int runs = 0;
  EXPECT_TRUE(RunGuarded([&] { ++runs; }));
  EXPECT_TRUE(RunGuarded(nullptr));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(dialogs_.Records().isEmpty());
}

struct ShownCase {
  const char* Name;
  std::function<void()> Raise;
  QString Shown;
};

void PrintTo(const ShownCase& c, std::ostream* os) { *os << c.Name; }

const ShownCase kShownCases[] = {
    {"VantorException", [] { throw EDatabaseError("cannot connect to 127.0.0.2:211: connection refused"); },
     "cannot connect to 127.0.0.2:211: connection refused"},
    {"ChineseMessage", [] { throw EConvertError(QStringLiteral("日期格式错误!")); }, QStringLiteral("日期格式错误!")},
    {"EmptyMessageShowsClass", [] { throw EOleError(QString()); }, "EOleError"},
    {"StdException", [] { throw std::runtime_error("disk full"); }, "disk full"},
    {"UnknownThrow", [] { throw 42; }, "Unexpected error of unknown kind"},
};

class EventGuardShowTest : public EventGuardTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(EventGuardShowTest, OtherExceptionsShownAsErrorBox) {
  dialogs_.Expect(kMessageKind, mrOk);
  EXPECT_FALSE(RunGuarded(GetParam().Raise));
  ASSERT_EQ(dialogs_.Records().size(), 1);
  const TMessageRequest& shown = dialogs_.Last().Message;
  EXPECT_EQ(shown.Text, GetParam().Shown);
  EXPECT_EQ(shown.DlgType, mtError);
  EXPECT_EQ(shown.Buttons, TMsgDlgButtons({mbOK}));
  EXPECT_EQ(shown.DefaultButton, mbOK);
}

INSTANTIATE_TEST_SUITE_P(Table, EventGuardShowTest, ::testing::ValuesIn(kShownCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(EventGuardTest, FailingErrorBoxDoesNotEscape) {
  dialogs_.Answer([](TDialogRecord&) -> TModalResult { throw std::runtime_error("box broke"); });
  EXPECT_FALSE(RunGuarded([] { throw EDatabaseError("first failure"); }));
  EXPECT_EQ(dialogs_.Records().size(), 1);
}

// An object whose event handler fails, as a slot or timer of a form may.
class TFailingReceiver : public QObject {
public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User)
      throw EDatabaseError("handler failed");
    if (e->type() == QEvent::User + 1)
      Abort();
    return QObject::event(e);
  }
};

TEST_F(EventGuardTest, NothingEscapesNotify) {
  TFailingReceiver receiver;
  auto deliver = [](QObject* r, QEvent* e) { return qApp->QApplication::notify(r, e); };
  dialogs_.Expect(kMessageKind, mrOk);
  QEvent failing(QEvent::User);
  bool handled = true;
  EXPECT_NO_THROW(handled = NotifyGuarded(&receiver, &failing, deliver));
  EXPECT_FALSE(handled);
  EXPECT_EQ(dialogs_.Last().Text(), "handler failed");

  QEvent aborting(QEvent::Type(QEvent::User + 1));
  EXPECT_NO_THROW(handled = NotifyGuarded(&receiver, &aborting, deliver));
  EXPECT_EQ(dialogs_.Records().size(), 1) << "the silent abort shows nothing";

  QEvent ordinary(QEvent::Type(QEvent::User + 2));
  EXPECT_NO_THROW(NotifyGuarded(&receiver, &ordinary, deliver));
  EXPECT_EQ(dialogs_.Records().size(), 1);
}

TEST_F(EventGuardTest, GuardedSlotsAndTimers) {
  QPushButton button;
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, Guarded([&](bool) {
                     ++clicks;
                     throw EInvalidOperation("cannot save now");
                   }));
  dialogs_.Expect(kMessageKind, mrOk).Expect(kMessageKind, mrOk);
  EXPECT_NO_THROW(button.click());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(dialogs_.Last().Text(), "cannot save now");

  bool fired = false;
  QTimer::singleShot(0, Guarded([&] {
                       fired = true;
                       throw std::logic_error("timer failed");
                     }));
  QCoreApplication::processEvents();
  EXPECT_TRUE(fired);
  EXPECT_EQ(dialogs_.Last().Text(), "timer failed");
}

TEST(ExceptionMessageTest, TextOfEachKind) {
  EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(EAbort("Operation aborted"))), "Operation aborted");
  EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(std::runtime_error(""))), "Unexpected error");
  EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(3.5)), "Unexpected error of unknown kind");
  EXPECT_NO_THROW(ShowException(nullptr));
}

}  // namespace
