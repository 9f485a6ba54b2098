// Where a double-byte pair sits in the "Language" code-table file: BIG5 pairs
// first, then GB pairs. Shared by the reader of the file and the tool that
// writes it, so the two can never disagree.
#pragma once

#include <QtGlobal>

namespace vantor {

inline constexpr int kBig5PositionCount = 14758;
inline constexpr int kGBPositionCount = 22729;

// -1 when the pair has no position.
constexpr int Big5Position(int lead, int trail) {
  if (lead < 161) return -1;
  if (trail >= 64 && trail <= 126) return (lead - 161) * 157 + (trail - 64);
  if (trail >= 161 && trail <= 254) return (lead - 161) * 157 + 63 + (trail - 161);
  return -1;
}

constexpr int GBPosition(int lead, int trail) {
  if (((lead >= 161 && lead <= 169) || (lead >= 176 && lead <= 247)) && trail >= 161 && trail <= 254)
    return (lead - 161) * 94 + (trail - 161);
  if (lead >= 129 && lead <= 160 && trail >= 64 && trail <= 254) return 8178 + (lead - 129) * 191 + (trail - 64);
  if (lead >= 170 && lead <= 254 && trail >= 64 && trail <= 160) return 14290 + (lead - 170) * 97 + (trail - 64);
  if (lead >= 168 && lead <= 169 && trail >= 64 && trail <= 160) return 22535 + (lead - 168) * 97 + (trail - 64);
  return -1;
}

}  // namespace vantor
