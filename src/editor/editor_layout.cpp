#include "editor/editor_layout.h"

#include "core/cell_codes.h"

namespace kolvar {

namespace {

bool Inside(int x, int y, int left, int top, int width, int height) {
  return x >= left && y >= top && x < left + width && y < top + height;
}

int StageButtonAt(int x, int y) {
  for (int i = 0; i < kStageButtonCount; ++i) {
    const Box box = StageButtonBox(static_cast<StageButton>(i));
    if (Inside(x, y, box.x, box.y, box.width, box.height)) return i;
  }
  return -1;
}

}  // namespace

Box StageButtonBox(StageButton button) {
  const int index = static_cast<int>(button);
  const int row = index / kStageButtonColumns, column = index % kStageButtonColumns;
  const int y = kStageButtonsTop + row * kStageButtonHeight;
  constexpr int kOverviewRight = kOverviewLeft + kMapCells * kOverviewCellPixels;
  constexpr int kProveWidth = 36;
  if (button == StageButton::kProve) return {kOverviewRight, y, kProveWidth, kStageButtonHeight};
  if (button == StageButton::kWatch) {
    return {kOverviewRight + kProveWidth, y,
            kStageButtonsLeft + 2 * kStageButtonWidth - kOverviewRight - kProveWidth,
            kStageButtonHeight};
  }
  return {kStageButtonsLeft + column * kStageButtonWidth, y, kStageButtonWidth, kStageButtonHeight};
}

Spot SpotAt(int x, int y, int palette_size) {
  Spot spot;
  using Part = Spot::Part;
  if (y < kHeaderHeight) {
    spot.part = x < kOverviewLeft ? Part::kTitle : Part::kPackName;
  } else if (Inside(x, y, kMapViewLeft, kMapViewTop, kMapViewColumns * kEditCellPixels,
                    kMapViewRows * kEditCellPixels)) {
    spot.part = Part::kMap;
    spot.column = (x - kMapViewLeft) / kEditCellPixels;
    spot.row = (y - kMapViewTop) / kEditCellPixels;
    spot.index = (y - kMapViewTop) / kPanelLineHeight - kPanelFirstLine;
  } else if (Inside(x, y, kOverviewLeft, kOverviewTop, kMapCells * kOverviewCellPixels,
                    kMapCells * kOverviewCellPixels)) {
    spot.part = Part::kOverview;
    spot.column = (x - kOverviewLeft) / kOverviewCellPixels;
    spot.row = (y - kOverviewTop) / kOverviewCellPixels;
  } else if (const int button = StageButtonAt(x, y); button >= 0) {
    spot.part = Part::kStageButton;
    spot.index = button;
  } else if (Inside(x, y, kPaletteLeft, kPaletteTop, kPaletteColumns * kPaletteStep,
                    (palette_size + kPaletteColumns - 1) / kPaletteColumns * kPaletteStep)) {
    const int index =
        (y - kPaletteTop) / kPaletteStep * kPaletteColumns + (x - kPaletteLeft) / kPaletteStep;
    if (index < palette_size) {
      spot.part = Part::kPalette;
      spot.index = index;
    }
  } else if (Inside(x, y, 0, kToolBarTop, kToolButtonCount * kToolButtonWidth, kToolBarHeight)) {
    spot.part = Part::kToolButton;
    spot.index = x / kToolButtonWidth;
  } else if (y >= kMessageTop) {
    spot.part = Part::kMessages;
  }
  return spot;
}

}  // namespace kolvar
