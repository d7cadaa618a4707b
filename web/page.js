// tekuteku in a browser tab: the browser's side of the saver. The walkers, the frame step and the
// sound decisions run in the core (tekuteku.wasm); this script owns the timer, the <canvas>, the
// full-screen and idle input rules, the settings panel and Web Audio.
import createTekuteku from './tekuteku.js';
import { RULE, STORAGE_KEY, readPageOptions, searchWithSettings, stageFor, storedValues } from './page_settings.js';
import { fetchInflated, unpackWave } from './page_fetch.js';

// The core's cue order: fall end, day-dream start, fall start.
const SOUND_FILES = ['fall_end.wav.delta.gz', 'dream_start.wav.delta.gz', 'fall_start.wav.delta.gz'];
const NO_SOUND_REQUEST = -1;

// What the page is doing, for people poking at it from the console and for the browser tests.
const status = {
  state: 'loading',  // loading, running, waiting (idle mode), stopped (after ?ticks), failed
  ticks: 0,
  tickTimes: [],  // performance.now() when each of the latest ticks began, oldest first
  firstFrameMs: null,
  fullscreen: false,
  soundRequests: 0,
  audio: 'none',  // none, loading, ready, failed
};
window.tekuteku = status;

const canvas = document.getElementById('stage');
const context = canvas.getContext('2d', { alpha: false });
let core = null;
let options = null;
let stage = null;
let timer = 0;
let ticking = false;  // wanted; the timer itself pauses while the tab is hidden
let sheet = null;     // ImageData over the core's RGBA copy of the sprite sheet
let audio = null;     // { context, buffers, playing } once sound is on and someone touched the page
let mouseReference = null;
let idleTimer = 0;

function warn(message) {
  console.warn(`tekuteku: ${message}`);
}

function fail(message) {
  status.state = 'failed';
  console.error(`tekuteku: ${message}`);
  showNotice(`てくてくポルッカを始められません: ${message}。`);
}

// A line on the page about what went wrong; null takes it away.
function showNotice(text) {
  const problem = document.getElementById('problem');
  problem.textContent = text ?? '';
  problem.hidden = text === null;
}

function readStorage() {
  try {
    return localStorage.getItem(STORAGE_KEY);
  } catch {
    return null;  // storage switched off: the defaults and the URL still work
  }
}

function wantedStage() {
  const fitted = stageFor(innerWidth, innerHeight, devicePixelRatio);
  return { scale: fitted.scale, width: options.width ?? fitted.width, height: options.height ?? fitted.height };
}

// A new black screen of the window's size with the walkers started over, as the saver does for
// a new window.
function startStage() {
  stage = wantedStage();
  canvas.width = stage.width;
  canvas.height = stage.height;
  canvas.style.width = `${(stage.width * stage.scale) / devicePixelRatio}px`;
  canvas.style.height = `${(stage.height * stage.scale) / devicePixelRatio}px`;
  const seed = options.seed ?? core._tk_clock_seed() >>> 0;
  const [speed, count, event, se] = storedValues(options.settings);
  core._tk_start(stage.width, stage.height, speed, count, event, se, seed, audioPossible() ? 1 : 0);
  Object.assign(status, {
    width: stage.width, height: stage.height, scale: stage.scale, seed,
    walkers: core._tk_walker_count(), interval: core._tk_interval(), soundOn: core._tk_sound_on() === 1,
  });
  context.fillStyle = '#000';
  context.fillRect(0, 0, stage.width, stage.height);
}

// Makes the copies of the core's last step, in its order, straight from the sheet: the canvas is
// the only screen there is.
function draw() {
  const count = core._tk_copy_count();
  if (count === 0) return;
  if (sheet.data.buffer !== core.HEAPU8.buffer) sheet = sheetImage();  // the memory grew
  const copies = core.HEAP32;
  const first = core._tk_copies() >> 2;
  for (let i = first; i < first + count * 6; i += 6) {
    const srcX = copies[i + 2];
    const srcY = copies[i + 3];
    context.putImageData(sheet, copies[i] - srcX, copies[i + 1] - srcY, srcX, srcY, copies[i + 4], copies[i + 5]);
  }
}

function sheetImage() {
  const width = core._tk_sheet_width();
  const height = core._tk_sheet_height();
  return new ImageData(new Uint8ClampedArray(core.HEAPU8.buffer, core._tk_sheet_rgba(), width * height * 4), width, height);
}

