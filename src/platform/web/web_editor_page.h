// The page's side of the stage editor's program (kolvar-editor.js, loaded
// only for `?edit` and for a link carrying a pack): its pack tools
// (download, open a file, share), the offer a shared link makes, and the
// page's address. The page's side is web/editor_page.js.
#pragma once

#include <optional>
#include <string>

namespace kolvar {

// The page's fragment without its '#' (the part of the address no server
// sees); nothing when the address has none.
std::optional<std::string> WebPageFragment();

// The page's own address without its query and fragment
// (https://example.org/kolvar/): where the editor's links lead.
std::string WebPageAddress();

// The page's pack tools act on the pack `name` (a folder's name among the
// player's packs or the page's stage sets).
void ShowWebPackTools(const std::string& name);

enum class WebLinkChoice { kPlay, kCopy };

// Offers the pack a link carries, `title` and `about` it (its stages, its
// author), to play or to copy into the player's packs, and waits for the
// player's choice (the browser has its turn meanwhile).
WebLinkChoice AskWebLinkChoice(const std::string& title, const std::string& about);

// Says on the page why a link's pack is refused (`words`, a line each):
// the page holds nothing else then.
void ShowWebLinkRefused(const std::string& words);

// Replaces the page's address by `query` ("?edit=NAME") without loading
// it, the fragment dropped: a reload opens what the page now shows.
void SetWebPageAddress(const std::string& query);

}  // namespace kolvar
