// Code pages through iconv, and the process-wide conversion hook chain.
#include "platform/os/CodePages.h"

#include "platform/os/Exceptions.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <cerrno>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace vantor {

namespace {

// UTF-16 in the byte order of this machine, so QString's buffer can be
// handed to iconv as it is.
const char* NativeUtf16() { return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-16LE" : "UTF-16BE"; }

// iconv descriptors are costly to open and not shareable between threads:
// each thread keeps its own, one per code page and direction.
class TIconvCache {
public:
  ~TIconvCache() {
    for (auto& [key, cd] : handles_)
      iconv_close(cd);
  }
  iconv_t Get(int codePage, bool toWide) {
    const auto key = std::make_pair(codePage, toWide);
    auto it = handles_.find(key);
    if (it == handles_.end()) {
      const QByteArray name = IconvNameOfCodePage(codePage);
      iconv_t cd = toWide ? iconv_open(NativeUtf16(), name.constData())
                          : iconv_open(name.constData(), NativeUtf16());
      if (cd == iconv_t(-1))
        throw EConvertError(QStringLiteral("Code page %1 (%2) is not supported on this system")
                                .arg(codePage)
                                .arg(QString::fromLatin1(name)));
      it = handles_.emplace(key, cd).first;
    }
    iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return it->second;
  }

private:
  std::map<std::pair<int, bool>, iconv_t> handles_;
};

iconv_t IconvFor(int codePage, bool toWide) {
  thread_local TIconvCache cache;
  return cache.Get(codePage, toWide);
}

int ResolveCodePage(int codePage) { return codePage == CP_ACP ? SystemCodePage() : codePage; }

// Runs the whole input through iconv, growing the output as needed. Where
// iconv stops at a sequence it cannot convert, substitute(in, inLeft) gives
// the bytes to write instead and how many input bytes to skip.
template <class Substitute>
QByteArray RunIconv(iconv_t cd, const char* data, size_t size, size_t initialOut, Substitute substitute) {
  QByteArray out(qsizetype(initialOut), Qt::Uninitialized);
  char* in = const_cast<char*>(data);
  size_t inLeft = size;
  size_t used = 0;
  bool flushing = false;
  for (;;) {
    char* to = out.data() + used;
    size_t toLeft = size_t(out.size()) - used;
    const size_t rc = flushing ? iconv(cd, nullptr, nullptr, &to, &toLeft) : iconv(cd, &in, &inLeft, &to, &toLeft);
    used = size_t(to - out.data());
    if (rc != size_t(-1)) {
      if (flushing)
        break;
      flushing = true;
      continue;
    }
    const int error = errno;
    if (error == E2BIG) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    if (flushing || (error != EILSEQ && error != EINVAL))
      throw EConvertError(QStringLiteral("Text conversion failed: %1").arg(QString::fromLocal8Bit(strerror(error))));
    const auto [standIn, skip] = substitute(in, inLeft);
    if (size_t(out.size()) - used < size_t(standIn.size()))
      out.resize(out.size() * 2 + standIn.size());
    memcpy(out.data() + used, standIn.constData(), size_t(standIn.size()));
    used += size_t(standIn.size());
    in += std::min(skip, inLeft);
    inLeft -= std::min(skip, inLeft);
  }
  out.truncate(qsizetype(used));
  return out;
}

// The installed hooks, newest last. Readers take a snapshot of the list, so
// installing or removing never changes a list another thread is walking.
struct THookChain {
  std::mutex Lock;
  std::shared_ptr<const std::vector<TCodePageHook*>> Hooks = std::make_shared<std::vector<TCodePageHook*>>();
};

THookChain& Chain() {
  static THookChain chain;
  return chain;
}

std::shared_ptr<const std::vector<TCodePageHook*>> HookSnapshot() {
  std::lock_guard<std::mutex> guard(Chain().Lock);
  return Chain().Hooks;
}

int LocaleCodePage() {
  locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t(0));
  if (locale == locale_t(0))
    return 437;
  const QByteArray codeSet(nl_langinfo_l(CODESET, locale));
  freelocale(locale);
  return CodePageOfCodeSet(codeSet);
}

}  // namespace

