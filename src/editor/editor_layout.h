// Where the editor's parts lie on the 320 x 240 picture, and which part a
// pixel of it belongs to (for the pointer).
#pragma once

#include <optional>

#include "platform/scaling.h"

namespace kolvar {

// The header line: the stage's number and title, then the pack's name
// from kOverviewLeft on.
inline constexpr int kHeaderHeight = 14;

// The map, drawn with the game's tiles at half their size.
inline constexpr int kEditCellPixels = 16;
inline constexpr int kMapViewLeft = 0;
inline constexpr int kMapViewTop = kHeaderHeight;
inline constexpr int kMapViewColumns = 11;
inline constexpr int kMapViewRows = 10;

// The overview of the whole map, two pixels a cell.
inline constexpr int kOverviewLeft = 180;
inline constexpr int kOverviewTop = kHeaderHeight;
inline constexpr int kOverviewCellPixels = 2;

// The stage buttons beside the overview, two columns of five (StageButtonBox).
inline constexpr int kStageButtonsLeft = 248;
inline constexpr int kStageButtonsTop = kHeaderHeight;
inline constexpr int kStageButtonWidth = 36;
inline constexpr int kStageButtonHeight = 13;
inline constexpr int kStageButtonColumns = 2;
inline constexpr int kStageButtonRows = 5;

// The palette below the overview.
inline constexpr int kPaletteLeft = 180;
inline constexpr int kPaletteTop = 80;
inline constexpr int kPaletteColumns = 8;
inline constexpr int kPaletteStep = 16;
inline constexpr int kItemNameTop = 161;

// The lines of the panels drawn over the map (the pack list).
inline constexpr int kPanelLineHeight = 14;
inline constexpr int kPanelFirstLine = 1;  // below the panel's own title line

// The tool bar across the picture, and the lines of faults and notices
// below it.
inline constexpr int kToolBarTop = 176;
inline constexpr int kToolBarHeight = 14;
inline constexpr int kToolButtonWidth = 40;
inline constexpr int kMessageTop = 192;
inline constexpr int kLineHeight = 14;

// The tool bar's buttons, left to right.
enum class ToolButton { kBrush, kRectangle, kFill, kEraser, kUndo, kRedo, kSave, kPlay };
inline constexpr int kToolButtonCount = 8;

// The stage buttons, row by row.
enum class StageButton {
  kPrevious,
  kNext,
  kAdd,
  kDuplicate,
  kMoveEarlier,
  kMoveLater,
  kDelete,
  kPack,
  kProve,
  kWatch
};
inline constexpr int kStageButtonCount = 10;

// Where a stage button lies. The last row's two take the gap before the
// overview too, for their longer words: Prove (or Stop) and Watch.
struct Box {
  int x = 0, y = 0, width = 0, height = 0;
};
Box StageButtonBox(StageButton button);

// What a pixel of the picture belongs to.
struct Spot {
  enum class Part {
    kNothing,
    kTitle,
    kPackName,
    kMap,
    kOverview,
    kStageButton,
    kPalette,
    kToolButton,
    kMessages
  };
  Part part = Part::kNothing;
  int column = 0, row = 0;  // kMap: the cell of the view; kOverview: the map's cell
  int index = 0;            // kStageButton, kPalette, kToolButton: which; kMap: the
                            // line of a panel over the map
};

// The part under (x, y); `palette_size` items fill the palette.
Spot SpotAt(int x, int y, int palette_size);

}  // namespace kolvar
