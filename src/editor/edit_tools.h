// What the drawing tools do to a stage: the brush puts the palette's item
// on a cell, the rectangle on every cell of a rectangle, the fill on every
// cell joined to the one touched that looks the same, the eraser clears a
// cell to darkness.
#pragma once

#include "editor/edited_stage.h"
#include "editor/palette.h"

namespace kolvar {

enum class Tool { kBrush, kRectangle, kFill, kEraser };
inline constexpr int kToolCount = 4;

// Puts `item` on the cell. A tile takes the cell's enemy away; an enemy
// other than the wraith needs floor and gets it. A stage has one start
// door, key chest and exit door: putting one where another stands turns the
// old one into a brick wall.
void PutItem(EditedStage& stage, int column, int row, const PaletteItem& item);

// The cell becomes darkness with no enemy.
void EraseCell(EditedStage& stage, int column, int row);

// `item` on every cell between the two corners (either order).
void PutRectangle(EditedStage& stage, int column0, int row0, int column1, int row1,
                  const PaletteItem& item);

// `item` on the cell and on every cell joined to it, side by side, with the
// same tile and enemy.
void FillFrom(EditedStage& stage, int column, int row, const PaletteItem& item);

}  // namespace kolvar
