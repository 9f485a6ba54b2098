// The wide-char fix as a hook of the process-wide code-page conversions:
// every conversion of the process asks the hook chain first, and this hook
// takes over code page 950 only, leaving every other code page to the chain.
// Text between the reserved pairs goes through the plain conversion, so the
// rest of a text converts exactly as it would without the fix.
#include "language/FixWideCharCodepage.h"

#include "platform/os/CodePages.h"
#include "platform/os/Registry.h"
#include "support/VantorINI.h"

namespace vantor {

namespace {

constexpr int kBig5CodePage = 950;

class TWideCharFixHook : public TCodePageHook {
public:
  bool ToWide(int codePage, const QByteArray& bytes, QString& result) override {
    if (codePage != kBig5CodePage)
      return false;
    result.clear();
    result.reserve(bytes.size());
    QByteArray run;  // bytes the plain conversion takes as they are
    for (qsizetype i = 0; i < bytes.size(); ++i) {
      const quint8 lead = quint8(bytes[i]);
      if (lead > 128 && i + 1 < bytes.size()) {
        const quint8 trail = quint8(bytes[i + 1]);
        ++i;
        if (const auto codePoint = KBig5PairToCodePoint(lead, trail)) {
          result += RawMultiByteToWideChar(kBig5CodePage, run);
          run.clear();
          result += QChar(*codePoint);
          continue;
        }
        run.append(char(lead)).append(char(trail));
        continue;
      }
      run.append(char(lead));
    }
    result += RawMultiByteToWideChar(kBig5CodePage, run);
    return true;
  }

  bool ToMultiByte(int codePage, const QString& text, QByteArray& result) override {
    if (codePage != kBig5CodePage)
      return false;
    result.clear();
    result.reserve(text.size() * 2);
    QString run;
    for (QChar c : text) {
      if (const auto pair = CodePointToKBig5Pair(c.unicode())) {
        result += RawWideCharToMultiByte(kBig5CodePage, run);
        run.clear();
        result.append(char(pair->first)).append(char(pair->second));
        continue;
      }
      run += c;
    }
    result += RawWideCharToMultiByte(kBig5CodePage, run);
    return true;
  }
};

// Defined before the unit object below, so it outlives it.
TWideCharFixHook hookInstance;

TWideCharFixHook& Hook() { return hookInstance; }

// Installs the fix when the module is loaded and removes it when the module
// is unloaded (static objects of a shared library live exactly that long).
struct TWideCharFixUnit {
  TWideCharFixUnit() {
    try {
      InstallWideCharFix();
    } catch (...) {
      // A configuration that cannot be read leaves conversions as they are.
    }
  }
  ~TWideCharFixUnit() { RemoveWideCharFix(); }
};

const TWideCharFixUnit unit;

}  // namespace

std::optional<char16_t> KBig5PairToCodePoint(quint8 lead, quint8 trail) {
  if (lead >= 129 && trail >= 128 && trail <= 160)
    return char16_t((trail + 32) * 256 + (lead - 128));
  if (lead == 163 && ((trail >= 192 && trail <= 223) || (trail >= 225 && trail <= 254)))
    return char16_t(49408 + (trail - 191));
  return std::nullopt;
}

std::optional<std::pair<quint8, quint8>> CodePointToKBig5Pair(char16_t codePoint) {
  const int high = codePoint >> 8;
  const int low = codePoint & 0xFF;
  // Every lead byte from 129 to 255 comes back, 255 (low byte 127) included,
  // so that nothing the way in accepted is lost on the way back.
  if (high >= 160 && high <= 192 && low >= 1 && low <= 127)
    return std::make_pair(quint8(low + 128), quint8(high - 32));
  if (high == 193 && ((low >= 1 && low <= 32) || (low >= 34 && low <= 63)))
    return std::make_pair(quint8(163), quint8(low + 191));
  return std::nullopt;
}

bool WideCharFixWanted() {
  if (SystemCodePage() != kBig5CodePage)
    return false;
  TRegistry registry(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKeyReadOnly(kVantorRegistryKey) || !registry.ValueExists(QStringLiteral("UseKBIG5")))
    return true;
  return registry.ReadString(QStringLiteral("UseKBIG5")).trimmed() != QLatin1String("0");
}

bool InstallWideCharFix() {
  if (!IsWideCharFixInstalled() && WideCharFixWanted())
    InstallCodePageHook(&Hook());
  return IsWideCharFixInstalled();
}

void RemoveWideCharFix() { RemoveCodePageHook(&Hook()); }

bool IsWideCharFixInstalled() { return IsCodePageHookInstalled(&Hook()); }

}  // namespace vantor
