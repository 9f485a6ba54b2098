// The wide-char code-page fix. The suite's databases may hold BIG5 byte
// pairs that code page 950 cannot map to Unicode: pairs whose trail byte
// lies from 128 to 160, and the lead byte 163 with trail bytes 192..223 and
// 225..254. Any conversion through Unicode would turn them into
// replacement characters. While the fix is installed, every code-page-950
// conversion of the process gives these pairs reserved code points on the
// way in and restores them on the way back:
//
//   lead L 129..255, trail T 128..160  ⇄  U = (T + 32) * 256 + (L - 128)
//   lead 163, trail T 192..223, 225..254  ⇄  U = 49408 + (T - 191)
//
// The module installs the fix when it is loaded and removes it when it is
// unloaded, and only on a system whose code page is 950 with the registry
// value "UseKBIG5" of the suite's key not "0" (a missing key or value
// counts as on). Conversions with other code pages are not touched.
#pragma once

#include <QtGlobal>
#include <optional>
#include <utility>

namespace vantor {

// The reserved code point of a pair, or none when the pair is not one of them.
std::optional<char16_t> KBig5PairToCodePoint(quint8 lead, quint8 trail);
// The pair of a reserved code point, or none.
std::optional<std::pair<quint8, quint8>> CodePointToKBig5Pair(char16_t codePoint);

// The two conditions: system code page 950 and "UseKBIG5" not "0".
bool WideCharFixWanted();
// Installs the fix when it is wanted and not yet installed; answers whether
// it is installed afterwards.
bool InstallWideCharFix();
// Removes the fix if this module installed it.
void RemoveWideCharFix();
bool IsWideCharFixInstalled();

}  // namespace vantor
