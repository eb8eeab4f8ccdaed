// Every piece of music, rendered whole through fluidsynth with the music
// device's settings: it must leave 1 dB of headroom (a 16-bit device clips
// above full scale), and the two looping themes must last 40 s or more and
// keep sounding to their last bar, so the restart up to a second after the
// end does not follow a long fade into silence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/sdl/synth_render.h"

namespace kolvar {
namespace {

double Decibels(double amplitude) {
  return 20.0 * std::log10(std::max(amplitude, 1e-9));
}

double Rms(const std::vector<float>& samples, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

struct Piece {
  const char* file;
  bool loops;
};

TEST(MusicHeadroom, EveryPiecePeaksAtMinusOneDbfsOrBelowAndThemesLoopWithoutAFade) {
  if (FindSoundfont().path.empty())
    GTEST_SKIP() << "no General MIDI soundfont (fluid-soundfont-gm)";
  for (const Piece& p : {Piece{"title.mid", true}, Piece{"main.mid", true},
                         Piece{"CLEAR.MID", false}, Piece{"GameOver.mid", false}}) {
    const RenderedPiece r = RenderMidiFile(std::string("MIDI/") + p.file, 3.0);
    ASSERT_EQ(r.error, "") << p.file;
    float peak = 0;
    for (float s : r.samples) peak = std::max(peak, std::fabs(s));
    const size_t end = static_cast<size_t>(r.seconds * kSynthSampleRate) * 2;
    const double whole = Decibels(Rms(r.samples, 0, end));
    const double last_second = Decibels(Rms(r.samples, end - 2 * kSynthSampleRate, end));
    std::printf("%-13s %5.1f s  peak %+6.2f dBFS  level %+6.1f dBFS, last second %+6.1f dBFS\n",
                p.file, r.seconds, Decibels(peak), whole, last_second);
    EXPECT_LE(Decibels(peak), -1.0) << p.file << " peaks above -1 dBFS";
    if (!p.loops) continue;
    EXPECT_GE(r.seconds, 40.0) << p.file << " repeats too soon";
    EXPECT_GE(last_second, whole - 6.0) << p.file << " fades out before its end";
  }
}

}  // namespace
}  // namespace kolvar
