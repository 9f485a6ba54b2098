// The configuration readers against real registry and ini files of a
// temporary suite folder: code pages and modes, server list, profiles,
// package folders, server database settings and the error codes.
#include "support/VantorINI.h"

#include "platform/os/SysUtils.h"
#include "platform/variant/Variants.h"
#include "support/ZaRERAvivududiU.h"
#include "SupportFixture.h"

#include <QDir>

namespace vantor::test {
namespace {

class VantorIniTest : public TSupportTest {
protected:
  void SetUp() override {
    TSupportTest::SetUp();
    WriteRegistry(QStringLiteral("ClientPath=%1\nServerPath=%1\nProfileType=0\n").arg(SuitePath()));
  }
  TEnvScope codePage_{"VANTOR_CODEPAGE", "936"};
};

TEST_F(VantorIniTest, CodePagesAndConvertModes) {
  struct Case {
    const char* system;
    const char* iniCodePages;  // lines of the [CodePage] section
    const char* systemText, *ui, *db;
    int uiMode, dbMode;
  } cases[] = {
      {"1252", "", "437", "437", "936", 0, 0},
      {"65001", "", "437", "437", "936", 0, 0},
      {"936", "", "936", "936", "936", 0, 0},
      {"950", "", "950", "950", "936", 2, 2},
      {"936", "UICodePage=950\nDBCodePage=936\n", "936", "950", "936", 2, 2},
      {"950", "UICodePage=936\nDBCodePage=950\n", "950", "936", "950", 4, 1},
      {"936", "UICodePage=936\nDBCodePage=950\n", "936", "936", "950", 0, 1},
      {"936", "UICodePage=437\n", "936", "437", "936", 0, 0},
      // Code pages compare as exact text.
      {"936", "UICodePage=0950\n", "936", "0950", "936", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.system) + " / " + c.iniCodePages);
    TEnvScope system("VANTOR_CODEPAGE", c.system);
    WriteClientIni(QStringLiteral("[CodePage]\n") + QString::fromLatin1(c.iniCodePages));
    const TVantorIniC ini;
    EXPECT_EQ(ini.SystemCodePage, QLatin1String(c.systemText));
    EXPECT_EQ(ini.UICodePage, QLatin1String(c.ui));
    EXPECT_EQ(ini.DBCodePage, QLatin1String(c.db));
    EXPECT_EQ(ini.UIConvertMode, c.uiMode);
    EXPECT_EQ(ini.DBConvertMode, c.dbMode);
  }
}

TEST_F(VantorIniTest, ServerListFromComputerNameAndPort) {
  struct Case {
    const char* lines;
    QStringList hosts;
    int port;
  } cases[] = {
      {"", {"127.0.0.1"}, 211},
      {"ComputerName=srv1;srv2;\nServerPort=2100\n", {"srv1", "srv2"}, 2100},
      {"ComputerName=  srv1  \n", {"srv1"}, 211},
      {"ComputerName=srv1;;srv3\n", {"srv1", "", "srv3"}, 211},
      {"ComputerName=srv1; srv2\n", {"srv1", "srv2"}, 211},
      {"ComputerName=srv1;;\n", {"srv1", ""}, 211},
      // A port that is no number takes the default and the rest still reads.
      {"ComputerName=srv1\nServerPort=twelve\n", {"srv1"}, 211},
      {"ComputerName=srv1\nServerPort=\n", {"srv1"}, 211},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    WriteClientIni(QStringLiteral("[Server Information]\n") + QString::fromLatin1(c.lines) +
                   QStringLiteral("[Client Components]\nLangType=CHT\n"));
    const TVantorIniC ini;
    EXPECT_TRUE(ini.ErrorCode.isEmpty());
    ASSERT_TRUE(VarIsMatrix(ini.ServerList));
    const TVarMatrix list = VarToMatrix(ini.ServerList);
    EXPECT_EQ(list.Low(1), 0);
    EXPECT_EQ(list.High(1), 1);
    ASSERT_EQ(list.Count(2), c.hosts.size());
    for (int i = 0; i < c.hosts.size(); ++i) {
      EXPECT_EQ(list(0, i).toString(), c.hosts[i]);
      EXPECT_EQ(list(1, i).toInt(), c.port);
    }
    EXPECT_EQ(ini.LangType, QLatin1String("CHT"));
  }
}

TEST_F(VantorIniTest, EmptyHostTextIsErrorSixteen) {
  for (const char* value : {"", ";", "   ", " ; "}) {
    SCOPED_TRACE(value);
    WriteClientIni(QStringLiteral("[Server Information]\nComputerName=%1\n[WorkDLLPath]\nA=pkg\n[UserDefine]\n"
                                  "CreateGifBeforeSendEF=N\n")
                       .arg(QLatin1String(value)));
    TVantorIniC ini;
    EXPECT_EQ(ini.ErrorCode, kErrNoServerHost);
    EXPECT_FALSE(ini.ReadSettings());
    EXPECT_FALSE(ini.ServerList.isValid());
    EXPECT_EQ(ini.CreateGifBeforeSendEF, QLatin1String("N"));
    // The package folders are usable even without a server host.
    EXPECT_EQ(ini.WorkDLLPaths, QStringList{SuitePath() + "pkg/"});
  }
}

TEST_F(VantorIniTest, MissingRegistryKeyKeepsDefaults) {
  WriteFile(QStringLiteral("vantor.reg"), QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Other]\nClientPath=/x/\n"));
  TVantorIniC ini;
  EXPECT_EQ(ini.ErrorCode, kErrNoRegistryKey);
  EXPECT_FALSE(ini.ReadSettings());
  EXPECT_TRUE(ini.ClientPath.isEmpty());
  EXPECT_TRUE(ini.WorkPath.isEmpty());
  EXPECT_TRUE(ini.IniFileName.isEmpty());
  EXPECT_FALSE(ini.ServerList.isValid());
  EXPECT_TRUE(ini.WorkDLLPaths.isEmpty());
  EXPECT_EQ(ini.UserName, QLatin1String("Default"));
  EXPECT_EQ(ini.ProfileType, QLatin1String("0"));
  EXPECT_EQ(ini.UICodePage, QLatin1String("936"));
  EXPECT_EQ(ini.LangType, QLatin1String("ENG"));

  TVantorIniS server;
  EXPECT_EQ(server.ErrorCode, kErrNoRegistryKey);
  EXPECT_TRUE(server.ServerPath.isEmpty());
}

TEST_F(VantorIniTest, EmptyClientPathStopsWithoutErrorCode) {
  WriteRegistry(QStringLiteral("ClientPath=\nProfileType=0\n"));
  TVantorIniC ini;
  EXPECT_FALSE(ini.ReadSettings());
  EXPECT_TRUE(ini.ErrorCode.isEmpty());
  EXPECT_FALSE(ini.ServerList.isValid());
}

TEST_F(VantorIniTest, MissingOrUnreadableIniGivesEveryDefault) {
  RemoveFile(QStringLiteral("VantorC.ini"));
  for (bool asFolder : {false, true}) {
    SCOPED_TRACE(asFolder ? "ini is a folder" : "ini missing");
    if (asFolder) QDir(SuitePath()).mkdir(QStringLiteral("VantorC.ini"));
    TVantorIniC ini;
    EXPECT_TRUE(ini.ReadSettings());
    EXPECT_TRUE(ini.ErrorCode.isEmpty());
    EXPECT_EQ(ini.IniFileName, SuitePath() + "VantorC.ini");
    EXPECT_EQ(ini.LangType, QLatin1String("ENG"));
    EXPECT_EQ(ini.CreateGifBeforeSendEF, QLatin1String("Y"));
    EXPECT_EQ(ini.AutoCheckNewMsg + ini.CheckInterval + ini.PopupMsg + ini.LoginCheck, QLatin1String("1110"));
    EXPECT_FALSE(ini.SupportCallBack);
    EXPECT_EQ(ini.WorkDLLPaths, QStringList{SuitePath() + "C_PKG/"});
    const TVarMatrix list = VarToMatrix(ini.ServerList);
    EXPECT_EQ(list(0, 0).toString(), QLatin1String("127.0.0.1"));
    EXPECT_EQ(list(1, 0).toInt(), 211);
  }
}

TEST_F(VantorIniTest, ClientPathGetsTrailingSeparator) {
  const QString withoutSlash = SuitePath().chopped(1);
  WriteRegistry(QStringLiteral("ClientPath=%1\n").arg(withoutSlash));
  const TVantorIniC ini;
  EXPECT_EQ(ini.ClientPath, SuitePath());
  EXPECT_EQ(ini.WorkPath, SuitePath());
}

TEST_F(VantorIniTest, ProfileFolderWinsWhenItHasTheIni) {
  const QString login = GetUserName();
  WriteRegistry(QStringLiteral("ClientPath=%1\nProfileType=1\n").arg(SuitePath()));
  WriteClientIni(QStringLiteral("[Client Components]\nLangType=CHS\n"));
  {
    const TVantorIniC ini;  // no profile file: the install folder's is read
    EXPECT_EQ(ini.UserName, login);
    EXPECT_EQ(ini.WorkPath, SuitePath());
    EXPECT_EQ(ini.IniFileName, SuitePath() + "VantorC.ini");
    EXPECT_EQ(ini.LangType, QLatin1String("CHS"));
    EXPECT_EQ(ini.ProfileType, QLatin1String("1"));
  }
  const QString profile = QStringLiteral("Profile/") + login + QLatin1Char('/');
  ASSERT_TRUE(QDir(SuitePath()).mkpath(profile));
  WriteFile(profile + "VantorC.ini", QStringLiteral("[Client Components]\nLangType=ENG\n"));
  const TVantorIniC ini;
  EXPECT_EQ(ini.WorkPath, SuitePath() + profile);
  EXPECT_EQ(ini.IniFileName, SuitePath() + profile + "VantorC.ini");
  EXPECT_EQ(ini.LangType, QLatin1String("ENG"));
  EXPECT_EQ(ini.ClientPath, SuitePath());
}

TEST_F(VantorIniTest, UnreadableProfileIniFallsBackToInstallFolder) {
  const QString login = GetUserName();
  WriteRegistry(QStringLiteral("ClientPath=%1\nProfileType=2\n").arg(SuitePath()));
  ASSERT_TRUE(QDir(SuitePath()).mkpath(QStringLiteral("Profile/") + login + QStringLiteral("/VantorC.ini")));
  WriteClientIni(QStringLiteral("[Client Components]\nLangType=CHT\n"));
  const TVantorIniC ini;
  EXPECT_EQ(ini.IniFileName, SuitePath() + "VantorC.ini");
  EXPECT_EQ(ini.LangType, QLatin1String("CHT"));
}

TEST_F(VantorIniTest, PackageFoldersResolveAgainstInstallFolder) {
  WriteClientIni(QStringLiteral("[WorkDLLPath]\nA=pkg\nB=\\pkg\nC=/opt/pkg\nD=\nE=sub/dir/\n"));
  const TVantorIniC ini;
  const QString base = SuitePath();
  EXPECT_EQ(ini.WorkDLLPaths,
            (QStringList{base + "pkg/", base + "pkg/", "/opt/pkg/", base, base + "sub/dir/"}));
}

TEST_F(VantorIniTest, SupportCallBackTruthTable) {
  struct Case {
    const char* value;
    bool expected;
  } cases[] = {{"1", true}, {"Y", true}, {"y", true}, {"yes", true}, {"YeS", true}, {"TRUE", true},
               {"true", true}, {"on", false}, {"0", false}, {"2", false}, {"", false}, {"no", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    WriteClientIni(QStringLiteral("[Server Information]\nSupportCallBack=%1\n").arg(QLatin1String(c.value)));
    EXPECT_EQ(TVantorIniC().SupportCallBack, c.expected);
  }
}

TEST_F(VantorIniTest, EveryReaderSeesTheCurrentFile) {
  WriteClientIni(QStringLiteral("[ProductVersion]\nVersion=9.0.1\n[TaskMessageCenter Setting]\nPopupMsg=0\n"));
  EXPECT_EQ(TVantorIniC().ProductVersion, QLatin1String("9.0.1"));
  EXPECT_EQ(TVantorIniC().PopupMsg, QLatin1String("0"));
  WriteClientIni(QStringLiteral("[productversion]\nversion=9.0.2\n"));
  EXPECT_EQ(TVantorIniC().ProductVersion, QLatin1String("9.0.2"));
  EXPECT_EQ(TVantorIniC().PopupMsg, QLatin1String("1"));
}

// --- server reader -------------------------------------------------------------------

TEST_F(VantorIniTest, ServerReaderFillsDatabaseSettings) {
  WriteServerIni(QStringLiteral(
                     "[DBE Setting]\nMainUserName=owner\nXXXXXX=%1\nMainDBType=oracle\nMainDBName=erp\n"
                     "MainServerName=dbhost\nMainConnectionTimeOut=abc\nMainCommandTimeOut=60\n"
                     "TempPassword=%2\nTempDBName=tmp\nEctPassword=%1\nOtherSystemControlAddress=ctl2\n"
                     "[DBPasswordCtrl]\nComputerName= pwhost \nServerPort=300\nSupportCallBack=Yes\n"
                     "[CodePage]\nUICodePage=950\n[WorkDLLPath]\n")
                     .arg(EncodeSQLPassword(QStringLiteral("secret")), EncodeSQLPassword(QString())));
  TVantorIniS ini;
  EXPECT_TRUE(ini.ReadSettings());
  EXPECT_EQ(ini.ServerPath, SuitePath());
  EXPECT_EQ(ini.IniFileName, SuitePath() + "VantorS.ini");
  const TVarMatrix db = VarToMatrix(ini.DBSettings);
  EXPECT_EQ(db.Count(1), 4);
  EXPECT_EQ(db.Count(2), 8);
  const struct {
    int row, column;
    QVariant value;
  } cells[] = {
      {0, 0, "Corvane"}, {0, 1, "owner"}, {0, 2, "secret"}, {0, 3, "oracle"}, {0, 4, "erp"},
      {0, 5, "dbhost"}, {0, 6, 300}, {0, 7, 60}, {1, 0, "CorvaneTemp"}, {1, 1, "sa"}, {1, 2, ""},
      {1, 3, "PARADOX"}, {1, 4, "tmp"}, {1, 5, "PostgreSQL"}, {1, 6, 300}, {1, 7, 3000},
      {2, 0, "pwhost"}, {2, 1, 300}, {2, 2, 1024}, {2, 3, "Chinese_Taiwan_Stroke_BIN"},
      {3, 0, "EDIDATA"}, {3, 1, "sa"}, {3, 2, EncodeSQLPassword(QStringLiteral("secret"))},
  };
  for (const auto& c : cells) {
    SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
    EXPECT_EQ(db(c.row, c.column).toString(), c.value.toString());
  }
  for (int column = 4; column <= 7; ++column) EXPECT_TRUE(VarIsEmpty(db(2, column)));
  for (int column = 3; column <= 7; ++column) EXPECT_TRUE(VarIsEmpty(db(3, column)));
  EXPECT_EQ(ini.DBKind, 1);
  EXPECT_EQ(ini.SystemControlAddress, QLatin1String("dbhost"));
  EXPECT_EQ(ini.OtherSystemControlAddress, QLatin1String("ctl2"));
  EXPECT_TRUE(ini.SupportCallBack);
  EXPECT_EQ(ini.UICodePage, QLatin1String("950"));
  EXPECT_EQ(ini.UIConvertMode, 2);
  EXPECT_EQ(ini.DBConvertMode, 2);
  EXPECT_EQ(ini.WorkDLLPaths, QStringList{SuitePath() + "S_PKG/"});
}

TEST_F(VantorIniTest, ServerDatabaseKindAndDamagedPassword) {
  const struct {
    const char* type;
    int kind;
  } kinds[] = {{"ORACLE", 1}, {"Db2", 2}, {"MSSQL", 0}, {"oracle8", 0}};
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.type);
    WriteServerIni(QStringLiteral("[DBE Setting]\nMainDBType=%1\nXXXXXX=zz12\n").arg(QLatin1String(k.type)));
    const TVantorIniS ini;
    EXPECT_EQ(ini.DBKind, k.kind);
    EXPECT_EQ(VarToMatrix(ini.DBSettings)(0, 2).toString(), kPasswordErrorText);
  }
}

