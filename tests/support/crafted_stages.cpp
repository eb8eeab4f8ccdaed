#include "crafted_stages.h"

#include <gtest/gtest.h>

#include "stage/stage_compiler.h"

namespace kolvar::testing {

const std::vector<std::string> kDemonsDenRows = {
    "#############E############",  //
    "S..................#######",  //
    "##################.#######",  //
    "##################.#9.9.9#",  //
    "##################.#.....#",  //
    "##################.#.9.9.#",  //
    "##################.......K",  //
    "##################.#...9.#",  //
    "##################.#.....#",  //
    "##################.#9.9.9#",  //
    "##################.#######",  //
    "##########################",  //
};

std::string CraftedStageText(const std::string& title, const std::vector<std::string>& rows) {
  std::string text = "title: " + title + "\nmap:\n";
  for (const std::string& row : rows) text += row + "______\n";
  for (size_t r = rows.size(); r < kMapCells; ++r) text += std::string(kMapCells, '_') + "\n";
  return text;
}

StageGrids CraftedStageGrids(const std::string& title, const std::vector<std::string>& rows) {
  const stagec::CompileResult compiled = stagec::compile_stage(CraftedStageText(title, rows));
  if (!compiled.stage) {
    ADD_FAILURE() << title << ":" << compiled.errors.front().line << ": "
                  << compiled.errors.front().message;
    return {};
  }
  return {compiled.stage->map, compiled.stage->ivm};
}

}  // namespace kolvar::testing
