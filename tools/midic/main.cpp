// midic: compiles a text score into a Standard MIDI File.
#include <iostream>
#include <string>
#include <vector>

#include "midic.h"

int main(int argc, char** argv) {
  return midic::RunMidic(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
}
