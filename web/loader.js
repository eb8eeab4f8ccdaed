// The page's loading (run first, before web/page.js and kolvar.js): the
// game's WebAssembly is fetched and compiled while kolvar.js arrives, a
// progress bar counts it over the canvas, and when a part cannot load, or
// the browser has no WebAssembly, a plain message says what to do (the
// runtime's own words go to the console only). Defines `Module`, which
// configures kolvar.js. The program is the game's (kolvar.js) or, for
// ?edit and for a link carrying a pack, the stage editor's
// (kolvar-editor.js, with the page's editor_page.js): index.html names it
// (KolvarProgram) and preloads its wasm.
'use strict';

const KolvarLoader = (() => {
  const program = typeof KolvarProgram === 'string' ? KolvarProgram : 'kolvar';
  const editor = program === 'kolvar-editor';
  const what = editor ? 'the stage editor' : 'the game';
  const box = document.getElementById('loading');
  const bar = document.getElementById('loading-bar');
  const words = document.getElementById('loading-words');
  // The uncompressed size of kolvar.wasm, written into the page by the
  // build; a page without it shows a bar that only says it is busy.
  const wasmBytes = Number(editor ? bar.dataset.editorBytes : bar.dataset.bytes) || 0;
  let failed = false;

  const askAgain = 'Check the connection and reload the page; if this happens again, the ' +
                   'site is incomplete: tell whoever runs it.';
  const texts = {
    noWebAssembly: 'This browser cannot run the game: it has no WebAssembly, or it is ' +
                   'switched off. Open the page in a current Firefox, Chrome, Edge or Safari.',
    missing: (part, why) => `The ${editor ? 'stage editor' : 'game'} could not be loaded: ` +
                            `${part} did not arrive (${why}). ${askAgain}`,
    damaged: `The ${editor ? 'stage editor' : 'game'} could not be started: ${program}.wasm is ` +
             'damaged or belongs to another version of the site. Reload the page; if this ' +
             'happens again, tell whoever runs the site.',
    stopped: 'The game stopped after a fault of its own. Reload the page to play again.',
  };

  // Replaces the progress with `text` (once: the first failure is the one
  // that tells what to do).
  function fail(text) {
    if (failed) return;
    failed = true;
    bar.hidden = true;
    words.textContent = text;
    box.classList.add('failed');
    box.setAttribute('role', 'alert');
    box.hidden = false;
  }

  function progress(received) {
    if (failed) return;
    if (!wasmBytes) {
      bar.removeAttribute('value');  // busy, with no end known
      return;
    }
    const part = Math.min(received / wasmBytes, 1);
    bar.value = part;
    words.textContent = part < 1 ? `Loading ${what}\u2026 ${Math.floor(100 * part)} %`
                                 : `Starting ${what}\u2026`;
  }

  // Reads the response through a counter into a compiler that starts on
  // the first bytes; a browser without streams compiles the whole download.
  function compile(response) {
    let received = 0;
    const count = (chunk) => {
      received += chunk.byteLength;
      progress(received);
    };
    if (response.body && typeof TransformStream === 'function' && WebAssembly.compileStreaming) {
      const counted = response.body.pipeThrough(new TransformStream({
        transform(chunk, controller) {
          count(chunk);
          controller.enqueue(chunk);
        },
      }));
      return WebAssembly.compileStreaming(
          new Response(counted, {headers: {'Content-Type': 'application/wasm'}}));
    }
    return response.arrayBuffer().then((bytes) => {
      count(bytes);
      return WebAssembly.compile(bytes);
    });
  }

  // A failure of the wasm's download or start, told plainly.
  function wasmFailure(error) {
    console.error(`kolvar: ${program}.wasm: ${error && error.message ? error.message : error}`);
    const broken = typeof WebAssembly === 'object' &&
                   (error instanceof WebAssembly.CompileError || error instanceof WebAssembly.LinkError);
    fail(broken ? texts.damaged
                : texts.missing(`${program}.wasm`, error.status ? `the server answered ${error.status}`
                                                            : 'the connection failed'));
  }

  const hasWebAssembly = typeof WebAssembly === 'object' &&
                         typeof WebAssembly.instantiate === 'function';
  let compiled = null;
  if (hasWebAssembly) {
    progress(0);
    compiled = fetch(`${program}.wasm`, {credentials: 'same-origin'}).then((response) => {
      if (!response.ok) {
        const error = new Error(`HTTP ${response.status}`);
        error.status = response.status;
        throw error;
      }
      return compile(response);
    });
    compiled.catch(wasmFailure);
  } else {
    fail(texts.noWebAssembly);
  }

  return {
    program,
    // The program's script, and before it the editor's side of the page
    // (each runs once it has arrived, in this order), once the page's own
    // script has run (index.html calls this after page.js): the program
    // calls into KolvarPage.
    start() {
      for (const part of editor ? ['editor_page.js', `${program}.js`] : [`${program}.js`]) {
        const script = document.createElement('script');
        script.src = part;
        script.async = false;
        script.onerror = () => KolvarLoader.missing(part);
        document.body.append(script);
      }
    },
    // kolvar.js asks for the game's instance with the imports it provides.
    instantiate(imports, receive) {
      if (!compiled) return {};
      // (A failed download or compile is told once, by `compiled`'s catch.)
      compiled.then((module) => WebAssembly.instantiate(module, imports)
                                     .then((instance) => receive(instance, module), wasmFailure),
                    () => {});
      return {};  // the exports arrive through `receive`
    },
    // A script of the page did not arrive (its element's onerror).
    missing(part) {
      console.error(`kolvar: ${part} did not load`);
      fail(texts.missing(part, 'it could not be fetched'));
    },
    // The runtime stopped: its words go to the console, the player's to the page.
    aborted(what) {
      console.error(`kolvar: ${what}`);
      fail(texts.stopped);
    },
    // The game shows its first picture: the loading is over.
    done() {
      if (!failed) box.hidden = true;
    },
    get failed() { return failed; },
  };
})();

var Module = {
  canvas: document.getElementById('screen'),
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  instantiateWasm: KolvarLoader.instantiate,
  onAbort: KolvarLoader.aborted,
};
