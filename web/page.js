// The page's side of the browser backend (src/platform/web/): the canvas at
// whole-number scale, waits that give the browser its turn, localStorage,
// downloads, full screen, the touch controls and the music through Web
// Audio with its mute button and volume. The game calls into `KolvarPage`;
// web/loader.js loads the game first.
'use strict';

const KolvarPage = (() => {
  const canvas = document.getElementById('screen');
  const context = canvas.getContext('2d', {alpha: false});
  const stage = document.getElementById('stage');
  const message = document.getElementById('message');
  const noticeLine = document.getElementById('notice');
  const touchScreen = navigator.maxTouchPoints > 0 || 'ontouchstart' in window;
  let image = null;

  // The largest whole multiple of 320 x 240 in device pixels that fits the
  // room the page leaves it (above the line of keys and, on a phone held
  // upright, the touch controls), so the picture is never blurred.
  // (The stage editor on a touch screen fills the room whatever the scale:
  // fillWidth.)
  let filling = false;
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const width = stage.clientWidth * ratio;
    const height = stage.clientHeight * ratio;
    const room = Math.min(width / 320, height / 240);
    const scale = Math.max(1, Math.floor(room));
    const shown = filling ? Math.max(scale, room) : scale;
    canvas.style.width = `${(320 * shown) / ratio}px`;
    canvas.style.height = `${(240 * shown) / ratio}px`;
    return scale;
  }
  function fillWidth() {
    filling = true;
    fit();
  }
  window.addEventListener('resize', fit);
  // The room changes with the lines below it too (a notice, the stage
  // sets, the editor's tools).
  if (typeof ResizeObserver === 'function') new ResizeObserver(() => fit()).observe(stage);
  fit();

  // When the first picture and the first one with anything but black in
  // it were shown (performance.now(); read by the browser tests and bench).
  const status = {firstPicture: null, firstNonBlack: null, shows: 0, onShow: null};

  function present(bytes, width, height) {
    if (!image) image = context.createImageData(width, height);
    image.data.set(bytes);
    context.putImageData(image, 0, 0);
    status.shows += 1;
    if (status.firstPicture === null) {
      status.firstPicture = performance.now();
      KolvarLoader.done();
    }
    if (status.firstNonBlack === null && !allBlack(bytes)) status.firstNonBlack = performance.now();
    if (status.onShow) status.onShow();
  }

  function allBlack(rgba) {
    for (let i = 0; i < rgba.length; i += 4) {
      if (rgba[i] | rgba[i + 1] | rgba[i + 2]) return false;
    }
    return true;
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
    KolvarLoader.done();
    message.textContent = `The game stopped: ${text}`;
    fit();
    console.error(`kolvar: ${text}`);
  }

  // Text for the clipboard (the stage editor's Share): written where the
  // browser lets the page, and handed to the editor's page, which shows it.
  function copyText(text) {
    const clipboard = navigator.clipboard && navigator.clipboard.writeText ? navigator.clipboard
                                                                           : null;
    const written = clipboard ? clipboard.writeText(text) : Promise.reject(new Error('none'));
    written.catch(() => notice('the browser keeps the clipboard from the page'));
    window.dispatchEvent(new CustomEvent('kolvar-copy', {detail: {text, written}}));
    return clipboard !== null;
  }

  // The page's title names the stage set played.
  function caption(text) {
    document.title = text;
  }

  // The stage set played, by its title, and the others as links that play
  // each (`?stages=NAME`).
  function stageSets(names, titles, current) {
    const line = document.getElementById('sets');
    line.replaceChildren();
    const played = names.indexOf(current);
    if (played >= 0) {
      const title = document.createElement('b');
      title.id = 'set-played';
      title.textContent = titles[played];
      line.append(' \u00B7 Stage set: ', title);
    }
    const others = names.filter((name) => name !== current);
    if (others.length) line.append(played >= 0 ? ' \u00B7 also:' : ' \u00B7 Stage sets:');
    for (const name of others) {
      const link = document.createElement('a');
      link.href = `?stages=${encodeURIComponent(name)}`;
      link.textContent = titles[names.indexOf(name)];
      line.append(' ', link);
    }
    // The stage editor (a program of its own, loaded for ?edit): the packs
    // it makes are listed with the sets.
    if (KolvarLoader.program !== 'kolvar-editor') {
      const edit = document.createElement('a');
      edit.href = '?edit';
      edit.textContent = 'Edit stages';
      line.append(' \u00B7 ', edit);
    }
    fit();
  }

  // Keys belong to the game: a button or the volume never keeps the focus
  // (else Space or Enter would press the button again).
  for (const control of document.querySelectorAll('button, input')) {
    control.addEventListener('click', () => control.blur());
    control.addEventListener('change', () => control.blur());
    if (control.tagName === 'BUTTON') control.addEventListener('focus', () => control.blur());
  }

  // Full screen. The Esc press that leaves it never reaches the game, which
  // would take it as leaving the game: where the browser lets the page keep
  // Esc (the Keyboard Lock API), the page leaves full screen itself; else
  // the browser leaves it, and the page hides that Esc from the game (it
  // may arrive just after full screen ended) and its repeats until it is
  // let go.
  const fullscreen = (() => {
    const leavingMs = 500;
    let leftAt = -Infinity;
    let holding = false;  // an Esc that left full screen is still held
    const keyboard = navigator.keyboard;
    document.addEventListener('fullscreenchange', () => {
      if (document.fullscreenElement) {
        if (keyboard && keyboard.lock) keyboard.lock(['Escape']).catch(() => {});
      } else {
        leftAt = performance.now();
        if (keyboard && keyboard.unlock) keyboard.unlock();
      }
    });
    // Seen before the game's own listeners (this script runs before kolvar.js).
    window.addEventListener('keydown', (event) => {
      if (event.key !== 'Escape') return;
      const full = Boolean(document.fullscreenElement);
      if (!full && performance.now() - leftAt > leavingMs && !(holding && event.repeat)) {
        holding = false;
        return;
      }
      event.stopImmediatePropagation();
      event.preventDefault();
      holding = true;
      if (full) document.exitFullscreen().catch(() => {});
    }, true);
    window.addEventListener('keyup', (event) => {
      if (event.key !== 'Escape' || !holding) return;
      holding = false;
      event.stopImmediatePropagation();
    }, true);

    function toggle() {
      const request = document.fullscreenElement ? document.exitFullscreen()
                                                 : document.documentElement.requestFullscreen();
      if (request) request.catch(() => notice('the browser refused the whole screen'));
    }
    const button = document.getElementById('fullscreen');
    button.addEventListener('click', toggle);
    if (touchScreen) button.textContent = 'Full screen';
    return {toggle};
  })();

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

  // The pause button keeps its label, which the pause banner names; it
  // stands out while the game is paused.
  const pauseButton = document.getElementById('touch-pause');
  function paused(isPaused) {
    pauseButton.setAttribute('aria-pressed', String(isPaused));
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

    if (touchScreen) {
      document.body.classList.add('touch');
      controls.hidden = false;
      document.getElementById('key-help').hidden = true;
      document.getElementById('touch-help').hidden = false;
      fit();
    }

    return {
      shown: touchScreen,
      // The stage editor takes touches on the canvas itself: the controls
      // step aside while it edits and come back for its play-test.
      editing(on) {
        if (touchScreen) controls.hidden = on;
        document.body.classList.toggle('editing', on);
      },
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

  // The music: one Ogg Vorbis file a piece (music/NAME.ogg), fetched and
  // decoded only once it can sound: after the player's first key or touch
  // (before it the browser allows no sound) and while it is not muted. So
  // the first load carries no music.
  const music = (() => {
    let audio = null;
    let output = null;
    let level = 1;  // the output's gain: the volume, 0 when muted
    const fetched = new Map();  // piece -> Promise of its bytes
    const buffers = new Map();  // piece -> AudioBuffer
    let wanted = {piece: '', playing: false, position: 0, at: 0};
    let sounding = null;  // {source, gain, piece}

    function fetchPiece(piece) {
      if (!piece || !audio || level === 0 || fetched.has(piece)) return;
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
      fetchPiece(wanted.piece);
      const buffer = buffers.get(wanted.piece);
      if (!wanted.playing || !buffer || audio.state !== 'running' || level === 0) return;
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
      output.gain.value = level;
      output.connect(audio.destination);
      audio.onstatechange = apply;
      apply();
    }
    for (const type of ['keydown', 'pointerdown', 'touchstart']) {
      window.addEventListener(type, unlock, {capture: true, passive: true});
    }
    return {
      want(piece, playing, position) {
        wanted = {piece, playing, position, at: performance.now()};
        apply();
      },
      // 0 to 1; 0 stops the sound (and what is not fetched yet stays so).
      set level(value) {
        const was = level;
        level = value;
        if (output) output.gain.setTargetAtTime(value, audio.currentTime, 0.015);
        if ((was === 0) !== (value === 0)) apply();
      },
      // The piece sounding now, or '' (for the browser tests).
      get sounding() { return sounding ? sounding.piece : ''; },
    };
  })();

  // The mute button and the volume, kept in localStorage (kolvar.sound),
  // also from the keyboard: M mutes and plays again, - and + step the
  // volume, unless the game's settings use those keys.
  const sound = (() => {
    const key = 'kolvar.sound';
    const step = 10;
    const muteButton = document.getElementById('mute');
    const slider = document.getElementById('volume');
    let state = {volume: 100, muted: false};
    try {
      const kept = JSON.parse(load(key) || '{}');
      if (Number.isFinite(kept.volume)) state.volume = Math.min(100, Math.max(0, kept.volume));
      if (typeof kept.muted === 'boolean') state.muted = kept.muted;
    } catch (e) {
      notice(`the kept sound settings (localStorage ${key}) are not readable; the defaults apply`);
    }
    function show() {
      const words = state.muted ? 'Unmute' : 'Mute';
      muteButton.textContent = touchScreen ? words : `${words} (M)`;
      muteButton.setAttribute('aria-pressed', String(state.muted));
      slider.value = String(state.volume);
      music.level = state.muted ? 0 : state.volume / 100;
    }
    function set(change) {
      state = {...state, ...change};
      save(key, JSON.stringify(state));
      show();
    }
    muteButton.addEventListener('click', () => set({muted: !state.muted}));
    slider.addEventListener('input', () => set({volume: Number(slider.value), muted: false}));
    // After the game's listeners: a key the game took is the game's.
    window.addEventListener('keydown', (event) => {
      if (event.defaultPrevented || event.repeat || event.ctrlKey || event.altKey ||
          event.metaKey) {
        return;
      }
      if (event.code === 'KeyM') {
        set({muted: !state.muted});
      } else if (event.key === '-' || event.code === 'NumpadSubtract') {
        set({volume: Math.max(0, state.volume - step), muted: false});
      } else if (event.key === '+' || event.key === '=' || event.code === 'NumpadAdd') {
        set({volume: Math.min(100, state.volume + step), muted: false});
      } else {
        return;
      }
      event.preventDefault();
    });
    show();
    return {get state() { return {...state}; }};
  })();

  return {present, sleep, load, save, notice, fatal, caption, stageSets, fillWidth, copyText,
          toggleFullscreen: fullscreen.toggle, screenshot, paused, touch, music, sound, status};
})();
