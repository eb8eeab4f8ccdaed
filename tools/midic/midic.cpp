#include "midic.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "midi_writer.h"
#include "score.h"

namespace midic {

int RunMidic(const std::vector<std::string>& args, std::ostream& err) {
  if (args.size() != 2) {
    err << "usage: midic SCORE OUTPUT.mid\n";
    return 2;
  }
  const std::string& input = args[0];
  const std::string& output = args[1];

  std::ifstream in(input, std::ios::binary);
  if (!in) {
    err << input << ": error: cannot open the score\n";
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    err << input << ": error: cannot read the score\n";
    return 1;
  }

  const ParseResult parsed = ParseScore(text.str(), input);
  if (!parsed.ok()) {
    err << parsed.error << "\n";
    return 1;
  }
  const std::vector<uint8_t> bytes = WriteMidiFile(*parsed.score);
  if (bytes.size() > kMaxMidiFileBytes) {
    err << input << ":1: error: the piece makes a MIDI file of " << bytes.size()
        << " bytes; the game reads at most " << kMaxMidiFileBytes << "\n";
    return 1;
  }

  // Write beside the target and rename, so a failed write never leaves a
  // half file that the build would take as up to date.
  const std::string temporary = output + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      err << output << ": error: cannot write the MIDI file\n";
      std::remove(temporary.c_str());
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), output.c_str()) != 0) {
    err << output << ": error: cannot write the MIDI file\n";
    std::remove(temporary.c_str());
    return 1;
  }
  return 0;
}

}  // namespace midic
