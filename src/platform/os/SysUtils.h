// Small operating-system services with the names the program uses for them:
// the login name, the temporary folder, opening a file with the desktop's
// program for it, loading libraries, the file name of the loaded module that
// holds a piece of code, and file-name helpers. Paths are POSIX paths; "/"
// plays the part of the path delimiter.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QLibrary;

namespace vantor {

// The name the user logged in with ("" when the system knows none).
QString GetUserName();
// The temporary folder, always ending in "/".
QString GetTempPath();

// Opens a file, folder or URL with the desktop's program for it; returns
// whether the desktop accepted the request. A path that is no URL is taken
// as a local file.
bool ShellExecute(const QString& pathOrUrl);

// The function that ShellExecute hands its URL to; replaceable so that tests
// (and headless servers) can see the request without starting a program.
using TShellOpener = std::function<bool(const QUrl&)>;
// Installs an opener for the lifetime of the scope, then puts the previous
// one back.
class TShellOpenerScope {
public:
  explicit TShellOpenerScope(TShellOpener opener);
  ~TShellOpenerScope();
  TShellOpenerScope(const TShellOpenerScope&) = delete;
  TShellOpenerScope& operator=(const TShellOpenerScope&) = delete;

private:
  TShellOpener previous_;
};

// A loaded library. Null when loading failed; LastLibraryError() then says
// why, in the words of the dynamic loader.
using HMODULE = QLibrary*;
HMODULE LoadLibrary(const QString& path);
QString LastLibraryError();
// The address of an exported symbol, or null (LastLibraryError says why).
void* GetProcAddress(HMODULE module, const char* name);
// Releases the handle; the library is unloaded when no handle holds it.
bool FreeLibrary(HMODULE module);

// Full path of the executable or shared library whose code or data holds the
// address; "" when the address lies in no loaded module.
QString ModuleFileNameOf(const void* addressInsideModule);

// True for an existing file that is not a directory.
bool FileExists(const QString& fileName);
bool DirectoryExists(const QString& directory);
// Creates the folder and every missing parent; true when it exists after.
bool ForceDirectories(const QString& directory);
QString IncludeTrailingPathDelimiter(const QString& path);
QString ExcludeTrailingPathDelimiter(const QString& path);
// The folder part with its trailing "/" ("" for a bare name).
QString ExtractFilePath(const QString& fileName);
QString ExtractFileName(const QString& fileName);
// The extension with its dot ("" when the name has none).
QString ExtractFileExt(const QString& fileName);
// Replaces the extension (with its dot) of the name part, or appends one.
QString ChangeFileExt(const QString& fileName, const QString& extension);

}  // namespace vantor
