// Figures of the page in headless chromium on 127.0.0.1: what it transfers (gzipped), how long
// from navigation to its first frame, and the CPU its processes use while it runs, beside a floor
// page that does only what any page showing the saver must (floor.html).
//
//   node measure.js [SECONDS]      (default 20 s of CPU measurement)
// Prints one line per figure; the native saver's CPU is measured beside it by tools/measure-web.
import { readFileSync, readdirSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { launchBrowser, openPage, startServer, waitForStatus } from './lib.js';

const seconds = Number(process.argv[2] ?? 20);

function gzippedSize(url, body) {
  // Files that travel compressed already are counted as they are.
  return url.endsWith('.gz') ? body.length : gzipSync(body, { level: 9 }).length;
}

async function transferSizes(browser, url) {
  const page = await openPage(browser, { width: 1280, height: 1024 });
  const pending = new Map();  // path → promise of its sizes, in the order the page asked
  page.on('response', (response) => {
    if (response.request().method() !== 'GET' || response.status() !== 200) return;
    pending.set(new URL(response.url()).pathname, response.buffer().then((body) => ({
      raw: body.length, gzipped: gzippedSize(response.url(), body),
    })));
  });
  await page.setCacheEnabled(false);
  await page.goto(`${url}?sound=on&seed=1`);
  await waitForStatus(page, (s) => s.state === 'running');
  const pageFiles = [...pending.keys()];
  await page.mouse.click(20, 20);  // the gesture that fetches the sounds
  await waitForStatus(page, (s) => s.audio === 'ready', 10000);
  const soundFiles = [...pending.keys()].filter((n) => !pageFiles.includes(n));
  const files = new Map();
  for (const [name, sizes] of pending) files.set(name, await sizes);
  await page.close();
  const sum = (names) => names.reduce((total, n) => total + files.get(n).gzipped, 0);
  for (const [name, size] of files) console.log(`  ${name.padEnd(26)} ${String(size.raw).padStart(8)} B, gzipped ${String(size.gzipped).padStart(7)} B`);
  console.log(`transfer, gzipped: page ${(sum(pageFiles) / 1024).toFixed(1)} KiB (${pageFiles.length} files); ` +
    `sounds, fetched only with sound on after a gesture, ${(sum(soundFiles) / 1024).toFixed(1)} KiB more`);
}

// Marks the moment the first non-black pixel is handed to the canvas.
function watchForWalkers() {
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (image, dx, dy, x, y, w, h) {
    put.call(this, image, dx, dy, x, y, w, h);
    for (let row = y; !window.walkersSeenMs && row < y + h; row += 1) {
      for (let i = (row * image.width + x) * 4; i < (row * image.width + x + w) * 4; i += 4) {
        if (image.data[i] || image.data[i + 1] || image.data[i + 2]) {
          window.walkersSeenMs = performance.now();
          break;
        }
      }
    }
  };
}

function describe(times) {
  times.sort((a, b) => a - b);
  return `median ${times[times.length >> 1].toFixed(0)} ms, min ${times[0].toFixed(0)} ms, max ${times.at(-1).toFixed(0)} ms`;
}

async function firstFrameTimes(browser, url, runs = 10) {
  const frames = [];
  const walkers = [];
  for (let i = 0; i < runs; i += 1) {
    const page = await openPage(browser, { width: 1280, height: 1024 });
    await page.setCacheEnabled(false);
    await page.evaluateOnNewDocument(watchForWalkers);
    await page.goto(`${url}?seed=${i + 1}`);
    frames.push((await waitForStatus(page, (s) => s.firstFrameMs !== null)).firstFrameMs);
    await page.waitForFunction(() => window.walkersSeenMs !== undefined, { timeout: 10000 });
    walkers.push(await page.evaluate(() => window.walkersSeenMs));
    await page.close();
  }
  console.log(`navigation to first frame, ${runs} loads without cache: ${describe(frames)}`);
  console.log(`navigation to the walker's first pixels (default speed, 3 ticks of 165 ms in): ${describe(walkers)}`);
}

// Chromium's processes below the browser process, with their --type.
function processTree(rootPid) {
  const parents = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
      parents.set(Number(name), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch {
      // gone meanwhile
    }
  }
  const tree = [rootPid];
  for (let grew = true; grew;) {
    grew = false;
    for (const [pid, parent] of parents) {
      if (tree.includes(parent) && !tree.includes(pid)) {
        tree.push(pid);
        grew = true;
      }
    }
  }
  return tree.map((pid) => {
    let type = 'browser';
    try {
      type = readFileSync(`/proc/${pid}/cmdline`, 'utf8').match(/--type=([a-z-]+)/)?.[1] ?? (pid === rootPid ? 'browser' : 'other');
    } catch {
      type = 'gone';
    }
    return { pid, type };
  });
}

// CPU seconds a process has run so far: the sum over its threads of /proc's scheduler figures,
// which count in nanoseconds (the clock ticks of /proc/<pid>/stat are too coarse for a page that
// uses 2 % of a core).
function cpuSeconds(pid) {
  let nanoseconds = 0;
  let tasks;
  try {
    tasks = readdirSync(`/proc/${pid}/task`);
  } catch {
    return null;  // the process ended meanwhile
  }
  for (const task of tasks) {
    try {
      nanoseconds += Number(readFileSync(`/proc/${pid}/task/${task}/schedstat`, 'utf8').split(' ')[0]);
    } catch {
      // the thread ended meanwhile
    }
  }
  return nanoseconds / 1e9;
}

// Waits until the renderers of closed tabs have gone, so they are not counted for the next one.
async function settle(browser, renderers, deadlineMs = 10000) {
  const end = Date.now() + deadlineMs;
  while (processTree(browser.process().pid).filter((p) => p.type === 'renderer').length > renderers && Date.now() < end) {
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// The rectangles the page hands to the canvas, tick by tick, once the walkers are on screen.
async function recordRects(browser, url, ticks = 500) {
  const page = await openPage(browser, { width: 1920, height: 1080 });
  await page.evaluateOnNewDocument(() => {
    window.rectsByTick = [];
    const put = CanvasRenderingContext2D.prototype.putImageData;
    CanvasRenderingContext2D.prototype.putImageData = function (image, dx, dy, x, y, w, h) {
      put.call(this, image, dx, dy, x, y, w, h);
      const tick = window.tekuteku?.ticks ?? 0;
      if (tick > 0) (window.rectsByTick[tick] ??= []).push([dx + x, dy + y, w, h]);
    };
  });
  await page.goto(`${url}?count=5&seed=1&speed=6`);
  await waitForStatus(page, (s) => s.ticks > ticks + 20, 60000, 'recording the rectangles');
  const recorded = await page.evaluate((n) => window.rectsByTick.slice(20, 20 + n).map((r) => r ?? []), ticks);
  await page.close();
  const pixels = recorded.flat().reduce((sum, [, , w, h]) => sum + w * h, 0);
  console.log(`  the page's rectangles: ${(recorded.flat().length / recorded.length).toFixed(1)} a tick, ` +
    `${Math.round(pixels / recorded.length)} pixels a tick (over ${recorded.length} ticks)`);
  return recorded;
}

// CPU seconds per second of chromium's processes by --type, over spanSeconds, with one page open.
async function cpuOver(browser, ticksNow, spanSeconds) {
  const processes = processTree(browser.process().pid);
  const before = processes.map((p) => cpuSeconds(p.pid));
  const ticksBefore = await ticksNow();
  const started = Date.now();
  await new Promise((resolve) => setTimeout(resolve, spanSeconds * 1000));
  const elapsed = (Date.now() - started) / 1000;
  const ticks = (await ticksNow()) - ticksBefore;
  const byType = new Map();
  processes.forEach((p, i) => {
    const now = cpuSeconds(p.pid);
    if (now !== null && before[i] !== null) byType.set(p.type, (byType.get(p.type) ?? 0) + now - before[i]);
  });
  const total = [...byType.values()].reduce((a, b) => a + b, 0);
  const rate = (t) => t / elapsed;
  return { elapsed, ticks, renderer: rate(byType.get('renderer') ?? 0), total: rate(total), byType, rate };
}

function describeCpu(name, m) {
  const types = [...m.byType].map(([type, t]) => `${type} ${m.rate(t).toFixed(4)}`).join(', ');
  console.log(`  ${name.padEnd(6)} ${m.ticks} ticks in ${m.elapsed.toFixed(0)} s: renderer CPU ${m.renderer.toFixed(4)} s/s; ` +
    `all chromium processes ${m.total.toFixed(4)} s/s (${types})`);
}

// The page beside the floor page (floor.html: the same timer and the same rectangles, nothing
// else) in the same browser, at speeds 1 and 6: in five turns each, so that a
// change in the machine's other load falls on both alike.
async function cpuUse(browser, url, floorUrl, rounds = 5) {
  await new Promise((resolve) => setTimeout(resolve, 2000));  // the earlier tabs' renderers end
  const renderers = processTree(browser.process().pid).filter((p) => p.type === 'renderer').length;
  const rects = await recordRects(browser, url);
  await settle(browser, renderers);
  const add = (sum, m) => ({ elapsed: sum.elapsed + m.elapsed, ticks: sum.ticks + m.ticks,
    rendererSeconds: sum.rendererSeconds + m.renderer * m.elapsed, totalSeconds: sum.totalSeconds + m.total * m.elapsed });
  const empty = { elapsed: 0, ticks: 0, rendererSeconds: 0, totalSeconds: 0 };
  for (const [speed, interval] of [[1, 165], [6, 10]]) {
    console.log(`speed ${speed} (${interval} ms), 5 walkers on 1920x1080, ${rounds} turns of ${(seconds / rounds).toFixed(0)} s each:`);
    let own = empty;
    let least = empty;
    const turns = [];  // each turn's page / floor per tick: a burst of other load skews one turn only
    for (let round = 0; round < rounds; round += 1) {
      const page = await openPage(browser, { width: 1920, height: 1080 });
      await page.goto(`${url}?count=5&seed=1&speed=${speed}`);
      await waitForStatus(page, (s) => s.state === 'running' && s.ticks > 5);
      const m = await cpuOver(browser, async () => (await waitForStatus(page, () => true)).ticks, seconds / rounds);
      await page.close();
      await settle(browser, renderers);
      describeCpu('page', m);
      own = add(own, m);
      const floor = await openPage(browser, { width: 1920, height: 1080 });
      await floor.goto(`${floorUrl}floor.html`);
      await floor.evaluate((...args) => window.startFloor(...args), interval, 1920, 1080, rects);
      const f = await cpuOver(browser, () => floor.evaluate(() => window.floorTicks), seconds / rounds);
      await floor.close();
      await settle(browser, renderers);
      describeCpu('floor', f);
      least = add(least, f);
      turns.push((m.renderer * m.elapsed * f.ticks) / (f.renderer * f.elapsed * m.ticks));
    }
    const perTick = (m) => (m.rendererSeconds / m.ticks) * 1e6;
    console.log(`  page / floor, renderer CPU: ${(own.rendererSeconds / least.rendererSeconds).toFixed(2)}x ` +
      `(${(own.rendererSeconds / own.elapsed).toFixed(4)} / ${(least.rendererSeconds / least.elapsed).toFixed(4)} s/s); ` +
      `per tick ${(perTick(own) / perTick(least)).toFixed(2)}x (${perTick(own).toFixed(0)} / ${perTick(least).toFixed(0)} µs); ` +
      `all processes ${(own.totalSeconds / least.totalSeconds).toFixed(2)}x`);
    turns.sort((a, b) => a - b);
    console.log(`  page / floor, renderer CPU per tick, median of the ${rounds} turns: ${turns[rounds >> 1].toFixed(2)}x ` +
      `(from ${turns[0].toFixed(2)}x to ${turns.at(-1).toFixed(2)}x)`);
  }
}

const server = await startServer();
const floorServer = await startServer(path.dirname(fileURLToPath(import.meta.url)));
const browser = await launchBrowser();
try {
  await transferSizes(browser, server.url);
  await firstFrameTimes(browser, server.url);
  await cpuUse(browser, server.url, floorServer.url);
} finally {
  await browser.close();
  server.stop();
  floorServer.stop();
}
