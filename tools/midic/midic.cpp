#include "midic.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>

#include "midi_writer.h"
#include "replace_file.h"
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

  if (kolvar::tools::ReplaceFile(
          output, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
    err << output << ": error: cannot write the MIDI file\n";
    return 1;
  }
  return 0;
}

}  // namespace midic
