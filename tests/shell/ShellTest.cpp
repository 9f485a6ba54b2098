// The shell's side of the chain: command line, suite layout, loading the real
// program module and driving its controller.
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "shell/ModuleHost.h"
#include "shell/ShellOptions.h"
#include "shell/ShellSession.h"
#include "shell/SuiteLocator.h"
#include "util/TempSuite.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <gtest/gtest.h>

using namespace vantor;
using vantor::test::TTempSuite;

TEST(ShellOptions, ParsesTheCommandLine) {
  const TShellOptions o = ParseShellOptions({"vantor", "--user", "DS", "--company", "C01", "--database", "DEMO",
                                             "--run-mode", "7", "--param", "TJ001='A'", "rtni01"});
  EXPECT_EQ(o.User, QStringLiteral("DS"));
  EXPECT_EQ(o.Company, QStringLiteral("C01"));
  EXPECT_EQ(o.Database, QStringLiteral("DEMO"));
  EXPECT_EQ(o.RunMode.value_or(-1), 7);
  EXPECT_EQ(o.Param.value_or(QString()), QStringLiteral("TJ001='A'"));
  EXPECT_EQ(o.Program, QStringLiteral("RTNI01"));
  EXPECT_FALSE(ParseShellOptions({"vantor", "RTNI01"}).RunMode.has_value());
}

TEST(ShellOptions, RefusesBadCommandLines) {
  const QStringList bad[] = {
      {"vantor"},
      {"vantor", "--user"},
      {"vantor", "--run-mode", "seven", "RTNI01"},
      {"vantor", "--colour", "RTNI01"},
      {"vantor", "RTNI01", "RTNR01"},
      {"vantor", "--user", "DS", "RTNI01"},
      {"vantor", "--param", "@/nonexistent/param.txt", "RTNI01"},
  };
  for (const QStringList& args : bad) EXPECT_THROW(ParseShellOptions(args), Exception) << args.join(' ').toStdString();
}

TEST(SuiteLocator, PackageFoldersFromTheClientIni) {
  TTempSuite suite(QStringLiteral(VANTOR_BIN_DIR));
  const QString ini = suite.FilePath(QStringLiteral("VantorC.ini"));
  EXPECT_EQ(PackageFoldersOf(suite.Path(), ini), QStringList{suite.Path() + "C_PKG/"});
  suite.WriteFile(QStringLiteral("VantorC.ini"), "[WorkDLLPath]\nA=pkg\nB=/opt/pkg/\nC=\n");
  EXPECT_EQ(PackageFoldersOf(suite.Path(), ini), (QStringList{suite.Path() + "pkg/", "/opt/pkg/"}));
  // A missing ini is no error: the default folder is used.
  EXPECT_EQ(PackageFoldersOf(suite.Path(), suite.FilePath("none.ini")), QStringList{suite.Path() + "C_PKG/"});
}

TEST(SuiteLocator, RegistryNamesTheSuite) {
  TTempSuite suite(QStringLiteral(VANTOR_BIN_DIR));
  EXPECT_EQ(LocateSuite().InstallFolder, suite.Path());
  suite.WriteFile(QStringLiteral("vantor.reg"), "[HKEY_LOCAL_MACHINE\\Software\\ZKM\\Other]\nClientPath=/x\n");
  EXPECT_THROW(LocateSuite(), Exception);
}

TEST(ModuleHost, MissingModuleIsNamed) {
  TTempSuite suite(QStringLiteral(VANTOR_BIN_DIR));
  TModuleHost host({suite.Path() + "C_PKG/"});
  try {
    host.Load(QStringLiteral("NOSUCH"));
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("NOSUCHC.so")));
  }
}

TEST(ModuleHost, LoadsTheModuleAndDrivesItsController) {
  TTempSuite suite(QStringLiteral(VANTOR_BIN_DIR));
  TModuleHost host({suite.Path() + "C_PKG/"});
  TDLLBaseController* ctrl = host.Load(QStringLiteral("rtni01"));
  ASSERT_NE(ctrl, nullptr);
  QList<int> codes;
  ctrl->OnNotify = [&](int code, TDLLBaseController* sender) {
    EXPECT_EQ(sender, ctrl);
    codes.append(code);
  };
  // Before CreateForm every operation answers as if there were no form.
  QString version = QStringLiteral("untouched");
  ctrl->GetVersion(version);
  EXPECT_EQ(version, QStringLiteral("untouched"));
  EXPECT_EQ(ctrl->GetHandle(), 0u);
  QVariant info;
  EXPECT_EQ(ctrl->GetLoginInfo(info), -1);
  EXPECT_TRUE(ctrl->IsFormFreed());
  ctrl->FreeForm(0);

  ASSERT_EQ(ctrl->CreateForm(QVariantList{"DS", "C01", "DEMO", 0, QString()}), 0);
  ctrl->SetVisible(true);
  EXPECT_TRUE(ctrl->GetVisible());
  ctrl->GetVersion(version);
  EXPECT_EQ(version, QStringLiteral("880624-0.00.01"));
  ctrl->FreeForm(0);
  EXPECT_TRUE(ctrl->IsFormFreed());
  // Whether a hide is reported while the window is torn down is the toolkit's
  // business; the rest comes in this order.
  codes.removeAll(int(ncFormHide));
  EXPECT_EQ(codes, (QList<int>{ncFormCreated, ncFormShow, ncFormClose, ncFormDestroy}));
}

TEST(ShellSession, RunsTheProgramUntilItsWindowCloses) {
  TTempSuite suite(QStringLiteral(VANTOR_BIN_DIR));
  TShellSession session(ParseShellOptions({"vantor", "--user", "DS", "--company", "C01", "--database", "DEMO", "RTNI01"}));
  ASSERT_TRUE(session.Start());
  ASSERT_NE(session.Controller(), nullptr);
  EXPECT_TRUE(session.Controller()->GetVisible());
  // The manager handed to the module answers the version every module checks first.
  EXPECT_EQ(DispCall(session.Controller()->HostObject, QStringLiteral("DependencyVersion")).toInt(), 8000);
  QWidget* window = QApplication::activeWindow();
  if (!window) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible()) window = w;
  }
  ASSERT_NE(window, nullptr);
  window->close();  // the user closes the program's window
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(session.Finished());
  EXPECT_TRUE(session.Controller()->IsFormFreed());
  // Freeing again after the user closed it does nothing.
  session.Controller()->FreeForm(0);
  EXPECT_EQ(session.Notifications().last(), int(ncFormDestroy));
}