int CodePageOfCodeSet(const QByteArray& codeSet) {
  static const QHash<QByteArray, int> table = {
      {"GB2312", 936},   {"GBK", 936},       {"GB18030", 936},   {"EUCCN", 936},     {"CP936", 936},
      {"BIG5", 950},     {"BIG5HKSCS", 950}, {"CP950", 950},     {"EUCTW", 950},     {"UTF8", 65001},
      {"ISO88591", 1252}, {"ISO885915", 1252}, {"ISO88592", 1250}, {"ISO88595", 1251}, {"KOI8R", 1251},
      {"ISO88597", 1253}, {"ISO88599", 1254}, {"ISO88598", 1255}, {"ISO88596", 1256}, {"ISO885913", 1257},
      {"SHIFTJIS", 932}, {"SJIS", 932},      {"EUCJP", 932},     {"EUCKR", 949},     {"TIS620", 874},
  };
  QByteArray key = codeSet.trimmed().toUpper();
  key.replace('-', QByteArray()).replace('_', QByteArray());
  const auto it = table.constFind(key);
  if (it != table.constEnd())
    return it.value();
  for (const char* prefix : {"CP", "WINDOWS"}) {
    if (key.startsWith(prefix)) {
      bool ok = false;
      const int number = key.mid(qstrlen(prefix)).toInt(&ok);
      if (ok && number >= 1250 && number <= 1258)
        return number;
    }
  }
  return 437;
}

int SystemCodePage() {
  bool ok = false;
  const int fromEnv = qEnvironmentVariable("VANTOR_CODEPAGE").trimmed().toInt(&ok);
  if (ok && fromEnv > 0)
    return fromEnv;
  static const int fromLocale = LocaleCodePage();
  return fromLocale;
}

QByteArray IconvNameOfCodePage(int codePage) {
  switch (codePage) {
    case 936: return "CP936";
    case 950: return "CP950";
    case 437: return "CP437";
    case 54936: return "GB18030";
    case CP_UTF8: return "UTF-8";
    default: return "CP" + QByteArray::number(codePage);
  }
}

QString RawMultiByteToWideChar(int codePage, const QByteArray& bytes) {
  iconv_t cd = IconvFor(ResolveCodePage(codePage), true);
  const QChar replacement = QChar::ReplacementCharacter;
  const QByteArray standIn(reinterpret_cast<const char*>(&replacement), sizeof(QChar));
  // Every offending byte gets its own replacement character, so one stray
  // byte never swallows the valid text behind it.
  const QByteArray utf16 = RunIconv(cd, bytes.constData(), size_t(bytes.size()), size_t(bytes.size()) * 2 + 8,
                                    [&](const char*, size_t) { return std::make_pair(standIn, size_t(1)); });
  return QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2);
}

QByteArray RawWideCharToMultiByte(int codePage, const QString& text) {
  iconv_t cd = IconvFor(ResolveCodePage(codePage), false);
  // A character the code page cannot hold becomes "?", as the system's
  // default character does; a surrogate pair is one character.
  auto substitute = [](const char* in, size_t inLeft) {
    const QChar* at = reinterpret_cast<const QChar*>(in);
    const bool pair = inLeft >= 4 && at[0].isHighSurrogate() && at[1].isLowSurrogate();
    return std::make_pair(QByteArray("?"), size_t(pair ? 4 : 2));
  };
  return RunIconv(cd, reinterpret_cast<const char*>(text.constData()), size_t(text.size()) * 2,
                  size_t(text.size()) * 4 + 8, substitute);
}

QString MultiByteToWideChar(int codePage, const QByteArray& bytes) {
  const int resolved = ResolveCodePage(codePage);
  const auto hooks = HookSnapshot();
  for (auto it = hooks->rbegin(); it != hooks->rend(); ++it) {
    QString result;
    if ((*it)->ToWide(resolved, bytes, result))
      return result;
  }
  return RawMultiByteToWideChar(resolved, bytes);
}

QByteArray WideCharToMultiByte(int codePage, const QString& text) {
  const int resolved = ResolveCodePage(codePage);
  const auto hooks = HookSnapshot();
  for (auto it = hooks->rbegin(); it != hooks->rend(); ++it) {
    QByteArray result;
    if ((*it)->ToMultiByte(resolved, text, result))
      return result;
  }
  return RawWideCharToMultiByte(resolved, text);
}

qsizetype AnsiByteLength(int codePage, const QString& text) { return WideCharToMultiByte(codePage, text).size(); }

void InstallCodePageHook(TCodePageHook* hook) {
  if (!hook)
    return;
  std::lock_guard<std::mutex> guard(Chain().Lock);
  auto hooks = std::make_shared<std::vector<TCodePageHook*>>(*Chain().Hooks);
  if (std::find(hooks->begin(), hooks->end(), hook) != hooks->end())
    return;
  hooks->push_back(hook);
  Chain().Hooks = std::move(hooks);
}

void RemoveCodePageHook(TCodePageHook* hook) {
  std::lock_guard<std::mutex> guard(Chain().Lock);
  auto hooks = std::make_shared<std::vector<TCodePageHook*>>(*Chain().Hooks);
  const auto it = std::find(hooks->begin(), hooks->end(), hook);
  if (it == hooks->end())
    return;
  hooks->erase(it);
  Chain().Hooks = std::move(hooks);
}

bool IsCodePageHookInstalled(const TCodePageHook* hook) {
  const auto hooks = HookSnapshot();
  return std::find(hooks->begin(), hooks->end(), hook) != hooks->end();
}

}  // namespace vantor
