#include "editor/pack_link.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/deflate.h"
#include "editor/pack_bundle.h"
#include "editor/stage_editor.h"

namespace kolvar {
namespace {

// The two sixteen-stage packs the game ships: its own stages and
// deep-halls, as the editor opens them.
const char* const kShippedPacks[] = {"stages/kolvar", "stages/deep-halls"};

EditedPack ShippedPack(const std::string& folder) {
  const OpenedPack opened = ReadEditedPack(folder);
  EXPECT_TRUE(opened.problems.empty()) << folder << ": " << opened.problems.front();
  EXPECT_EQ(opened.pack.stages.size(), 16u) << folder;
  return opened.pack;
}

// A fragment carrying `text` as a link's pack would carry a bundle.
std::string FragmentOf(std::string_view text) {
  return "pack=" + ToBase64Url(Deflate(text));
}

TEST(PackLink, CarriesAWholePackOrOneStage) {
  for (const char* folder : kShippedPacks) {
    const EditedPack pack = ShippedPack(folder);
    const std::string link = PackLinkFragment(pack);
    // A link of the sixteen stages fits in what any browser, chat or mail
    // keeps of an address.
    std::printf("link of %s (%zu stages): %zu characters\n", folder, pack.stages.size(),
                link.size());
    EXPECT_LT(link.size(), 8192u) << folder;
    EXPECT_TRUE(link.starts_with("pack="));
    for (const std::string& fragment : {link, "#" + link}) {
      const OpenedLink opened = OpenPackLink(fragment);
      ASSERT_TRUE(opened.pack.has_value()) << folder << ": " << opened.faults.front();
      EXPECT_TRUE(*opened.pack == pack) << folder;
    }
    const OpenedLink one = OpenPackLink(PackLinkFragment(pack, 12));
    ASSERT_TRUE(one.pack.has_value()) << folder << ": " << one.faults.front();
    EXPECT_EQ(one.pack->info.name, pack.info.name);
    ASSERT_EQ(one.pack->stages.size(), 1u);
    EXPECT_EQ(*one.pack->stages[0], *pack.stages[12]) << folder;
  }
}

TEST(PackLink, RefusesWhatIsNoWholeGoodPack) {
  const EditedPack shipped = ShippedPack("stages/deep-halls");
  const std::string link = PackLinkFragment(shipped);
  const std::string stage1 = PackFiles(shipped)[1].second;
  // Stages 2 and 3 break rules: a new hall has no key chest and no exit.
  EditedPack faulty = shipped;
  faulty.stages[1] = std::make_shared<const EditedStage>(NewStage("Unfinished"));
  faulty.stages[2] = faulty.stages[1];
  EditedPack no_author = shipped;
  no_author.info.author = "";
  std::string bad_character = link;
  bad_character[link.size() / 2] = '+';

  const std::pair<std::string, std::vector<std::string>> refused[] = {
      {link.substr(0, link.size() / 2), {"cut off"}},
      {link.substr(0, link.size() - 1), {"cut off"}},
      {link.substr(0, link.size() - 2), {"cut off"}},
      {"pack=", {"cut off"}},
      {bad_character, {"is not URL-safe base64"}},
      {"stage=" + link.substr(5), {"holds no pack (it does not begin 'pack=')"}},
      {"pack=" + std::string(kMostLinkChars, 'A'), {"longer than 65536 characters"}},
      {"pack=Bw", {"its data is no compressed pack: a block of the reserved type 3"}},
      {FragmentOf(std::string(kMostLinkPackBytes + 1, ' ')), {"unpacks to more than 1048576"}},
      {FragmentOf("name: a pack\n"), {"its data is no stage pack: not a stage pack"}},
      {PackLinkFragment(no_author), {"pack.txt:2: error: the author is empty"}},
      {PackLinkFragment(faulty), {"stage02.txt:", "no key chest", "stage03.txt:", "no key chest"}},
      {FragmentOf(BundlePack({{"pack.txt", PackInfoText(shipped.info)},
                              {"stage01.txt", stage1},
                              {"stage03.txt", stage1}})),
       {"stage02.txt: missing"}},
      {FragmentOf(BundlePack({{"stage00.txt", stage1}})),
       {"holds no pack.txt", "stage00.txt: not a stage's name", "holds no stage"}},
  };
  for (const auto& [fragment, words] : refused) {
    const OpenedLink opened = OpenPackLink(fragment);
    EXPECT_FALSE(opened.pack.has_value()) << words.front();
    std::string all;
    for (const std::string& fault : opened.faults) {
      EXPECT_TRUE(fault.starts_with("pack link: ")) << fault;
      all += fault + "\n";
    }
    // Each fault in its order, the stages' by their numbers.
    size_t at = 0;
    for (const std::string& word : words) {
      at = all.find(word, at);
      EXPECT_NE(at, std::string::npos) << "'" << word << "' not in:\n" << all;
    }
  }
}

// The editor's Share (k: the pack, Ctrl+K: the stage shown) hands out a link
// only when it opens, with the folder the pack is saved in: a copy's, for
// the game's own pack.
TEST(PackLink, TheEditorSharesOnlyALinkThatOpens) {
  EditorOptions options;
  options.folder = "/installed/stages/deep-halls";
  options.read_only = true;
  options.copy_folder = "/home/me/stages/deep-halls-copy";
  options.opened.pack = ShippedPack("stages/deep-halls");
  std::vector<std::pair<std::string, std::string>> shared;
  options.share = [&](const std::string& fragment, const std::string& folder) {
    shared.emplace_back(fragment, folder);
    return "Shared";
  };
  StageEditor editor(std::move(options));
  editor.Type("PageDown");
  editor.Type("PageDown");
  editor.Type("k");
  editor.Type("Ctrl+k");
  ASSERT_EQ(shared.size(), 2u);
  EXPECT_EQ(editor.message(), "Shared");
  EXPECT_EQ(shared[0].second, "/home/me/stages/deep-halls-copy");
  const OpenedLink whole = OpenPackLink(shared[0].first);
  ASSERT_TRUE(whole.pack.has_value());
  EXPECT_TRUE(*whole.pack == editor.pack());
  const OpenedLink one = OpenPackLink(shared[1].first);
  ASSERT_TRUE(one.pack.has_value());
  ASSERT_EQ(one.pack->stages.size(), 1u);
  EXPECT_EQ(*one.pack->stages[0], *editor.pack().stages[2]);

  editor.Type("a");  // a new stage, with no key chest and no exit yet
  editor.Type("k");
  EXPECT_EQ(shared.size(), 2u);
  EXPECT_TRUE(editor.message().starts_with("Not shared")) << editor.message();
  EXPECT_NE(editor.message().find("no key chest"), std::string::npos) << editor.message();
}

}  // namespace
}  // namespace kolvar
