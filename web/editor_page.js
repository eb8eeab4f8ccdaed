// The page's side of the stage editor's program (kolvar-editor.js, loaded by
// web/loader.js only for ?edit and for a link carrying a pack; its C++ side
// is src/platform/web/web_editor_page.cpp and src/shell/web_editor_main.cpp):
// the pack tools on the line below the picture (download the pack as one
// file, open a pack file, share the pack's link) and the offer a shared
// link makes (play it, or copy it into the player's packs).
'use strict';

const KolvarEditorPage = (() => {
  // A pack file is the text of the game's pack bundle; the program refuses
  // one larger than this (editor/pack_bundle.h), the page before reading it.
  const mostFileBytes = 4 << 20;
  const fileEnding = '.kolvar-pack';
  let packName = '';
  let choice = 0;  // the link's offer: 1 play, 2 copy

  // The editor's own look, kept out of the game's first load.
  const style = document.createElement('style');
  style.textContent = `
    body.touch.editing #keys { padding: 4px 8px 6px; }  /* no touch controls beside it */
    #pack-said { text-align: center; white-space: pre-line; padding: 0 12px 6px; color: #ccc;
                 overflow-wrap: anywhere; }
    #pack-said.refused { color: #f66; }
    #share-link { width: min(90%, 36em); font: inherit; color: #fff; background: #111;
                  border: 1px solid #444; margin-top: 4px; }
    #link-offer { position: absolute; inset: 0; display: flex; flex-direction: column;
                  align-items: center; justify-content: center; gap: 12px; padding: 16px;
                  background: rgba(0, 0, 0, 0.85); color: #ccc; text-align: center; }
    #link-offer b { color: #fff; font-size: 18px; }
    #link-offer button { font: inherit; font-size: 16px; color: #fff; background: #333;
                         border: 1px solid #777; border-radius: 4px; padding: 10px 16px;
                         margin: 4px 6px; }`;
  document.head.append(style);
  const line = document.getElementById('keys');
  const tools = document.createElement('span');
  tools.id = 'pack-tools';
  tools.hidden = true;  // until the program names the pack they act on
  const said = document.createElement('div');
  said.id = 'pack-said';
  said.setAttribute('role', 'status');
  line.after(said);

  function button(id, words, act) {
    const element = document.createElement('button');
    element.type = 'button';
    element.id = id;
    element.tabIndex = -1;
    element.textContent = words;
    // Keys belong to the editor: a button never keeps the focus.
    element.addEventListener('click', () => {
      element.blur();
      act();
    });
    return element;
  }

  // Calls the editor's program with strings; its answer is '+' and the
  // text, or '-' and why there is none.
  function call(name, ...texts) {
    const pointers = texts.map((text) => {
      const size = Module.lengthBytesUTF8(text) + 1;
      const pointer = Module._malloc(size);
      Module.stringToUTF8(text, pointer, size);
      return pointer;
    });
    const answer = Module[`_${name}`](...pointers);
    for (const pointer of pointers) Module._free(pointer);
    const text = Module.UTF8ToString(answer);
    Module._free(answer);
    return {ok: text.startsWith('+'), text: text.substring(1)};
  }

  function say(words, refused) {
    said.replaceChildren(words);
    said.classList.toggle('refused', Boolean(refused));
  }

  function download() {
    const answer = call('kolvar_pack_file', packName);
    if (!answer.ok) {
      say(`Not downloaded: ${answer.text}`, true);
      return;
    }
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([answer.text], {type: 'text/plain'}));
    link.download = packName + fileEnding;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    say(`${packName}${fileEnding} downloaded: "Open pack file" opens it on any page of the game.`);
  }

  // A file the player picked: checked whole by the program, kept among the
  // player's packs and opened in the editor, or refused with its faults.
  const picker = document.createElement('input');
  picker.type = 'file';
  picker.id = 'pack-file';
  picker.accept = `${fileEnding},text/plain`;
  picker.hidden = true;
  picker.addEventListener('change', async () => {
    const file = picker.files[0];
    picker.value = '';
    if (!file) return;
    if (file.size > mostFileBytes) {
      say(`${file.name} is refused: larger than ${mostFileBytes} bytes, no stage pack`, true);
      return;
    }
    let text;
    try {
      text = await file.text();
    } catch (error) {
      say(`${file.name} could not be read: ${error.message}`, true);
      return;
    }
    const answer = call('kolvar_open_pack_file', text, file.name);
    if (!answer.ok) {
      say(`${file.name} is refused, nothing of it kept:\n${answer.text}`, true);
      return;
    }
    location.assign(`?edit=${encodeURIComponent(answer.text)}`);
  });

  // The pack's link: the page's own address and #pack=..., shown, and on
  // the clipboard where the browser allows it.
  function share() {
    const answer = call('kolvar_pack_link', packName);
    if (!answer.ok) {
      say(`No link: ${answer.text}`, true);
      return;
    }
    KolvarPage.copyText(`${location.origin}${location.pathname}#${answer.text}`);
  }
  // What the page copies (the Share button, or the editor's own h and H)
  // is shown, to copy by hand where the clipboard is refused.
  window.addEventListener('kolvar-copy', async (event) => {
    const address = event.detail.text;
    const field = document.createElement('input');
    field.id = 'share-link';
    field.readOnly = true;
    field.value = address;
    field.addEventListener('focus', () => field.select());
    let copied = false;
    try {
      await event.detail.written;
      copied = true;
    } catch (error) {
      // No clipboard for this page: the link stays shown to copy by hand.
    }
    said.replaceChildren(`The link (${address.length} characters)` +
                         `${copied ? ', copied to the clipboard' : ''}: `, field);
    said.classList.remove('refused');
  });

  tools.append(' \u00B7 ', button('pack-download', 'Download pack', download),
               button('pack-open', 'Open pack file', () => picker.click()), picker,
               button('pack-share', 'Share', share));
  document.getElementById('sets').after(tools);
  document.getElementById('key-help').textContent =
      'F1 or ? shows the editor\'s keys \u00B7 each change is kept in this browser';
  document.getElementById('touch-help').textContent =
      'Tap the palette, then the map \u00B7 each change is kept in this browser';

  // On a touch screen the editor's small targets (a palette cell is 16 of
  // the picture's pixels) want every pixel of the screen's width, even at
  // a scale that is not a whole number.
  if (KolvarPage.touch.shown) KolvarPage.fillWidth();

  // The offer over the picture: a shared link's pack, to play or to copy.
  function offerLink(title, about) {
    KolvarLoader.done();
    const offer = document.createElement('div');
    offer.id = 'link-offer';
    const heading = document.createElement('b');
    heading.textContent = title;
    const words = document.createElement('span');
    words.textContent = `A stage pack from a link: ${about}`;
    const choose = (value) => () => {
      choice = value;
      offer.remove();
    };
    const buttons = document.createElement('div');
    buttons.append(button('link-play', 'Play it', choose(1)),
                   button('link-copy', 'Copy into my packs', choose(2)));
    offer.append(heading, words, buttons);
    document.getElementById('stage').append(offer);
  }

  // A link's pack refused: its faults in the message line, nothing else.
  function refuse(words) {
    KolvarLoader.done();
    const message = document.getElementById('message');
    message.textContent = words;
    message.style.textAlign = 'left';
    message.style.padding = '24px';
    document.getElementById('stage').style.display = 'none';
  }

  return {
    refuse,
    // The pack the tools act on (the program names it when it opens one
    // and each time it saves).
    packTools(name) {
      packName = name;
      tools.hidden = false;
      tools.dataset.pack = name;
    },
    offerLink,
    linkChoice: () => choice,
  };
})();
