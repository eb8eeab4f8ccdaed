// The notice band's standing lines, shown while no notice needs the band:
// on a first start the keys to walk, confirm, pause and leave, until the
// first game starts; while a recording is watched its name, its speed
// and the keys that pause and stop it.
#include "platform/desktop/key_prompts.h"
#include "platform/sdl/sdl_key_names.h"
#include "platform/sdl/sdl_window.h"

namespace kolvar {

void SdlWindow::StandFirstStartKeys() {
  notices_.Stand(KeysHelpLine(settings_, SdlKeyNames()));
}

// Called at each poll of Esc, which only a game polls (from its first
// frame on): the keys' line has done its work once a game starts.
void SdlWindow::EndFirstStartKeys() {
  if (!first_start_keys_ || !watching_.empty()) return;
  first_start_keys_ = false;
  notices_.Stand("");
}

void SdlWindow::StandWatching(int speed) {
  notices_.Stand(WatchingLine(watching_, speed, settings_, SdlKeyNames()));
}

}  // namespace kolvar
