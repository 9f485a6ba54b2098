// Operating-system services: paths, folders, the desktop opener, libraries
// and the module file name of an address.
#include "platform/os/SysUtils.h"
#include "platform/ui/DialogHost.h"
#include "util/QtPrinters.h"
#include "util/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;

namespace {

TEST(PathTest, FileNameHelpers) {
  const struct {
    const char* Path;
    const char* FilePath;
    const char* FileName;
    const char* Ext;
    const char* WithIni;
  } cases[] = {
      {"/opt/suite/C_PKG/RTNI01C.so", "/opt/suite/C_PKG/", "RTNI01C.so", ".so", "/opt/suite/C_PKG/RTNI01C.ini"},
      {"/opt/suite.d/readme", "/opt/suite.d/", "readme", "", "/opt/suite.d/readme.ini"},
      {"name.tar.gz", "", "name.tar.gz", ".gz", "name.tar.ini"},
      {"/opt/suite/", "/opt/suite/", "", "", "/opt/suite/.ini"},
      {"", "", "", "", ".ini"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.Path), c.FilePath) << c.Path;
    EXPECT_EQ(ExtractFileName(c.Path), c.FileName) << c.Path;
    EXPECT_EQ(ExtractFileExt(c.Path), c.Ext) << c.Path;
    EXPECT_EQ(ChangeFileExt(c.Path, ".ini"), c.WithIni) << c.Path;
  }
  EXPECT_EQ(ChangeFileExt("/a/b.log", ""), "/a/b");
}

TEST(PathTest, TrailingDelimiter) {
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/suite"), "/opt/suite/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/suite/"), "/opt/suite/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/opt/suite/"), "/opt/suite");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(FolderTest, ExistsAndForce) {
  QTemporaryDir dir;
  const QString file = dir.filePath("f.txt");
  WriteFileBytes(file, "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(dir.path())) << "a folder is no file";
  EXPECT_FALSE(FileExists(dir.filePath("missing")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DirectoryExists(dir.path()));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(DirectoryExists(""));

  const QString deep = dir.filePath("a/b/c");
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep)) << "an existing folder is success";
  EXPECT_FALSE(ForceDirectories(file + "/sub")) << "a file blocks the way";
  EXPECT_FALSE(ForceDirectories(""));
}

TEST(FolderTest, TempPathAndUser) {
  QTemporaryDir dir;
  TScopedEnv env("TMPDIR", dir.path().toLocal8Bit());
  EXPECT_EQ(GetTempPath(), dir.path() + "/");
  EXPECT_FALSE(GetUserName().isEmpty());
  EXPECT_FALSE(GetUserName().contains('/'));
}

class ShellExecuteTest : public ::testing::Test {
protected:
  QList<QUrl> opened_;
  bool answer_ = true;
  TShellOpenerScope scope_{[this](const QUrl& url) {
    opened_.append(url);
    return answer_;
  }};
};

TEST_F(ShellExecuteTest, PathsBecomeFileUrls) {
  EXPECT_TRUE(ShellExecute("/tmp/report 1.xls"));
  EXPECT_TRUE(ShellExecute("relative.xls"));
  EXPECT_TRUE(ShellExecute("https://example.invalid/help?x=1"));
  EXPECT_TRUE(ShellExecute("mailto:someone@example.invalid"));
  ASSERT_EQ(opened_.size(), 4);
  EXPECT_EQ(opened_[0], QUrl::fromLocalFile("/tmp/report 1.xls"));
  EXPECT_EQ(opened_[1], QUrl::fromLocalFile(QDir::current().absoluteFilePath("relative.xls")));
  EXPECT_EQ(opened_[2], QUrl("https://example.invalid/help?x=1"));
  EXPECT_EQ(opened_[3].scheme(), "mailto");
}

TEST_F(ShellExecuteTest, ReportsRefusalAndIgnoresEmptyPaths) {
  answer_ = false;
  EXPECT_FALSE(ShellExecute("/tmp/x.xls"));
  EXPECT_FALSE(ShellExecute("  "));
  EXPECT_EQ(opened_.size(), 1);
}

TEST_F(ShellExecuteTest, ScopesNestAndRestore) {
  QList<QUrl> inner;
  {
    TShellOpenerScope scope([&](const QUrl& url) {
      inner.append(url);
      return true;
    });
    ShellExecute("/a");
  }
  ShellExecute("/b");
  EXPECT_EQ(inner, QList<QUrl>({QUrl::fromLocalFile("/a")}));
  EXPECT_EQ(opened_, QList<QUrl>({QUrl::fromLocalFile("/b")}));
}

int gLocalData = 7;

TEST(ModuleTest, ModuleFileNameOfAddresses) {
  // The default dialog host is an object inside the platform library.
  const QString platform = ModuleFileNameOf(TDialogHost::Current());
  EXPECT_TRUE(platform.endsWith("/libvplatform.so")) << platform.toStdString();
  EXPECT_TRUE(QFileInfo(platform).isAbsolute());
  EXPECT_TRUE(FileExists(platform));
  EXPECT_EQ(QFileInfo(ModuleFileNameOf(&gLocalData)).canonicalFilePath(),
            QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
  EXPECT_EQ(ModuleFileNameOf(nullptr), "");
}

TEST(ModuleTest, LoadLibraryResolvesAndReportsErrors) {
  const QString platform = ModuleFileNameOf(TDialogHost::Current());
  HMODULE module = LoadLibrary(platform);
  ASSERT_NE(module, nullptr) << LastLibraryError().toStdString();
  EXPECT_TRUE(LastLibraryError().isEmpty());
  void* abort = GetProcAddress(module, "_ZN6vantor5AbortEv");
  ASSERT_NE(abort, nullptr) << LastLibraryError().toStdString();
  EXPECT_EQ(ModuleFileNameOf(abort), platform);
  EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
  EXPECT_TRUE(LastLibraryError().contains("NoSuchExport")) << LastLibraryError().toStdString();
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_FALSE(FreeLibrary(nullptr));

  QTemporaryDir dir;
  const QString missing = dir.filePath("missing.so");
  EXPECT_EQ(LoadLibrary(missing), nullptr);
  EXPECT_TRUE(LastLibraryError().contains("missing.so")) << LastLibraryError().toStdString();
  const QString notALibrary = dir.filePath("text.so");
  WriteFileBytes(notALibrary, "just text");
  EXPECT_EQ(LoadLibrary(notALibrary), nullptr);
  EXPECT_FALSE(LastLibraryError().isEmpty());
  EXPECT_EQ(GetProcAddress(nullptr, "x"), nullptr);
}

}  // namespace
