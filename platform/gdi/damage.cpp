// A surface's damage: one column span per row, grown by every drawing call and emptied when a
// host has presented it.
#include "gdi/surface.h"

#include <algorithm>

namespace orvel::gdi {

void Surface::AddDamage(int left, int top, int right, int bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width);
  bottom = std::min(bottom, height);
  if (left >= right || top >= bottom) return;
  if (spanLeft.size() != static_cast<size_t>(height)) {
    spanLeft.assign(height, width);
    spanRight.assign(height, 0);
    damageTop = damageBottom = 0;
  }
  if (HasDamage()) {
    damageTop = std::min(damageTop, top);
    damageBottom = std::max(damageBottom, bottom);
  } else {
    damageTop = top;
    damageBottom = bottom;
  }
  for (int y = top; y < bottom; ++y) {
    spanLeft[y] = std::min(spanLeft[y], left);
    spanRight[y] = std::max(spanRight[y], right);
  }
}

void Surface::ClearDamage() {
  for (int y = damageTop; y < damageBottom; ++y) {
    spanLeft[y] = width;
    spanRight[y] = 0;
  }
  damageTop = damageBottom = 0;
}

bool Surface::IsDamaged(int x, int y) const {
  if (y < damageTop || y >= damageBottom) return false;
  return x >= spanLeft[y] && x < spanRight[y];
}

std::vector<RECT> Surface::DamageRects() const {
  std::vector<RECT> rects;
  RECT run{0, 0, 0, 0};
  bool open = false;
  for (int y = damageTop; y < damageBottom; ++y) {
    const int l = spanLeft[y], r = spanRight[y];
    if (l >= r) continue;
    if (open && run.bottom == y && l <= run.right && r >= run.left) {
      run.left = std::min<LONG>(run.left, l);
      run.right = std::max<LONG>(run.right, r);
      run.bottom = y + 1;
      continue;
    }
    if (open) rects.push_back(run);
    run = RECT{l, y, r, y + 1};
    open = true;
  }
  if (open) rects.push_back(run);
  return rects;
}

}  // namespace orvel::gdi