function step() {
  status.tickTimes.push(performance.now());
  if (status.tickTimes.length > 64) status.tickTimes.shift();
  const request = core._tk_step();
  status.ticks += 1;
  draw();
  if (status.firstFrameMs === null) {
    requestAnimationFrame(() => { status.firstFrameMs ??= performance.now(); });
  }
  if (request !== NO_SOUND_REQUEST) playSound(request);
}

// Like the saver's one-shot timer: re-armed before the frame is drawn, one tick per interval, and
// never more than one pending, so a slow or paused tab gets no burst of missed ticks afterwards.
function tick() {
  timer = setTimeout(tick, status.interval);
  step();
}

function startTicking() {
  ticking = true;
  status.state = 'running';
  if (!timer && !document.hidden) tick();
}

function stopTicking() {
  ticking = false;
  clearTimeout(timer);
  timer = 0;
}

document.addEventListener('visibilitychange', () => {
  if (document.hidden) {
    clearTimeout(timer);
    timer = 0;
  } else if (ticking && !timer) {
    timer = setTimeout(tick, status.interval);  // a fresh interval; nothing is caught up
  }
});

addEventListener('resize', () => {
  if (!ticking) return;
  const wanted = wantedStage();
  if (wanted.width === stage.width && wanted.height === stage.height && wanted.scale === stage.scale) return;
  stopTicking();
  startStage();
  startTicking();
});

// Sound: nothing exists until sound is on and the page has had a gesture, as browsers require.
// The still test picture never plays.
function audioPossible() {
  return options.ticks === null && typeof AudioContext === 'function';
}

function unlockSound() {
  if (audio || options.settings.sound !== 'on' || !audioPossible()) return;
  const audioContext = new AudioContext();
  audio = { context: audioContext, buffers: SOUND_FILES.map(() => null), playing: null };
  status.audio = 'loading';
  const own = audio;
  Promise.all(SOUND_FILES.map(async (name, i) => {
    own.buffers[i] = await loadSound(audioContext, name);
  })).then(() => {
    if (audio === own) status.audio = 'ready';
  }, (error) => {
    warn(`the sounds cannot be played: ${error.message}`);
    if (audio !== own) return;
    status.audio = 'failed';
    // The saver goes on without them, and says so, as it does for the files it cannot start without.
    showNotice(`効果音を鳴らせません: ${error.message}。音なしで続けます。`);
  });
}

async function loadSound(audioContext, name) {
  let packed;
  try {
    packed = await fetchInflated(name);
  } catch (error) {
    throw new Error(`${name} を読み込めませんでした(${error.message.replace(`${name}: `, '')})`);
  }
  try {
    return await audioContext.decodeAudioData(unpackWave(packed));
  } catch (error) {
    throw new Error(`${name} が壊れています(${error.message})`);
  }
}

function stopSound() {
  if (!audio) return;
  audio.context.close();
  audio = null;
  status.audio = 'none';
  showNotice(null);
}

// One play request of the core: a new sound cuts off the one still playing; a sound that is not
// there (not loaded yet, or no gesture so far) plays nothing.
function playSound(request) {
  status.soundRequests += 1;
  if (!audio) return;
  if (audio.playing) {
    audio.playing.stop();
    audio.playing = null;
  }
  const buffer = audio.buffers[request] ?? null;
  if (!buffer) return;
  const source = audio.context.createBufferSource();
  source.buffer = buffer;
  source.connect(audio.context.destination);
  source.start();
  audio.playing = source;
}

// Input: outside full screen a key, a click or a tap enters it; in full screen a key, a click, a
// tap or more than 4 pixels of mouse movement leaves it, like the saver. In idle mode input ends
// the saver.

// The panel's own input, and a click, a tap or Enter or Space on 設定; any other key there is a
// key like anywhere else.
function inPanel(event) {
  if (!(event.target instanceof Element)) return false;
  if (event.target.closest('#settings') !== null) return true;
  const onButton = event.target.closest('#open-settings') !== null;
  return onButton && (event.type !== 'keydown' || event.key === 'Enter' || event.key === ' ');
}

function pointerAt(event) {
  return { x: event.clientX, y: event.clientY };
}

// Keys that move the focus or only modify another key: outside full screen they leave the page
// alone, so Tab reaches 設定 and a shortcut of the browser starts nothing.
const QUIET_KEYS = new Set(['Tab', 'Shift', 'Control', 'Alt', 'AltGraph', 'Meta', 'OS', 'CapsLock', 'Escape']);

