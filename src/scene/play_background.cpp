#include "scene/play_background.h"

#include "video/blit.h"

namespace kolvar {

void RestorePlayBackground(Game& g) {
  const SurfaceDamage& drawn = g.Crt.damage();
  if (!drawn.anywhere && g.B_Crt.damage().none()) {
    for (int i = 0; i < drawn.count; ++i) {
      const SurfaceDamage::Rect r = drawn.rects[static_cast<size_t>(i)];
      Blit(g.Crt, r.left, r.top, r.right - r.left, r.bottom - r.top, g.B_Crt, r.left, r.top);
    }
  } else {
    Blit(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0);
  }
  g.Crt.ClearDamage();
  g.B_Crt.ClearDamage();
}

}  // namespace kolvar
