// TRegistry over the registry file: key lookup, value reading and the
// component library's answers for what is missing.
#include "platform/os/Exceptions.h"
#include "platform/os/Registry.h"
#include "util/QtPrinters.h"
#include "util/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;

namespace {

const QByteArray kRegistry =
    "[HKEY_LOCAL_MACHINE\\Software\\ZKM\\Vantor]\n"
    "ClientPath=/opt/suite/\n"
    "ProfileType=1\n"
    "UseKBIG5=0\n"
    "Count=0x20\n"
    "Words=not a number\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\ZKM\\Vantor\\Packages]\n"
    "Main=C_PKG\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\ZKM\\Vantor]\n"
    "ClientPath=/home/user/suite/\n";

class RegistryTest : public ::testing::Test {
protected:
  void WriteRegistry(const QByteArray& text) { WriteFileBytes(file_, text); }

  QTemporaryDir dir_;
  QString file_ = dir_.filePath("vantor.reg");
  TScopedEnv env_{"VANTOR_REGISTRY", file_.toLocal8Bit()};
};

TEST_F(RegistryTest, FileNameFollowsVariable) {
  EXPECT_EQ(TRegistry::FileName(), file_);
  TScopedEnv unset("VANTOR_REGISTRY", std::nullopt);
  EXPECT_EQ(TRegistry::FileName(), "/etc/zkm/vantor.reg");
}

TEST_F(RegistryTest, KeyPathsIgnoreCaseAndSurplusBackslashes) {
  WriteRegistry(kRegistry);
  for (const char* path : {"Software\\ZKM\\Vantor", "software\\zkm\\VANTOR", "\\Software\\ZKM\\Vantor",
                           "Software\\\\ZKM\\Vantor\\"}) {
    TRegistry reg(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly(path)) << path;
    EXPECT_EQ(reg.ReadString("clientpath"), "/opt/suite/") << path;
    EXPECT_EQ(reg.CurrentPath().compare("Software\\ZKM\\Vantor", Qt::CaseInsensitive), 0) << path;
  }
}

TEST_F(RegistryTest, RootKeySelectsSections) {
  WriteRegistry(kRegistry);
  TRegistry user;  // HKEY_CURRENT_USER by default
  EXPECT_EQ(user.RootKey(), HKEY_CURRENT_USER);
  ASSERT_TRUE(user.OpenKeyReadOnly("Software\\ZKM\\Vantor"));
  EXPECT_EQ(user.ReadString("ClientPath"), "/home/user/suite/");
  EXPECT_FALSE(user.ValueExists("ProfileType"));
  user.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(user.HasCurrentKey());
  EXPECT_FALSE(TRegistry(HKEY_USERS).KeyExists("Software\\ZKM\\Vantor"));
}

TEST_F(RegistryTest, ReadsValuesLikeTheComponentLibrary) {
  WriteRegistry(kRegistry);
  TRegistry reg(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey("Software\\ZKM\\Vantor", false));
  EXPECT_EQ(reg.ReadString("UseKBIG5"), "0");
  EXPECT_EQ(reg.ReadInteger("ProfileType"), 1);
  EXPECT_EQ(reg.ReadInteger("Count"), 32);
  EXPECT_FALSE(reg.ReadBool("UseKBIG5"));
  EXPECT_TRUE(reg.ReadBool("ProfileType"));
  EXPECT_TRUE(reg.ValueExists("USEKBIG5"));
  EXPECT_FALSE(reg.ValueExists("Missing"));
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.GetValueNames(), QStringList({"ClientPath", "ProfileType", "UseKBIG5", "Count", "Words"}));
  EXPECT_EQ(reg.GetKeyNames(), QStringList({"Packages"}));

  const struct {
    const char* Name;
    const char* Message;
  } failures[] = {{"Missing", "Failed to get data for 'Missing'"}, {"Words", "Invalid data type for 'Words'"}};
  for (const auto& f : failures) {
    try {
      reg.ReadInteger(f.Name);
      ADD_FAILURE() << f.Name << " must raise";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(e.Message(), f.Message);
    }
    EXPECT_THROW(reg.ReadBool(f.Name), ERegistryException);
  }
}

