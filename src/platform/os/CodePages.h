// Code pages: the system's ANSI code page and conversions between the bytes
// of a code page and Unicode text, as the system routines of the platform the
// program was written for provide them.
//
// Conversions run through the C library's iconv. They never fail on content:
// a byte sequence that is invalid in the code page becomes U+FFFD (one per
// offending byte), a character the code page cannot hold becomes "?" (one
// per character, a surrogate pair being one character). A code page iconv
// does not know raises EConvertError naming it.
//
// Code page 0 (CP_ACP) stands for SystemCodePage() and is resolved before
// anything else, so hooks and iconv only ever see real numbers.
//
// One process-wide hook chain lets a code-page fix take over conversions
// while it is installed: every conversion asks the installed hooks first,
// the most recently installed one first; the first that reports it handled
// the conversion gives the result. A hook that wants the plain conversion
// for its own work calls the Raw functions, which no hook sees. Hooks may be
// installed and removed from any thread; conversions may run on any thread.
#pragma once

#include <QByteArray>
#include <QString>

namespace vantor {

inline constexpr int CP_ACP = 0;
inline constexpr int CP_UTF8 = 65001;

// The number of the ANSI code page: $VANTOR_CODEPAGE when it is set to a
// number, else derived from the code set of the process's locale (see
// CodePageOfCodeSet).
int SystemCodePage();

// Windows code page of a locale code set name: GB2312/GBK/GB18030 → 936,
// BIG5 family → 950, UTF-8 → 65001, a few other obvious ones (Windows
// "CP125x", ISO-8859-1 → 1252, Shift_JIS → 932, ...), anything else 437.
int CodePageOfCodeSet(const QByteArray& codeSet);

// The iconv name for a code page ("CP936", "CP950", "CP437", "UTF-8",
// "GB18030" for 54936, else "CP" and the number).
QByteArray IconvNameOfCodePage(int codePage);

QString MultiByteToWideChar(int codePage, const QByteArray& bytes);
QByteArray WideCharToMultiByte(int codePage, const QString& text);

// The conversions without any hook.
QString RawMultiByteToWideChar(int codePage, const QByteArray& bytes);
QByteArray RawWideCharToMultiByte(int codePage, const QString& text);

// Bytes the text takes in the code page (after hooks, "?" counting one).
qsizetype AnsiByteLength(int codePage, const QString& text);

class TCodePageHook {
public:
  virtual ~TCodePageHook() = default;
  // Return true and fill the result to take over the conversion; false lets
  // the next hook, or the plain conversion, do it. codePage is never 0.
  virtual bool ToWide(int codePage, const QByteArray& bytes, QString& result) = 0;
  virtual bool ToMultiByte(int codePage, const QString& text, QByteArray& result) = 0;
};

// The hook stays owned by the caller and must outlive its installation.
// Installing a hook that is already installed does nothing.
void InstallCodePageHook(TCodePageHook* hook);
// Removes that hook wherever it is in the chain; unknown hooks are ignored.
void RemoveCodePageHook(TCodePageHook* hook);
bool IsCodePageHookInstalled(const TCodePageHook* hook);

}  // namespace vantor
