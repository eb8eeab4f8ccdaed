// The window's notices (a settings file's problems, a screenshot saved, a
// music device's trouble) along the bottom of the picture as the window
// shows it: one line at a time, white on a dark band, drawn at the window's
// own resolution over the scaled picture and never into the game's picture,
// so screenshots and the game's own pictures stay as they are. A standing
// line (the keys on a first start, the recording being watched) stays
// while no notice needs the band.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/pause.h"

namespace kolvar {

class NoticeBand {
 public:
  // `render_text` draws the lines (the game's text); without it no line is
  // shown.
  explicit NoticeBand(RenderTextFunction render_text);
  ~NoticeBand() { Release(); }
  NoticeBand(const NoticeBand&) = delete;
  NoticeBand& operator=(const NoticeBand&) = delete;

  // Queues a line; a line already shown or waiting is not shown again.
  void Queue(const std::string& line);

  // Sets the standing line, shown whenever no queued line is; empty: none.
  void Stand(const std::string& line);

  // A line is on screen or waiting for it: the picture is drawn with it.
  bool Pending() const { return texture_ || !waiting_.empty() || !standing_.empty(); }
  // A line is on screen.
  bool Showing() const { return texture_ != nullptr; }
  // The line on screen has had its time, or one waits with none on screen:
  // the window is to be drawn again.
  bool Due() const;

  // Takes the next line when the one on screen has had its time (or the
  // standing line when the window's width changed), for `picture` (the
  // picture's place in the window). True when the line on screen changed:
  // another one, or none, where the window showed the one before.
  bool Update(SDL_Renderer* renderer, const SDL_Rect& picture);
  // Where the band lies over `picture`; empty (zero height) with no line.
  SDL_Rect Band(const SDL_Rect& picture) const;
  // Draws the band with the line on screen over `picture`.
  void DrawLine(SDL_Renderer* renderer, const SDL_Rect& picture) const;
  // Update, then DrawLine.
  void Draw(SDL_Renderer* renderer, const SDL_Rect& picture);

  // Lets go of the line's texture; called before its renderer goes.
  void Release();

 private:
  void TakeNext(SDL_Renderer* renderer, int zoom, int width);
  // Makes `line` the one on screen; false when it draws nothing.
  bool Render(SDL_Renderer* renderer, int zoom, int width, std::string line);

  RenderTextFunction render_text_;
  std::deque<std::string> waiting_;  // to be shown
  std::vector<std::string> told_;    // every line shown or waiting
  SDL_Texture* texture_ = nullptr;   // the line on screen
  std::string standing_;
  bool standing_shown_ = false;  // the line on screen is the standing line as it is now
  int fit_width_ = 0;            // the width the line on screen was fitted to
  int width_ = 0;
  int height_ = 0;
  uint32_t until_ = 0;
};

}  // namespace kolvar
