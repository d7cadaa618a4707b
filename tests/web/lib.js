// Shared pieces of the browser tests: the page served from 127.0.0.1, Debian's chromium driven
// over its DevTools protocol, the canvas read back, and the native renderer's PNG decoded.
import { spawn, execFile } from 'node:child_process';
import { after, before } from 'node:test';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repo = path.resolve(here, '../..');
export const pageDir = process.env.TEKUTEKU_WEB_DIR ?? path.join(repo, 'build/web');
export const renderTool = process.env.TEKUTEKU_RENDER ?? path.join(repo, 'build/native/tools/render/tekuteku-render');
const chromiumPath = process.env.CHROMIUM ?? '/usr/bin/chromium';

// Starts tools/serve-web on a free port; resolves to { url, stop } once it prints its address.
export function startServer(folder = pageDir, deadlineMs = 10000) {
  const server = spawn('python3', [path.join(repo, 'tools/serve-web'), folder, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    const timeout = setTimeout(() => { server.kill(); reject(new Error('serve-web printed no address in time')); }, deadlineMs);
    let output = '';
    server.stdout.on('data', (chunk) => {
      output += chunk;
      const match = output.match(/^(http:\/\/127\.0\.0\.1:\d+\/)$/m);
      if (!match) return;
      clearTimeout(timeout);
      resolve({ url: match[1], stop: () => server.kill() });
    });
    server.on('exit', (code) => { clearTimeout(timeout); reject(new Error(`serve-web ended early (${code})`)); });
  });
}

// One page server and one browser for all the tests of a file: started before the first test,
// stopped after the last.
export function sharedBrowser() {
  const shared = { server: null, browser: null };
  before(async () => {
    shared.server = await startServer();
    shared.browser = await launchBrowser();
  });
  after(async () => {
    await shared.browser?.close();
    shared.server?.stop();
  });
  return shared;
}

// Headless chromium with a profile of its own, and the flags a closed network needs.
export async function launchBrowser() {
  const profile = mkdtempSync(path.join(tmpdir(), 'tekuteku-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromiumPath,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--autoplay-policy=user-gesture-required'],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// A new tab that collects console messages and page errors. Its requests go past the page's
// service worker unless asked otherwise: one test's offline copy must not answer for the next.
export async function openPage(browser, { width = 800, height = 600, deviceScaleFactor = 1, hasTouch = false, serviceWorker = false } = {}) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor, hasTouch, isMobile: hasTouch });
  await page.setBypassServiceWorker(!serviceWorker);
  page.messages = [];
  page.on('console', (message) => page.messages.push({ type: message.type(), text: message.text() }));
  page.on('pageerror', (error) => page.messages.push({ type: 'pageerror', text: String(error) }));
  page.on('requestfailed', (request) => page.messages.push({ type: 'requestfailed', text: request.url() }));
  return page;
}

export function errorsOf(page) {
  return page.messages.filter((m) => m.type === 'error' || m.type === 'pageerror' || m.type === 'requestfailed');
}

// Polls the page's status object until predicate(status) holds, or throws at the deadline.
export async function waitForStatus(page, predicate, deadlineMs = 5000, what = 'the page') {
  const end = Date.now() + deadlineMs;
  let last;
  for (;;) {
    last = await page.evaluate(() => (window.tekuteku ? JSON.parse(JSON.stringify(window.tekuteku)) : null));
    if (last && predicate(last)) return last;
    if (Date.now() > end) throw new Error(`${what}: condition not met in ${deadlineMs} ms; status ${JSON.stringify(last)}`);
    await new Promise((r) => setTimeout(r, 20));
  }
}

// The canvas as RGBA bytes.
export async function canvasPixels(page) {
  const data = await page.evaluate(() => {
    const canvas = document.getElementById('stage');
    const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < pixels.length; i += 0x8000) text += String.fromCharCode(...pixels.subarray(i, i + 0x8000));
    return { width: canvas.width, height: canvas.height, bytes: btoa(text) };
  });
  return { width: data.width, height: data.height, rgba: Buffer.from(data.bytes, 'base64') };
}

// tekuteku-render's PNG of the same run, decoded to RGBA.
export async function renderPixels({ seed, width, height, count, odds, steps }) {
  const dir = mkdtempSync(path.join(tmpdir(), 'tekuteku-render-'));
  const out = path.join(dir, 'frame.png');
  try {
    await promisify(execFile)(renderTool, ['--seed', `${seed}`, '--width', `${width}`, '--height', `${height}`,
      '--count', `${count}`, '--odds', `${odds}`, '--steps', `${steps}`, '--out', out]);
    const png = PNG.sync.read(readFileSync(out));
    return { width: png.width, height: png.height, rgba: png.data };
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}
