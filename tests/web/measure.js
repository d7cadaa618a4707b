// Figures of the page in headless chromium on 127.0.0.1: what it transfers (gzipped), how long
// from navigation to its first frame, and the CPU its processes use while it runs.
//
//   node measure.js [SECONDS]      (default 20 s of CPU measurement)
// Prints one line per figure; the native saver's CPU is measured beside it by tools/measure-web.
import { readFileSync, readdirSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { launchBrowser, openPage, startServer, waitForStatus } from './lib.js';

const seconds = Number(process.argv[2] ?? 20);
const ticksPerSecond = 100;  // /proc/<pid>/stat counts in clock ticks (CLK_TCK, 100 on Linux)

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

function cpuTicks(pid) {
  try {
    const fields = readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
    return Number(fields[11]) + Number(fields[12]);  // utime + stime
  } catch {
    return 0;
  }
}

async function cpuUse(browser, url) {
  const page = await openPage(browser, { width: 1920, height: 1080 });
  await page.goto(`${url}?count=5&seed=1`);
  const status = await waitForStatus(page, (s) => s.state === 'running' && s.ticks > 5);
  const processes = processTree(browser.process().pid);
  const before = processes.map((p) => cpuTicks(p.pid));
  const ticksBefore = status.ticks;
  const started = Date.now();
  await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
  const elapsed = (Date.now() - started) / 1000;
  const ticks = (await waitForStatus(page, () => true)).ticks - ticksBefore;
  const byType = new Map();
  processes.forEach((p, i) => byType.set(p.type, (byType.get(p.type) ?? 0) + cpuTicks(p.pid) - before[i]));
  const total = [...byType.values()].reduce((a, b) => a + b, 0);
  const rate = (t) => (t / ticksPerSecond / elapsed).toFixed(4);
  console.log(`page, speed 1 (165 ms), 5 walkers on 1920x1080, ${elapsed.toFixed(0)} s, ${ticks} ticks:`);
  console.log(`  renderer CPU ${rate(byType.get('renderer') ?? 0)} s/s; all chromium processes ${rate(total)} s/s ` +
    `(${[...byType].map(([type, t]) => `${type} ${rate(t)}`).join(', ')})`);
  await page.close();
}

const server = await startServer();
const browser = await launchBrowser();
try {
  await transferSizes(browser, server.url);
  await firstFrameTimes(browser, server.url);
  await cpuUse(browser, server.url);
} finally {
  await browser.close();
  server.stop();
}
