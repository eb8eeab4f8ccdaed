// The pieces rendered at build time (MIDI/NAME.ogg) against the same MIDI
// files synthesized live with the music device's settings: as loud overall
// and in every five-second stretch, and as long, so the rendered music
// sounds as the live music did (and a stale or misplaced rendering shows).
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sdl/ogg_music.h"
#include "platform/sdl/synth_render.h"

namespace kolvar {
namespace {

double Decibels(double amplitude) {
  return 20.0 * std::log10(std::max(amplitude, 1e-9));
}

double Rms(const std::vector<float>& samples, size_t from, size_t to) {
  to = std::min(to, samples.size());
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

// The whole file as interleaved stereo; empty when it cannot be decoded.
std::vector<float> DecodeOgg(const std::string& path, long* rate) {
  std::vector<float> samples;
  OggVorbis_File file;
  if (ov_fopen(path.c_str(), &file) != 0) return samples;
  const vorbis_info* info = ov_info(&file, -1);
  *rate = info->rate;
  for (;;) {
    float** pcm = nullptr;
    int section = 0;
    const long n = ov_read_float(&file, &pcm, 4096, &section);
    if (n == OV_HOLE) continue;
    if (n <= 0) break;
    for (long i = 0; i < n; ++i) {
      samples.push_back(pcm[0][i]);
      samples.push_back(pcm[info->channels > 1 ? 1 : 0][i]);
    }
  }
  ov_clear(&file);
  return samples;
}

TEST(RenderedMusic, EachPieceSoundsAsLoudAndLastsAsLongAsItsLiveSynthesis) {
  if (FindSoundfont().path.empty())
    GTEST_SKIP() << "no General MIDI soundfont (fluid-soundfont-gm)";
  constexpr size_t kStretch = 5 * kSynthSampleRate * 2;
  for (const char* midi : {"title.mid", "main.mid", "CLEAR.MID", "GameOver.mid"}) {
    SCOPED_TRACE(midi);
    const RenderedPiece live = RenderMidiFile(std::string("MIDI/") + midi, 2.0);
    ASSERT_EQ(live.error, "");
    long rate = 0;
    const std::vector<float> rendered =
        DecodeOgg(std::string("MIDI/") + RenderedPieceName(midi), &rate);
    ASSERT_FALSE(rendered.empty()) << "MIDI/" << RenderedPieceName(midi) << " missing or bad";
    EXPECT_EQ(rate, kSynthSampleRate);
    // The encoder may pad the last block.
    EXPECT_NEAR(double(rendered.size()), double(live.samples.size()), 2.0 * 4096);
    const double live_db = Decibels(Rms(live.samples, 0, live.samples.size()));
    const double rendered_db = Decibels(Rms(rendered, 0, rendered.size()));
    std::printf("%-13s RMS live %+6.2f dBFS, rendered %+6.2f dBFS (%+5.2f dB)\n", midi, live_db,
                rendered_db, rendered_db - live_db);
    EXPECT_NEAR(rendered_db, live_db, 0.5);
    for (size_t at = 0; at + kStretch <= live.samples.size(); at += kStretch) {
      const double a = Decibels(Rms(live.samples, at, at + kStretch));
      const double b = Decibels(Rms(rendered, at, at + kStretch));
      if (a <= -50) continue;  // silence: its level in decibels means little
      EXPECT_NEAR(b, a, 1.5) << "the 5 s from " << at / 2 / kSynthSampleRate << " s";
    }
  }
}

}  // namespace
}  // namespace kolvar
