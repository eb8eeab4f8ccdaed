#include "audio/music.h"

#include "core/trace.h"

namespace kolvar {

void OpenMusic(Game& game, const std::string& name) {
  TraceEvent(game, "music", R"("op":"open","file":)" + JsonString(name));
  MusicDevice& device = game.platform->Music();
  device.Close();
  device.Open(name);
}

void PlayMusic(Game& game, int16_t loop) {
  game.MusicLoop = loop;
  TraceEvent(game, "music", std::string(R"("op":"play","loop":)") + (loop ? "true" : "false"));
  game.platform->Music().Play();
}

void StopMusic(Game& game) {
  game.MusicLoop = kFalse;
  TraceEvent(game, "music", R"("op":"stop")");
  game.platform->Music().Stop();
}

void BgmCheckTimer(Game& game) {
  MusicDevice& device = game.platform->Music();
  if (device.IsStopped() && game.MusicLoop == kTrue) {
    TraceEvent(game, "music", R"("op":"restart")");
    device.SeekToStart();
    device.Play();
  }
}

}  // namespace kolvar