function onPress(event) {
  if (inPanel(event) || !core || status.state === 'failed') return;
  unlockSound();
  if (options.idle !== null) {
    idleInput();
  } else if (options.ticks !== null) {
    // the test picture stays as it is
  } else if (document.fullscreenElement) {
    document.exitFullscreen().catch(() => {});
  } else if (!(event.ctrlKey || event.altKey || event.metaKey || QUIET_KEYS.has(event.key))) {
    document.documentElement.requestFullscreen().catch((error) => warn(`no full screen: ${error.message}`));
  }
}

// A tap is one press. Phones follow it with mouse events made from the same touch (a move, a
// press, a release); counted again, they would leave the full screen the tap just entered.
const TAP_ECHO_MS = 1000;
const TAP_ECHO_PIXELS = 24;
let lastTap = null;  // { time, x, y } of the latest touch's end

function echoOfTap(event) {
  if (event.sourceCapabilities?.firesTouchEvents) return true;
  return lastTap !== null && event.timeStamp - lastTap.time < TAP_ECHO_MS &&
    Math.abs(event.clientX - lastTap.x) + Math.abs(event.clientY - lastTap.y) <= TAP_ECHO_PIXELS;
}

// A press is the end of the last touch: fingers of one tap lift one after another.
function onTouchEnd(event) {
  const touch = event.changedTouches[0];
  lastTap = { time: event.timeStamp, x: touch?.clientX ?? 0, y: touch?.clientY ?? 0 };
  if (event.touches.length > 0) return;
  onPress(event);  // on the end of the touch: browsers allow full screen only from then
}

function onMouseMove(event) {
  if (!core || options.ticks !== null || echoOfTap(event)) return;
  const watching = options.idle !== null ? status.state === 'running' : document.fullscreenElement !== null;
  if (!watching) {
    if (options.idle !== null) idleInput();
    return;
  }
  const here = pointerAt(event);
  if (!mouseReference) {
    // The first position after the change is the reference: the page moved under the pointer,
    // so where it was before means nothing now (like the move a new saver window receives).
    mouseReference = here;
  } else if (core._tk_moved_too_far(mouseReference.x, mouseReference.y, here.x, here.y)) {
    mouseReference = here;
    if (options.idle !== null) idleInput();
    else document.exitFullscreen().catch(() => {});
  }
}

addEventListener('keydown', (event) => {
  if (event.key === 'Escape' && !panel.hidden) {
    closePanel();
    return;
  }
  onPress(event);
});
addEventListener('mousedown', (event) => {
  if (!echoOfTap(event)) onPress(event);
});
addEventListener('touchend', onTouchEnd);
addEventListener('mousemove', onMouseMove);
document.addEventListener('fullscreenchange', () => {
  status.fullscreen = document.fullscreenElement !== null;
  mouseReference = null;
  if (status.fullscreen) closePanel();
});

// Idle mode: black until there has been no input for options.idle seconds, then the saver; any
// input ends it and the wait starts again.
function idleInput() {
  if (status.state === 'running') {
    stopTicking();
    context.fillStyle = '#000';
    context.fillRect(0, 0, canvas.width, canvas.height);
  }
  status.state = 'waiting';
  clearTimeout(idleTimer);
  idleTimer = setTimeout(() => {
    mouseReference = null;
    startStage();
    startTicking();
  }, options.idle * 1000);
}

// The settings panel: the dialog's four choices. OK keeps them in this browser, and in the
// address only when asked to (a link to share or bookmark); otherwise the address loses them, so
// an old bookmark of it never undoes a later choice.
const panel = document.getElementById('settings');
const openButton = document.getElementById('open-settings');
panel.elements.count.min = String(RULE.count.low);
panel.elements.speed.min = String(RULE.speed.low);
panel.elements.speed.max = String(RULE.speed.high);
panel.elements.speed.setAttribute('aria-label', `移動速度(遅い ${RULE.speed.low} ～ 速い ${RULE.speed.high})`);

function showPanel() {
  const limit = core._tk_panel_count_limit((stage ?? wantedStage()).height);
  const s = options.settings;
  panel.elements.count.max = String(limit);
  panel.elements.count.value = String(Math.min(s.count, limit));
  document.getElementById('count-label').textContent = `ポルッカの数(${RULE.count.low}～${limit})`;
  panel.elements.speed.value = String(s.speed);
  panel.elements.event.value = s.event;
  panel.elements.sound.value = s.sound;
  panel.elements.share.checked = options.inAddress;
  panel.hidden = false;
  openButton.setAttribute('aria-expanded', 'true');
  panel.elements.count.focus();
}

function closePanel() {
  panel.hidden = true;
  openButton.setAttribute('aria-expanded', 'false');
  if (panel.contains(document.activeElement)) openButton.focus();
}

