// The page's side of the browser backend (src/platform/web/): the canvas at
// whole-number scale, waits that give the browser its turn, localStorage,
// downloads, full screen, the touch controls and the music through Web
// Audio. The game calls into `KolvarPage`; `Module` configures kolvar.js.
'use strict';

const KolvarPage = (() => {
  const canvas = document.getElementById('screen');
  const context = canvas.getContext('2d', {alpha: false});
  const keysLine = document.getElementById('keys');
  const message = document.getElementById('message');
  const noticeLine = document.getElementById('notice');
  let image = null;

  // The largest whole multiple of 320 x 240 in device pixels that fits the
  // page above the line of keys, so the picture is never blurred.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const width = window.innerWidth * ratio;
    const height = (window.innerHeight - keysLine.offsetHeight - message.offsetHeight -
                    noticeLine.offsetHeight) * ratio;
    const scale = Math.max(1, Math.floor(Math.min(width / 320, height / 240)));
    canvas.style.width = `${(320 * scale) / ratio}px`;
    canvas.style.height = `${(240 * scale) / ratio}px`;
    return scale;
  }
  window.addEventListener('resize', fit);
  fit();

  const status = {firstPicture: null, shows: 0, onShow: null};

  function present(bytes, width, height) {
    if (!image) image = context.createImageData(width, height);
    image.data.set(bytes);
    context.putImageData(image, 0, 0);
    status.shows += 1;
    if (status.firstPicture === null) status.firstPicture = performance.now();
    if (status.onShow) status.onShow();
  }

  // A timer set from inside a timer callback is held back to 4 ms once
  // nested deeply, which would stretch the game's short naps; each nap
  // resumes the game from a message instead, so its timers never nest.
  const wakeups = [];
  const channel = new MessageChannel();
  channel.port1.onmessage = () => wakeups.shift()();
  function sleep(ms) {
    return new Promise((resolve) => {
      setTimeout(() => {
        wakeups.push(resolve);
        channel.port2.postMessage(0);
      }, ms);
    });
  }

  function load(key) {
    try {
      return window.localStorage.getItem(key);
    } catch (e) {
      return null;  // storage switched off: nothing kept
    }
  }

  function save(key, text) {
    try {
      window.localStorage.setItem(key, text);
      return true;
    } catch (e) {
      return false;
    }
  }

  // The notice line below the picture: each line once, for five seconds,
  // one after another (as the desktop window's band shows them).
  const noticeMs = 5000;
  const noticesTold = new Set();
  const noticesWaiting = [];
  function showNextNotice() {
    noticeLine.textContent = noticesWaiting.length ? noticesWaiting[0] : '';
    if (noticesWaiting.length) {
      setTimeout(() => {
        noticesWaiting.shift();
        showNextNotice();
      }, noticeMs);
    }
  }
  function notice(text) {
    console.warn(`kolvar: ${text}`);
    if (noticesTold.has(text)) return;
    noticesTold.add(text);
    noticesWaiting.push(text);
    if (noticesWaiting.length === 1) showNextNotice();
  }

  function fatal(text) {
    message.textContent = `The game stopped: ${text}`;
    fit();
    console.error(`kolvar: ${text}`);
  }

  // The page's title names the stage set played.
  function caption(text) {
    document.title = text;
  }

  // The stage sets in the page as links (`?stages=NAME`), the one played
  // as plain text; nothing when the game's own is the only one.
  function stageSets(names, current) {
    const line = document.getElementById('sets');
    line.replaceChildren();
    if (names.length < 2) return;
    line.append(' \u00B7 Stage sets:');
    for (const name of names) {
      line.append(' ');
      if (name === current) {
        const played = document.createElement('b');
        played.textContent = name;
        line.append(played);
      } else {
        const link = document.createElement('a');
        link.href = `?stages=${encodeURIComponent(name)}`;
        link.textContent = name;
        line.append(link);
      }
    }
    fit();
  }

  function toggleFullscreen() {
    const request = document.fullscreenElement ? document.exitFullscreen()
                                               : document.documentElement.requestFullscreen();
    if (request) request.catch(() => notice('the browser refused the whole screen'));
  }
  document.getElementById('fullscreen').addEventListener('click', toggleFullscreen);

  // The picture as a PNG download, at the scale it is shown.
  function screenshot(bytes, name) {
    const scale = fit();
    const small = document.createElement('canvas');
    small.width = 320;
    small.height = 240;
    small.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(bytes), 320, 240), 0, 0);
    const big = document.createElement('canvas');
    big.width = 320 * scale;
    big.height = 240 * scale;
    const draw = big.getContext('2d');
    draw.imageSmoothingEnabled = false;
    draw.drawImage(small, 0, 0, big.width, big.height);
    big.toBlob((blob) => {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = scale > 1 ? name.replace('.png', `_x${scale}.png`) : name;
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    }, 'image/png');
  }

  const pauseButton = document.getElementById('touch-pause');
  function paused(isPaused) {
    pauseButton.textContent = isPaused ? '\u25B6' : 'II';
  }

  // The touch controls: a pad (the direction from its centre to the
  // finger) and the Z and pause buttons, shown on touch screens only.
  const touch = (() => {
    const controls = document.getElementById('touch');
    const pad = document.getElementById('pad');
    const keyBits = {up: 1, right: 2, down: 4, left: 8, z: 32};
    const fingers = new Map();  // touch identifier -> key bit it holds
    let tapped = 0;
    let pauseTapped = false;

    function padBit(t) {
      const box = pad.getBoundingClientRect();
      const dx = t.clientX - (box.left + box.width / 2);
      const dy = t.clientY - (box.top + box.height / 2);
      if (Math.hypot(dx, dy) < box.width * 0.12) return 0;  // the dead centre
      if (Math.abs(dx) > Math.abs(dy)) return dx > 0 ? keyBits.right : keyBits.left;
      return dy > 0 ? keyBits.down : keyBits.up;
    }
    function hold(event, bitOf) {
      event.preventDefault();
      for (const t of event.changedTouches) {
        const bit = bitOf(t);
        if (bit && fingers.get(t.identifier) !== bit) tapped |= bit;
        fingers.set(t.identifier, bit);
      }
    }
    function letGo(event) {
      event.preventDefault();
      for (const t of event.changedTouches) fingers.delete(t.identifier);
    }
    for (const type of ['touchstart', 'touchmove']) {
      pad.addEventListener(type, (e) => hold(e, padBit), {passive: false});
    }
    const zButton = document.getElementById('touch-z');
    zButton.addEventListener('touchstart', (e) => hold(e, () => keyBits.z), {passive: false});
    for (const element of [pad, zButton]) {
      element.addEventListener('touchend', letGo, {passive: false});
      element.addEventListener('touchcancel', letGo, {passive: false});
    }
    pauseButton.addEventListener('touchstart', (e) => {
      e.preventDefault();
      pauseTapped = true;
    }, {passive: false});

    if (navigator.maxTouchPoints > 0 || 'ontouchstart' in window) {
      controls.hidden = false;
      document.getElementById('key-help').hidden = true;
      document.getElementById('touch-help').hidden = false;
      fit();
    }

    return {
      // Bits 0-5 held, 8-13 touched since the last look, 16 pause.
      take() {
        let held = 0;
        for (const bit of fingers.values()) held |= bit;
        const word = held | (tapped << 8) | (pauseTapped ? 1 << 16 : 0);
        tapped = 0;
        pauseTapped = false;
        return word;
      },
    };
  })();

  // The music: one Ogg Vorbis file a piece (music/NAME.ogg), decoded once
  // the player's first key or touch lets the page make sound.
  const music = (() => {
    let audio = null;
    let output = null;
    const fetched = new Map();  // piece -> Promise of its bytes
    const buffers = new Map();  // piece -> AudioBuffer
    let wanted = {piece: '', playing: false, position: 0, at: 0};
    let sounding = null;  // {source, gain, piece}

    function fetchPiece(piece) {
      if (!piece || fetched.has(piece)) return;
      const bytes = fetch(`music/${piece}.ogg`).then((response) => {
        if (!response.ok) throw new Error(`music/${piece}.ogg: ${response.status}`);
        return response.arrayBuffer();
      });
      bytes.catch(() => {});  // reported when the piece is decoded
      fetched.set(piece, bytes);
      decode(piece);
    }
    function decode(piece) {
      if (!audio || buffers.has(piece) || !fetched.has(piece)) return;
      buffers.set(piece, null);
      fetched.get(piece)
          .then((bytes) => audio.decodeAudioData(bytes))
          .then((buffer) => {
            buffers.set(piece, buffer);
            apply();
          })
          .catch((error) => notice(`music ${piece} cannot be played: ${error.message}`));
    }
    function silence() {
      if (!sounding) return;
      // A short fade instead of a click.
      const {source, gain} = sounding;
      gain.gain.setTargetAtTime(0, audio.currentTime, 0.015);
      source.stop(audio.currentTime + 0.1);
      sounding = null;
    }
    function apply() {
      if (!audio) return;
      silence();
      const buffer = buffers.get(wanted.piece);
      if (!wanted.playing || !buffer || audio.state !== 'running') return;
      const offset = (wanted.position + performance.now() - wanted.at) / 1000;
      if (offset >= buffer.duration) return;
      const source = audio.createBufferSource();
      const gain = audio.createGain();
      source.buffer = buffer;
      source.connect(gain).connect(output);
      source.start(0, offset);
      sounding = {source, gain, piece: wanted.piece};
    }
    function unlock() {
      if (audio) {
        if (audio.state === 'suspended') audio.resume();
        return;
      }
      audio = new AudioContext();
      output = audio.createGain();
      output.connect(audio.destination);
      audio.onstatechange = apply;
      for (const piece of fetched.keys()) decode(piece);
    }
    for (const type of ['keydown', 'pointerdown', 'touchstart']) {
      window.addEventListener(type, unlock, {capture: true, passive: true});
    }
    return {
      want(piece, playing, position) {
        wanted = {piece, playing, position, at: performance.now()};
        fetchPiece(piece);
        apply();
      },
      // The piece sounding now, or '' (for the browser tests).
      get sounding() { return sounding ? sounding.piece : ''; },
    };
  })();

  return {present, sleep, load, save, notice, fatal, caption, stageSets, toggleFullscreen,
          screenshot, paused, touch, music, status};
})();

var Module = {
  canvas: document.getElementById('screen'),
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  onAbort: (what) => KolvarPage.fatal(String(what)),
};