TEST_F(RegistryTest, MissingKeysDoNotOpen) {
  WriteRegistry(kRegistry);
  TRegistry reg(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.OpenKeyReadOnly("Software\\Other"));
  EXPECT_FALSE(reg.OpenKey("Software\\ZKM\\Vantor2", true)) << "the registry is read-only: nothing is created";
  EXPECT_FALSE(reg.HasCurrentKey());
  EXPECT_EQ(ReadFileBytes(file_), kRegistry);
  EXPECT_EQ(reg.ReadString("ClientPath"), "");
  EXPECT_THROW(reg.ReadInteger("ProfileType"), ERegistryException);
}

TEST_F(RegistryTest, ParentsOfKeysExist) {
  WriteRegistry(kRegistry);
  TRegistry reg(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(reg.KeyExists("Software"));
  EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\zkm"));
  EXPECT_FALSE(reg.KeyExists("Soft"));
  EXPECT_FALSE(reg.KeyExists("Software\\ZKM\\Vantor\\Packages\\Deeper"));
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\ZKM"));
  EXPECT_TRUE(reg.GetValueNames().isEmpty());
  EXPECT_EQ(reg.GetKeyNames(), QStringList({"Vantor"}));
}

TEST_F(RegistryTest, RelativePathsFollowOpenKey) {
  WriteRegistry(kRegistry);
  TRegistry reg(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\ZKM"));
  EXPECT_TRUE(reg.KeyExists("Vantor\\Packages"));
  ASSERT_TRUE(reg.OpenKeyReadOnly("Vantor\\Packages"));
  EXPECT_EQ(reg.ReadString("Main"), "C_PKG");
  // A leading backslash starts again from the root.
  EXPECT_FALSE(reg.OpenKeyReadOnly("\\Packages"));
  EXPECT_EQ(reg.CurrentPath(), "Software\\ZKM\\Vantor\\Packages");
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\ZKM\\Vantor"));
  EXPECT_EQ(reg.ReadString("ClientPath"), "/opt/suite/");
  reg.CloseKey();
  EXPECT_TRUE(reg.OpenKeyReadOnly("Software\\ZKM\\Vantor\\Packages"));
}

TEST_F(RegistryTest, MissingOrUnreadableFileIsEmptyRegistry) {
  TRegistry reg(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.KeyExists("Software"));
  EXPECT_FALSE(reg.OpenKeyReadOnly("Software\\ZKM\\Vantor"));
  ASSERT_TRUE(QDir(dir_.path()).mkdir("vantor.reg"));
  EXPECT_FALSE(reg.OpenKeyReadOnly("Software\\ZKM\\Vantor"));
}

TEST_F(RegistryTest, EveryOpenReadsTheFileAgain) {
  WriteRegistry(kRegistry);
  TRegistry reg(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\ZKM\\Vantor"));
  WriteRegistry("[HKEY_LOCAL_MACHINE\\Software\\ZKM\\Vantor]\nClientPath=/srv/new/\n");
  EXPECT_EQ(reg.ReadString("ClientPath"), "/opt/suite/") << "values are those of the open";
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\ZKM\\Vantor"));
  EXPECT_EQ(reg.ReadString("ClientPath"), "/srv/new/");
  EXPECT_FALSE(reg.ValueExists("ProfileType"));
}

TEST_F(RegistryTest, SectionsOfOneKeyInDifferentSpellingsMerge) {
  WriteRegistry(
      "[HKEY_LOCAL_MACHINE\\Software\\ZKM\\Vantor]\nA=1\n[hkey_local_machine\\software\\zkm\\vantor\\]\nA=2\nB=3\n");
  TRegistry reg(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\ZKM\\Vantor"));
  EXPECT_EQ(reg.ReadString("A"), "1");
  EXPECT_EQ(reg.ReadString("B"), "3");
}

}  // namespace
