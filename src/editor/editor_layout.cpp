#include "editor/editor_layout.h"

#include "core/cell_codes.h"

namespace kolvar {

namespace {

bool Inside(int x, int y, int left, int top, int width, int height) {
  return x >= left && y >= top && x < left + width && y < top + height;
}

}  // namespace

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
  } else if (Inside(x, y, kStageButtonsLeft, kStageButtonsTop,
                    kStageButtonColumns * kStageButtonWidth,
                    kStageButtonCount / kStageButtonColumns * kStageButtonHeight)) {
    spot.part = Part::kStageButton;
    spot.index = (y - kStageButtonsTop) / kStageButtonHeight * kStageButtonColumns +
                 (x - kStageButtonsLeft) / kStageButtonWidth;
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