// --- install folder ---------------------------------------------------------------------

TEST_F(VantorIniTest, InstallPathLookups) {
  const struct {
    const char* registry;
    const char* expected;  // "" when the temporary folder is the answer of the fall-back
  } cases[] = {
      {"ClientPath=/opt/client/\nServerPath=/opt/server/\n", "/opt/client/"},
      {"ClientPath=\nServerPath=/opt/server/\n", "/opt/server/"},
      {"ServerPath=/opt/server\n", "/opt/server"},
      {"ProfileType=0\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.registry);
    WriteRegistry(QString::fromLatin1(c.registry));
    EXPECT_EQ(GetInstallPath(), QLatin1String(c.expected));
    EXPECT_EQ(GetInstallPathOrTemp(), *c.expected ? QString::fromLatin1(c.expected) : GetTempPath());
  }
  WriteFile(QStringLiteral("vantor.reg"), QString());
  EXPECT_EQ(GetInstallPath(), QString());
  EXPECT_EQ(GetInstallPathOrTemp(), GetTempPath());
}

TEST(ResolvePathTest, PathsFromIniFiles) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"pkg", "/suite/pkg"}, {"\\pkg", "/suite/pkg"}, {"/opt/pkg", "/opt/pkg"}, {"", "/suite/"},
      {"a/b/", "/suite/a/b/"}, {"E:\\pkg", "/suite/E:\\pkg"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ResolvePath(QString::fromLatin1(c.path), QStringLiteral("/suite/")), QLatin1String(c.expected)) << c.path;
}

}  // namespace
}  // namespace vantor::test
