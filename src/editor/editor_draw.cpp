#include "editor/editor_draw.h"

#include <algorithm>
#include <array>

#include "core/direction.h"
#include "scene/sprites.h"
#include "video/text.h"

namespace kolvar {

namespace {

constexpr uint32_t kBackground = 0x101018;
constexpr uint32_t kPanel = 0x282838;
constexpr uint32_t kButton = 0x404060;
constexpr uint32_t kButtonChosen = 0x7070C0;
constexpr uint32_t kCursor = 0xFFE040;
constexpr uint32_t kFaultMark = 0xFF3030;
constexpr uint32_t kScreenLine = 0x707070;
constexpr uint32_t kRadarLine = 0xC04040;
constexpr uint32_t kOverviewFrame = 0xFFFFFF;
constexpr uint32_t kFaultBand = 0x501818;
constexpr uint32_t kGoodBand = 0x184018;
constexpr uint32_t kShade = 0x000000;
constexpr uint32_t kButtonIdle = 0x303040;  // a button with nothing to do now
constexpr uint32_t kBarFrame = 0xC0C0C0;
constexpr uint32_t kBarFill = 0x60D060;

constexpr int kSheetTiles = 6;  // the tile sheet is 6 x 6 tiles
constexpr int kTextPixels = 12;
constexpr int kTextLeft = 2;

constexpr std::array<const char*, kToolButtonCount> kToolLabels = {"Brush", "Rect", "Fill", "Erase",
                                                                   "Undo",  "Redo", "Save", "Play"};
constexpr std::array<const char*, kStageButtonCount> kStageLabels = {
    "Prev", "Next", "New", "Copy", "<<", ">>", "Del", "Pack", "Prove", "Watch"};

// A tile at half size: every other pixel of the game's 32 x 32 picture.
void DrawHalfTile(Game& g, int x, int y, uint8_t code) {
  const int sheet_column = code & 15, sheet_row = code >> 4;
  if (sheet_column >= kSheetTiles || sheet_row >= kSheetTiles) {
    g.Crt.FillRect(x, y, kEditCellPixels, kEditCellPixels, kBlack);
    return;
  }
  for (int dy = 0; dy < kEditCellPixels; ++dy) {
    for (int dx = 0; dx < kEditCellPixels; ++dx) {
      g.Crt.SetPixel(
          x + dx, y + dy,
          g.MapChip.Pixel(sheet_column * kCellPixels + 2 * dx, sheet_row * kCellPixels + 2 * dy));
    }
  }
}

// An enemy at half size, facing down, as the game masks it.
void DrawHalfCharacter(Game& g, int x, int y, int kind) {
  const SheetPicture& picture = CharacterPicture(kind);
  const int row = kCharacterHeight * kDown;
  for (int dy = 0; dy < kCharacterHeight / 2; ++dy) {
    for (int dx = 0; dx < kCharacterWidth / 2; ++dx) {
      const uint32_t mask = g.Chr.Pixel(picture.mask_x + 2 * dx, picture.mask_y + row + 2 * dy);
      const uint32_t image = g.Chr.Pixel(picture.x + 2 * dx, picture.y + row + 2 * dy);
      const int px = x + dx + (kEditCellPixels - kCharacterWidth / 2) / 2, py = y + dy;
      g.Crt.SetPixel(px, py, (g.Crt.Pixel(px, py) & mask) | image);
    }
  }
}

void DrawFrame(Surface& s, int x, int y, int w, int h, uint32_t colour) {
  s.FillRect(x, y, w, 1, colour);
  s.FillRect(x, y + h - 1, w, 1, colour);
  s.FillRect(x, y, 1, h, colour);
  s.FillRect(x + w - 1, y, 1, h, colour);
}

// The text cut to fit `width`, ".." marking the cut.
std::string Fitted(const std::string& text, int width) {
  if (TextLineWidth(text, kTextPixels) <= width) return text;
  std::string cut = text;
  while (!cut.empty() && TextLineWidth(cut + "..", kTextPixels) > width) cut.pop_back();
  return cut + "..";
}

// Prints a line cut to end before `right`.
void Print(Game& g, int x, int y, const std::string& text, int right = kPictureWidth) {
  PrintText(g.Crt, x, y, Fitted(text, right - x), kSmallFontPoints);
}

void DrawButton(Game& g, int x, int y, int w, int h, const char* label, bool chosen,
                uint32_t colour = kButton) {
  g.Crt.FillRect(x + 1, y + 1, w - 2, h - 2, chosen ? kButtonChosen : colour);
  const int text_x = x + (w - TextLineWidth(label, kTextPixels)) / 2;
  // The glyphs' boxes hold a row of space above the capitals: a button
  // lower than a line of text starts its label there.
  PrintText(g.Crt, text_x, y + (h < kLineHeight ? -1 : 1), label, kSmallFontPoints);
}

// The average colour of each tile, for the overview's two pixels a cell.
uint32_t TileColour(Game& g, uint8_t code) {
  static std::array<uint32_t, kSheetTiles * 16> colours{};
  static bool made = false;
  if (!made) {
    for (int c = 0; c < kSheetTiles * 16; ++c) {
      const int sheet_column = c & 15, sheet_row = c >> 4;
      if (sheet_column >= kSheetTiles) continue;
      uint64_t r = 0, gr = 0, b = 0;
      for (int y = 0; y < kCellPixels; ++y) {
        for (int x = 0; x < kCellPixels; ++x) {
          const uint32_t p =
              g.MapChip.Pixel(sheet_column * kCellPixels + x, sheet_row * kCellPixels + y);
          r += p >> 16 & 0xFF;
          gr += p >> 8 & 0xFF;
          b += p & 0xFF;
        }
      }
      const uint64_t n = kCellPixels * kCellPixels;
      colours[static_cast<size_t>(c)] =
          static_cast<uint32_t>((r / n) << 16 | (gr / n) << 8 | b / n);
    }
    made = true;
  }
  return code < colours.size() ? colours[code] : kBlack;
}

void DrawHeader(Game& g, const StageEditor& e) {
  g.Crt.FillRect(0, 0, kPictureWidth, kHeaderHeight, kPanel);
  const std::string number =
      std::to_string(e.stage_index() + 1) + "/" + std::to_string(e.pack().stages.size()) + " ";
  const bool typing = e.typing() == TypingField::kTitle;
  const std::string title = typing ? "Title: " + e.typed_text() + "_" : e.stage().title;
  if (typing) g.Crt.FillRect(0, 0, kOverviewLeft, kHeaderHeight, kButtonChosen);
  Print(g, kTextLeft, 0, number + title, kOverviewLeft - 4);
  const std::string pack = (e.changed_since_save() ? "*" : "") + e.pack().info.name +
                           (e.read_only() ? " (read-only)" : "");
  Print(g, kOverviewLeft, 0, pack);
}

void DrawMap(Game& g, const StageEditor& e) {
  const EditedStage& stage = e.stage();
  for (int row = 0; row < kMapViewRows; ++row) {
    for (int column = 0; column < kMapViewColumns; ++column) {
      const int c = e.view_left() + column, r = e.view_top() + row;
      const int x = kMapViewLeft + column * kEditCellPixels,
                y = kMapViewTop + row * kEditCellPixels;
      DrawHalfTile(g, x, y, stage.Tile(c, r));
      if (stage.Enemy(c, r) != kNoEnemy) DrawHalfCharacter(g, x, y, stage.Enemy(c, r));
    }
  }
  // The game's screens (10 x 7 cells; it scrolls a whole one at a time)
  // and the radar's edge, beyond which nothing may be walked.
  const auto dotted_column = [&](int c, uint32_t colour) {
    const int x = kMapViewLeft + (c - e.view_left()) * kEditCellPixels;
    if (c <= e.view_left() || c >= e.view_left() + kMapViewColumns) return;
    for (int y = kMapViewTop; y < kMapViewTop + kMapViewRows * kEditCellPixels; y += 2)
      g.Crt.SetPixel(x, y, colour);
  };
  const auto dotted_row = [&](int r, uint32_t colour) {
    const int y = kMapViewTop + (r - e.view_top()) * kEditCellPixels;
    if (r <= e.view_top() || r >= e.view_top() + kMapViewRows) return;
    for (int x = kMapViewLeft; x < kMapViewLeft + kMapViewColumns * kEditCellPixels; x += 2)
      g.Crt.SetPixel(x, y, colour);
  };
  for (int c = kViewColumns; c < kMapCells; c += kViewColumns) dotted_column(c, kScreenLine);
  for (int r = kViewRows; r < kMapCells; r += kViewRows) dotted_row(r, kScreenLine);
  dotted_column(stagec::kRadarColumns, kRadarLine);
  dotted_row(stagec::kRadarRows, kRadarLine);

  const auto cell_frame = [&](int c, int r, uint32_t colour) {
    if (c < e.view_left() || r < e.view_top() || c >= e.view_left() + kMapViewColumns ||
        r >= e.view_top() + kMapViewRows) {
      return;
    }
    DrawFrame(g.Crt, kMapViewLeft + (c - e.view_left()) * kEditCellPixels,
              kMapViewTop + (r - e.view_top()) * kEditCellPixels, kEditCellPixels, kEditCellPixels,
              colour);
  };
  for (const StageFault& fault : e.faults()) {
    if (fault.column >= 0 && fault.row >= 0) cell_frame(fault.column, fault.row, kFaultMark);
  }
  if (e.anchor()) {
    const auto [c0, r0] = *e.anchor();
    for (int r = std::min(r0, e.cursor_row()); r <= std::max(r0, e.cursor_row()); ++r) {
      for (int c = std::min(c0, e.cursor_column()); c <= std::max(c0, e.cursor_column()); ++c) {
        cell_frame(c, r, kCursor);
      }
    }
  }
  cell_frame(e.cursor_column(), e.cursor_row(), kCursor);
}

void DrawOverview(Game& g, const StageEditor& e) {
  const EditedStage& stage = e.stage();
  for (int r = 0; r < kMapCells; ++r) {
    for (int c = 0; c < kMapCells; ++c) {
      const uint32_t colour =
          stage.Enemy(c, r) != kNoEnemy ? kLightRed : TileColour(g, stage.Tile(c, r));
      g.Crt.FillRect(kOverviewLeft + c * kOverviewCellPixels,
                     kOverviewTop + r * kOverviewCellPixels, kOverviewCellPixels,
                     kOverviewCellPixels, colour);
    }
  }
  DrawFrame(g.Crt, kOverviewLeft - 1, kOverviewTop - 1,
            stagec::kRadarColumns * kOverviewCellPixels + 2,
            stagec::kRadarRows * kOverviewCellPixels + 2, kRadarLine);
  DrawFrame(g.Crt, kOverviewLeft + e.view_left() * kOverviewCellPixels,
            kOverviewTop + e.view_top() * kOverviewCellPixels,
            kMapViewColumns * kOverviewCellPixels, kMapViewRows * kOverviewCellPixels,
            kOverviewFrame);
}

void DrawStageButtons(Game& g, const StageEditor& e) {
  const StageVerdict* verdict = e.verdict();
  const bool running = e.proof_running().has_value();
  const bool watchable = verdict && verdict->proof.verdict == bots::ProofVerdict::kCleared;
  for (int i = 0; i < kStageButtonCount; ++i) {
    const auto button = static_cast<StageButton>(i);
    const char* label = kStageLabels[static_cast<size_t>(i)];
    uint32_t colour = kButton;
    if (button == StageButton::kProve) {
      if (running) label = "Stop";
      if (!e.can_prove() || (!running && !e.faults().empty())) colour = kButtonIdle;
    }
    if (button == StageButton::kWatch && !watchable) colour = kButtonIdle;
    const Box box = StageButtonBox(button);
    DrawButton(g, box.x, box.y, box.width, box.height, label,
               running && button == StageButton::kProve, colour);
  }
}

void DrawPalette(Game& g, const StageEditor& e) {
  const std::vector<PaletteItem>& items = Palette();
  for (size_t i = 0; i < items.size(); ++i) {
    const int x = kPaletteLeft + static_cast<int>(i) % kPaletteColumns * kPaletteStep;
    const int y = kPaletteTop + static_cast<int>(i) / kPaletteColumns * kPaletteStep;
    if (items[i].enemy) {
      DrawHalfTile(g, x, y, kFloor);
      DrawHalfCharacter(g, x, y, items[i].code);
    } else {
      DrawHalfTile(g, x, y, items[i].code);
    }
  }
  const int chosen = e.item();
  const int x = kPaletteLeft + chosen % kPaletteColumns * kPaletteStep;
  const int y = kPaletteTop + chosen / kPaletteColumns * kPaletteStep;
  DrawFrame(g.Crt, x, y, kEditCellPixels, kEditCellPixels, kCursor);
  const PaletteItem& item = items[static_cast<size_t>(chosen)];
  Print(g, kPaletteLeft, kItemNameTop, std::string(1, item.key) + "  " + item.name);
}

void DrawToolBar(Game& g, const StageEditor& e) {
  for (int i = 0; i < kToolButtonCount; ++i) {
    const bool chosen = i < kToolCount && static_cast<int>(e.tool()) == i;
    DrawButton(g, i * kToolButtonWidth, kToolBarTop, kToolButtonWidth, kToolBarHeight,
               kToolLabels[static_cast<size_t>(i)], chosen);
  }
}

// A bar across the line at `y`, filled to `share` (0..1).
void DrawProgressBar(Game& g, int y, double share) {
  const int left = kTextLeft, width = kPictureWidth - 2 * kTextLeft, height = kLineHeight - 4;
  DrawFrame(g.Crt, left, y + 2, width, height, kBarFrame);
  const int filled = static_cast<int>(std::clamp(share, 0.0, 1.0) * (width - 4));
  g.Crt.FillRect(left + 2, y + 4, filled, height - 4, kBarFill);
}

// The green band of a stage without faults: how its proof stands, with a
// progress bar while a proof or a rating runs.
void DrawProofLines(Game& g, const StageEditor& e, int y) {
  const int width = kPictureWidth - 2 * kTextLeft;
  const std::optional<ProofWork> running = e.proof_running();
  const StageVerdict* verdict = e.verdict();
  const std::string percent = std::to_string(static_cast<int>(e.proof_progress() * 100)) + " %";
  if (running == ProofWork::kProve) {
    Print(g, kTextLeft, y, "Proving... " + percent + "  (Esc or Stop stops it)");
    DrawProgressBar(g, y + kLineHeight, e.proof_progress());
    return;
  }
  if (running == ProofWork::kRate) {
    const int done = static_cast<int>(e.proof_progress() * kRatingRuns);
    Print(g, kTextLeft, y,
          (verdict ? ProofWords(verdict->proof) + "; " : std::string()) + "rating: run " +
              std::to_string(done) + " of " + std::to_string(kRatingRuns));
    DrawProgressBar(g, y + kLineHeight, e.proof_progress());
    return;
  }
  std::string text = "No faults. Unproven: h or Prove proves it, v plays it";
  if (verdict) {
    text = ProofWords(verdict->proof) + ". ";
    if (verdict->rating) {
      text += RatingWords(*verdict->rating);
    } else if (verdict->proof.verdict == bots::ProofVerdict::kCleared) {
      text += "Not rated yet: h rates it";
    } else if (verdict->proof.verdict == bots::ProofVerdict::kNoWayFound) {
      text += "Open a second way round, or move an enemy";
    }
  }
  const std::vector<std::string> lines = WrapText(text, width);
  for (size_t i = 0; i < lines.size() && i < 2; ++i) {
    Print(g, kTextLeft, y + static_cast<int>(i) * kLineHeight, lines[i]);
  }
}

void DrawMessages(Game& g, const StageEditor& e) {
  const int width = kPictureWidth - 2 * kTextLeft;
  int y = kMessageTop;
  if (!e.message().empty()) {
    Print(g, kTextLeft, y, e.message());
  }
  y += kLineHeight;
  const size_t stage_faults = e.faults().size();
  const size_t total = stage_faults + e.pack_faults().size();
  if (total == 0) {
    g.Crt.FillRect(0, y, kPictureWidth, 2 * kLineHeight, kGoodBand);
    if (e.can_prove()) {
      DrawProofLines(g, e, y);
    } else {
      Print(g, kTextLeft, y, "No faults: v or Play tries the stage");
    }
    return;
  }
  g.Crt.FillRect(0, y, kPictureWidth, 2 * kLineHeight, kFaultBand);
  const size_t shown = static_cast<size_t>(e.shown_fault()) % total;
  const std::string what =
      shown < stage_faults ? e.faults()[shown].message : e.pack_faults()[shown - stage_faults];
  const std::string text = std::to_string(shown + 1) + "/" + std::to_string(total) + ": " + what;
  const std::vector<std::string> lines = WrapText(text, width);
  for (size_t i = 0; i < lines.size() && i < 2; ++i) {
    Print(g, kTextLeft, y + static_cast<int>(i) * kLineHeight, lines[i]);
  }
}

void DrawPackPanel(Game& g, const StageEditor& e) {
  const int width = kMapViewColumns * kEditCellPixels;
  g.Crt.FillRect(kMapViewLeft, kMapViewTop, width, kMapViewRows * kEditCellPixels, kPanel);
  Print(g, kTextLeft, kMapViewTop + 2, "The pack (Tab: next, Return: done)", width);
  const std::pair<TypingField, const char*> fields[] = {
      {TypingField::kPackName, "Name"},
      {TypingField::kPackAuthor, "Author"},
      {TypingField::kPackDescription, "Description"}};
  const PackInfo& info = e.pack().info;
  const std::string values[] = {info.name, info.author, info.description};
  for (int i = 0; i < 3; ++i) {
    const int y = kMapViewTop + (2 + 2 * i) * kEditCellPixels;
    const bool typing = e.typing() == fields[i].first;
    Print(g, kTextLeft, y, fields[i].second, width);
    g.Crt.FillRect(kMapViewLeft + 2, y + kLineHeight, width - 4, kLineHeight + 2,
                   typing ? kButtonChosen : kButton);
    Print(g, kTextLeft + 2, y + kLineHeight, typing ? e.typed_text() + "_" : values[i], width - 4);
  }
  Print(g, kTextLeft, kMapViewTop + 8 * kEditCellPixels + 2, "Saved in " + e.folder(), width);
}

void DrawPackList(Game& g, const StageEditor& e) {
  const int width = kMapViewColumns * kEditCellPixels;
  g.Crt.FillRect(kMapViewLeft, kMapViewTop, width, kMapViewRows * kEditCellPixels, kPanel);
  Print(g, kTextLeft, kMapViewTop, "Packs (Return opens, Esc: back)", width);
  const int lines = kMapViewRows * kEditCellPixels / kPanelLineHeight - kPanelFirstLine;
  const int count = static_cast<int>(e.pack_list().size()) + 1;
  // The chosen line stays in sight.
  const int first = std::clamp(e.pack_list_choice() - lines + 1, 0, std::max(0, count - lines));
  for (int line = 0; line < lines && first + line < count; ++line) {
    const int index = first + line;
    const int y = kMapViewTop + (kPanelFirstLine + line) * kPanelLineHeight;
    if (index == e.pack_list_choice())
      g.Crt.FillRect(kMapViewLeft, y, width, kPanelLineHeight, kButtonChosen);
    if (index == 0) {
      Print(g, kTextLeft, y, "New pack", width);
      continue;
    }
    const ShelfPack& pack = e.pack_list()[static_cast<size_t>(index - 1)];
    Print(g, kTextLeft, y, pack.name + (pack.read_only ? " (the game's)" : ""), width);
  }
}

void DrawHelp(Game& g) {
  static const char* const kLines[] = {"Keys (any key or click closes this)",
                                       "Arrows: the cursor.  Space, Return: draw there",
                                       "Tile keys pick: # . _ ~ S K E 1-9 ...  [ ]: step",
                                       "p brush, r rectangle, c fill, e eraser, Tab: next",
                                       "z undo, y redo (Ctrl+Z, Ctrl+Y).  k: share a link",
                                       "t: title.  n: the pack's name, author, text",
                                       "l, or a click on the pack's name: other packs",
                                       "w: save (Ctrl+S).  v: play it; Esc comes back",
                                       "h: prove it, then rate it (Esc stops); m: watch",
                                       "PageUp, PageDown: the previous, next stage",
                                       "a: new stage, u: copy, Delete, < >: move it",
                                       "Mouse, touch: draw, pick, press the buttons",
                                       "The overview at the top right moves the view",
                                       "Click the faults to see the next; red frames",
                                       "mark their cells. Dotted: the game's screens;",
                                       "red: the radar's edge, past which none may walk"};
  g.Crt.FillRect(0, 0, kPictureWidth, kPictureHeight, kShade);
  int y = 2;
  for (const char* line : kLines) {
    Print(g, kTextLeft, y, line);
    y += kLineHeight;
  }
}

}  // namespace

std::vector<std::string> WrapText(const std::string& text, int width) {
  std::vector<std::string> lines;
  std::string line;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    const std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && TextLineWidth(longer, kTextPixels) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = longer;
    }
    start = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void DrawEditor(Game& g, const StageEditor& e) {
  g.Crt.FillRect(0, 0, kPictureWidth, kPictureHeight, kBackground);
  if (e.help_shown()) {
    DrawHelp(g);
    return;
  }
  DrawHeader(g, e);
  if (e.pack_list_shown()) {
    DrawPackList(g, e);
  } else if (e.pack_panel_shown()) {
    DrawPackPanel(g, e);
  } else {
    DrawMap(g, e);
  }
  DrawOverview(g, e);
  DrawStageButtons(g, e);
  DrawPalette(g, e);
  DrawToolBar(g, e);
  DrawMessages(g, e);
}

}  // namespace kolvar
