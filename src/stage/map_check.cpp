#include "stage/map_check.h"

#include <deque>
#include <vector>

#include "core/fatal_error.h"
#include "core/game.h"
#include "core/player_geometry.h"
#include "stage/entry_sequence.h"

namespace kolvar {

namespace {

constexpr int32_t kMapPixels = kMapCells * kCellPixels;

// A place of the player in play: the view's top-left cell, the player's
// view position, and whether the key has been taken (the chest is floor
// then).
struct Place {
  int32_t view_x, view_y, x, y;
  bool key;

  int32_t MapX() const { return view_x * kCellPixels + x; }
  int32_t MapY() const { return view_y * kCellPixels + y; }
};

// The places already reached. Places move in steps of 4 pixels, the feet
// stay on the map, and the view takes few places: one table of map
// positions for each view and key.
class Reached {
 public:
  // True the first time `p` is given.
  bool Insert(const Place& p) {
    size_t view = 0;
    while (view < views_.size() && (views_[view].view_x != p.view_x ||
                                    views_[view].view_y != p.view_y || views_[view].key != p.key)) {
      ++view;
    }
    if (view == views_.size()) {
      views_.push_back(p);
      seen_.resize(seen_.size() + kPositions);
    }
    const size_t column = static_cast<size_t>(p.MapX() + kFootLeft) / kWalkStepPixels;
    const size_t row = static_cast<size_t>(p.MapY() + kFootTop) / kWalkStepPixels;
    uint8_t& seen = seen_[view * kPositions + row * kSide + column];
    if (seen) return false;
    seen = 1;
    return true;
  }

 private:
  static constexpr size_t kSide = kMapPixels / kWalkStepPixels;
  static constexpr size_t kPositions = kSide * kSide;
  std::vector<Place> views_;
  std::vector<uint8_t> seen_;
};

bool FeetOnMap(const Place& p) {
  return p.MapX() + kFootLeft >= 0 && p.MapX() + kFootRight < kMapPixels &&
         p.MapY() + kFootTop >= 0 && p.MapY() + kFootBottom < kMapPixels;
}

// The map as play changes it, a cell beyond its edge reading as a wall.
struct Grid {
  StageFileBytes cells;
  uint8_t Get(Cell c) const {
    if (c.column < 0 || c.row < 0 || c.column >= kMapCells || c.row >= kMapCells) return kOffGrid;
    return cells[static_cast<size_t>(c.row * kMapCells + c.column)];
  }
  void Set(Cell c, uint8_t code) {
    cells[static_cast<size_t>(c.row * kMapCells + c.column)] = code;
  }
  bool Both(const ProbePair& p, uint8_t code) const { return Get(p.a) == code && Get(p.b) == code; }
  bool Either(const ProbePair& p, uint8_t code) const {
    return Get(p.a) == code || Get(p.b) == code;
  }
};

// The cell holding `code` that the stage loader keeps: the last one in its
// scan, column by column and within a column row by row. Column -1: none.
Cell LastInScan(const StageFileBytes& map, uint8_t code) {
  Cell found{-1, -1};
  for (int32_t column = 0; column < kMapCells; ++column) {
    for (int32_t row = 0; row < kMapCells; ++row) {
      if (map[static_cast<size_t>(row * kMapCells + column)] == code) found = {column, row};
    }
  }
  return found;
}

std::string CellName(Cell c) {
  return "column " + std::to_string(c.column) + " row " + std::to_string(c.row);
}

// The cell the middle of the player's feet stands on.
Cell FeetCell(const Place& p) {
  return {FloorCell(p.MapX() + (kFootLeft + kFootRight) / 2),
          FloorCell(p.MapY() + (kFootTop + kFootBottom) / 2)};
}

Place Scrolled(Place p, const ScrollCase& scroll) {
  p.view_x += scroll.view_dx * scroll.push_frames;
  p.view_y += scroll.view_dy * scroll.push_frames;
  p.x += scroll.walk_dx * scroll.walk_frames - scroll.view_dx * scroll.push_frames * kCellPixels;
  p.y += scroll.walk_dy * scroll.walk_frames - scroll.view_dy * scroll.push_frames * kCellPixels;
  return p;
}

}  // namespace

void CheckStageMap(const std::string& path, const StageFileBytes& map) {
  const Cell door = LastInScan(map, kStartDoor);
  if (door.column < 0) return;
  const std::string from_door = " (the start door is at " + CellName(door) + ")";

  // Where the stage loader and the entry walk leave the player.
  Place start{0, door.row < kLowerViewTop ? 0 : kLowerViewTop, door.column * kCellPixels,
              (door.row < kLowerViewTop ? door.row : door.row - kLowerViewTop) * kCellPixels,
              false};
  start.x += kEntryWalkPixels;
  if (!FeetOnMap(start)) {
    throw FatalError(path + ": the walk out of the start door at " + CellName(door) +
                     " takes the player off the map");
  }

  // The door is floor once the player is out; the chest the loader keeps
  // is floor once the key is taken.
  Grid before_key{map};
  before_key.Set(door, kFloor);
  Grid with_key = before_key;
  if (const Cell chest = LastInScan(map, kKeyChest); chest.column >= 0) {
    with_key.Set(chest, kFloor);
  }

  std::deque<Place> waiting;
  Reached reached;
  const auto reach = [&](const Place& p) {
    // Steps never take the feet off the map (a cell beyond it is a wall),
    // but a place off it must not be counted.
    if (!FeetOnMap(p)) {
      throw FatalError(path + ": the player can walk off the map at " + CellName(FeetCell(p)) +
                       from_door);
    }
    if (reached.Insert(p)) waiting.push_back(p);
  };
  // A scroll acts on the previous frame's move, whatever wall stopped it.
  const auto scroll_on = [&](const Place& p, int32_t facing) {
    const ScrollCase* scroll = ScrollFor(MoveCode(facing), p.x, p.y);
    if (!scroll) return p;
    const Place after = Scrolled(p, *scroll);
    if (!FeetOnMap(after)) {
      throw FatalError(path + ": a scroll " + scroll->name + " from " + CellName(FeetCell(p)) +
                       " walks the player off the map" + from_door);
    }
    return after;
  };

  reach(start);
  // The first frame of a stage scrolls on the last move of the stage or the
  // life before, which may have been any arrow.
  for (int32_t facing = 0; facing < kDirectionCount; ++facing) reach(scroll_on(start, facing));

  while (!waiting.empty()) {
    const Place from = waiting.front();
    waiting.pop_front();
    for (int32_t facing = 0; facing < kDirectionCount; ++facing) {
      Place p = from;
      const auto probes = [&] { return ProbeCells(p.x, p.y, p.view_x, p.view_y, facing); };
      if ((p.key ? with_key : before_key).Both(probes(), kFloor)) {
        p.x += facing == kRight ? kWalkStepPixels : facing == kLeft ? -kWalkStepPixels : 0;
        p.y += facing == kDown ? kWalkStepPixels : facing == kUp ? -kWalkStepPixels : 0;
      }
      if (!p.key && before_key.Either(probes(), kKeyChest)) p.key = true;
      // With the key, the door opens and the stage is over.
      if (p.key && with_key.Either(probes(), kExitDoor)) continue;
      reach(scroll_on(p, facing));
    }
  }
}

}  // namespace kolvar