function applyPanel() {
  const limit = Number(panel.elements.count.max);
  const count = Math.round(Number(panel.elements.count.value));
  const settings = {
    speed: Number(panel.elements.speed.value),
    count: Number.isFinite(count) ? Math.min(Math.max(count, RULE.count.low), limit) : RULE.count.low,
    event: panel.elements.event.value,
    sound: panel.elements.sound.value,
  };
  try {
    localStorage.setItem(STORAGE_KEY, JSON.stringify(settings));
  } catch (error) {
    warn(`the settings cannot be kept in this browser: ${error.message}`);
  }
  options.inAddress = panel.elements.share.checked;
  const search = searchWithSettings(location.search, options.inAddress ? settings : null);
  history.replaceState(null, '', `${location.pathname}${search}${location.hash}`);
  options.settings = settings;
  status.settings = settings;
  closePanel();
  if (settings.sound === 'off') stopSound();
  if (ticking) {
    stopTicking();
    startStage();
    startTicking();
  }
  unlockSound();  // the OK click is a gesture too
}

openButton.addEventListener('click', () => {
  if (!core) return;  // the panel's limits come from the core
  if (panel.hidden) showPanel();
  else closePanel();
});
document.getElementById('settings-cancel').addEventListener('click', closePanel);
panel.addEventListener('submit', (event) => {
  event.preventDefault();
  applyPanel();
});

// A file the page cannot do without, named in the page's language when it fails.
function cannotLoad(name, why) {
  return new Error(`${name} を読み込めませんでした(${why})`);
}

async function fetchNeeded(name) {
  let response;
  try {
    response = await fetch(name);
  } catch (error) {
    throw cannotLoad(name, error.message);
  }
  if (!response.ok) throw cannotLoad(name, `HTTP ${response.status}`);
  return response;
}

// The core's module, fetched and compiled here rather than by the generated loader, so that a
// missing or damaged file is named instead of reported in the loader's words.
async function compileCore() {
  const response = await fetchNeeded('tekuteku.wasm');
  try {
    // Compiled while it arrives where the server names its type; other servers' answers whole.
    return await (response.headers.get('Content-Type') === 'application/wasm'
      ? WebAssembly.compileStreaming(response) : WebAssembly.compile(await response.arrayBuffer()));
  } catch (error) {
    throw new Error(`tekuteku.wasm が壊れています(${error.message})`);
  }
}

async function loadSheet() {
  try {
    return await fetchInflated('sheet.bmp.gz');
  } catch (error) {
    throw cannotLoad('sheet.bmp.gz', error.message.replace('sheet.bmp.gz: ', ''));
  }
}

// The still test picture: its ticks run in slices, so even a long run leaves the tab responsive.
async function runTestTicks(count) {
  let done = 0;
  while (done < count) {
    const sliceEnd = performance.now() + 20;
    while (done < count && performance.now() < sliceEnd) {
      core._tk_step();
      draw();
      done += 1;
    }
    status.ticks = done;
    if (done < count) await new Promise((resolve) => { setTimeout(resolve, 0); });
  }
}

// Kept for offline use and for installing to a home screen once the page has shown itself.
function keepForOffline() {
  if (!('serviceWorker' in navigator) || !isSecureContext) return;
  navigator.serviceWorker.register('sw.js').catch((error) => warn(`no offline copy: ${error.message}`));
}

async function main() {
  options = readPageOptions(location.search, readStorage(), warn);
  status.settings = options.settings;
  const sheetFile = loadSheet();
  sheetFile.catch(() => {});  // reported once awaited, after the core
  const module = await compileCore();
  core = await createTekuteku({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module),
        (error) => fail(`tekuteku.wasm を使えません(${error.message})`));
      return {};
    },
  });
  const bytes = await sheetFile;
  const pointer = core._malloc(bytes.length);
  core.HEAPU8.set(bytes, pointer);
  const loaded = core._tk_load_sheet(pointer, bytes.length);
  core._free(pointer);
  if (!loaded) throw new Error(`スプライトシート sheet.bmp.gz が使えません(${core.UTF8ToString(core._tk_error())})`);
  sheet = sheetImage();

  if (options.ticks !== null) {
    // Test hook: a still picture after exactly that many ticks, as tekuteku-render draws it.
    startStage();
    await runTestTicks(options.ticks);
    status.state = 'stopped';
  } else if (options.idle !== null) {
    idleInput();
  } else {
    startStage();
    startTicking();
  }
  keepForOffline();
}

main().catch((error) => fail(error.message));
