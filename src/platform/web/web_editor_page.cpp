#include "platform/web/web_editor_page.h"

#include <emscripten.h>

#include <cstdlib>

namespace kolvar {
namespace {

// The page's side of each call lives in web/editor_page.js.

EM_JS(char*, kolvar_web_fragment, (), {
  if (!location.hash) return 0;
  const value = location.hash.substring(1);
  const size = lengthBytesUTF8(value) + 1;
  const copy = _malloc(size);
  stringToUTF8(value, copy, size);
  return copy;
});

EM_JS(char*, kolvar_web_address, (), {
  const value = location.origin + location.pathname;
  const size = lengthBytesUTF8(value) + 1;
  const copy = _malloc(size);
  stringToUTF8(value, copy, size);
  return copy;
});

EM_JS(void, kolvar_web_pack_tools, (const char* name),
      { KolvarEditorPage.packTools(UTF8ToString(name)); });

EM_JS(void, kolvar_web_offer_link, (const char* title, const char* about),
      { KolvarEditorPage.offerLink(UTF8ToString(title), UTF8ToString(about)); });

// 0 while the player has not chosen, 1 play, 2 copy.
EM_JS(int, kolvar_web_link_choice, (), { return KolvarEditorPage.linkChoice(); });

EM_JS(void, kolvar_web_link_refused, (const char* words),
      { KolvarEditorPage.refuse(UTF8ToString(words)); });

EM_JS(void, kolvar_web_set_address, (const char* query),
      { history.replaceState(null, document.title, UTF8ToString(query)); });

// Gives the browser its turn while the page waits for the player.
EM_ASYNC_JS(void, kolvar_web_wait, (int ms), { await KolvarPage.sleep(ms); });

constexpr int kChoiceLookMs = 50;

}  // namespace

std::optional<std::string> WebPageFragment() {
  char* value = kolvar_web_fragment();
  if (!value) return std::nullopt;
  std::string text = value;
  std::free(value);
  return text;
}

std::string WebPageAddress() {
  char* value = kolvar_web_address();
  std::string text = value;
  std::free(value);
  return text;
}

void ShowWebPackTools(const std::string& name) {
  kolvar_web_pack_tools(name.c_str());
}

WebLinkChoice AskWebLinkChoice(const std::string& title, const std::string& about) {
  kolvar_web_offer_link(title.c_str(), about.c_str());
  for (;;) {
    const int choice = kolvar_web_link_choice();
    if (choice == 1) return WebLinkChoice::kPlay;
    if (choice == 2) return WebLinkChoice::kCopy;
    kolvar_web_wait(kChoiceLookMs);
  }
}

void ShowWebLinkRefused(const std::string& words) {
  kolvar_web_link_refused(words.c_str());
}

void SetWebPageAddress(const std::string& query) {
  kolvar_web_set_address(query.c_str());
}

}  // namespace kolvar
