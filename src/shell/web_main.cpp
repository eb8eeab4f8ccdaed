// kolvar.js: the game in a browser page (web/index.html). The stages and
// MIDI files are embedded in the program under /data; the page's address
// may ask for a trace (`?trace`: /trace.jsonl in the page's memory, read by
// the browser tests).

#include <string>

#include "platform/web/web_platform.h"
#include "shell/program.h"
#include "video/text.h"

int main() {
  kolvar::Arguments args;
  args.root = "/data";
  if (kolvar::WebPageAsks("trace")) args.trace = "/trace.jsonl";
  kolvar::Backend web;
  web.open = [](const std::string& data_root) {
    kolvar::WebOptions options;
    options.music_folder = data_root + "/MIDI";
    options.render_text = kolvar::RenderTextLine;
    return kolvar::CreateWebPlatform(options);
  };
  web.show_error = [](const std::string& message) { kolvar::ShowWebError(message); };
  return kolvar::RunKolvar("kolvar", args, "/data", ".", web);
}
