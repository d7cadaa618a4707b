// The page as a person meets it: loading (and failing to), offline, URL and stored settings,
// full screen by mouse, keyboard and touch, the panel, idle mode, a hidden tab and sound.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { appendFileSync, cpSync, mkdtempSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import {
  canvasPixels, errorsOf, openPage, pageDir, renderPixels, sharedBrowser, repo, startServer, waitForStatus,
} from './lib.js';

const shared = sharedBrowser();

async function withPage(fn, viewport) {
  const page = await openPage(shared.browser, viewport);
  try {
    return await fn(page);
  } finally {
    await page.close();
  }
}

function hasColour({ rgba }) {
  for (let i = 0; i < rgba.length; i += 4) if (rgba[i] || rgba[i + 1] || rgba[i + 2]) return true;
  return false;
}

// Counts input events as the page receives them, so a test can wait until one has arrived.
async function countInput(page) {
  await page.evaluate(() => {
    window.inputSeen = 0;
    for (const type of ['mousemove', 'mousedown', 'keydown']) addEventListener(type, () => { window.inputSeen += 1; });
  });
  return async (action) => {
    const before = await page.evaluate(() => window.inputSeen);
    await action();
    await page.waitForFunction((n) => window.inputSeen > n, { timeout: 5000 }, before);
  };
}

describe('loading', () => {
  // How many milliseconds that takes is a figure of tools/measure-web (a busy test machine may
  // stretch any wall-clock time); here the walkers must be drawn on the tick the core brings
  // them on screen, with the page ticking from the moment it has loaded.
  test('no console errors, and the walkers drawn as soon as they step on screen', async () => {
    await withPage(async (page) => {
      // Every drawing call of the page, looked at as it happens.
      await page.evaluateOnNewDocument(() => {
        const put = CanvasRenderingContext2D.prototype.putImageData;
        CanvasRenderingContext2D.prototype.putImageData = function (image, dx, dy, x, y, w, h) {
          put.call(this, image, dx, dy, x, y, w, h);
          if (window.walkersSeen) return;
          for (let row = y; row < y + h; row += 1) {
            for (let i = (row * image.width + x) * 4; i < (row * image.width + x + w) * 4; i += 4) {
              if (image.data[i] || image.data[i + 1] || image.data[i + 2]) {
                window.walkersSeen = { tick: window.tekuteku.ticks, ms: performance.now() };
                return;
              }
            }
          }
        };
      });
      await page.goto(`${shared.server.url}?seed=1`);
      await page.waitForFunction(() => window.walkersSeen !== undefined, { timeout: 10000 });
      const seen = await page.evaluate(() => window.walkersSeen);
      // The walker enters from outside the screen, 16 pixels a tick: her first pixels are those
      // of the third tick, as tekuteku-render draws it.
      const rendered = await renderPixels({ seed: 1, width: 800, height: 600, count: 1, odds: 25, steps: 2 });
      assert.equal(rendered.rgba.some((byte, i) => i % 4 !== 3 && byte !== 0), false);
      assert.equal(seen.tick, 3, `first drawn on tick ${seen.tick} (${seen.ms} ms after navigation)`);
      const status = await waitForStatus(page, (s) => s.state === 'running' && s.ticks >= 3);
      assert.deepEqual(status.settings, { speed: 1, count: 1, event: 'normal', sound: 'off' });
      assert.equal(status.interval, 165);
      assert.ok(hasColour(await canvasPixels(page)));
      assert.deepEqual(errorsOf(page), []);
    });
  });

  test('a server that inflates .gz files on the way (Content-Encoding) serves a working page too', async () => {
    await withPage(async (page) => {
      await page.setRequestInterception(true);
      page.on('request', (request) => {
        if (!request.url().endsWith('/sheet.bmp.gz')) return request.continue();
        return request.respond({ status: 200, contentType: 'image/bmp', body: readFileSync(path.join(repo, 'resources/sheet.bmp')) });
      });
      await page.goto(`${shared.server.url}?seed=11&width=640&height=400&count=2&ticks=120`);
      assert.equal((await waitForStatus(page, (st) => st.state !== 'loading')).state, 'stopped');
      const shown = await canvasPixels(page);
      const rendered = await renderPixels({ seed: 11, width: 640, height: 400, count: 2, odds: 25, steps: 120 });
      assert.ok(shown.rgba.equals(rendered.rgba));
    });
  });

  test('the longest still picture runs in slices: the tab answers while it runs', async () => {
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?seed=3&width=320&height=200&count=1&ticks=100000`);
      // A tab blocked by the run would answer only once every tick was done.
      const midway = await waitForStatus(page, (st) => st.ticks > 0, 30000, 'the still picture');
      assert.ok(midway.ticks < 100000, `first answer after ${midway.ticks} ticks`);
    });
  });

  test('a sheet that cannot be used: a message on the page and in the console, not a blank page', async () => {
    await withPage(async (page) => {
      await page.setRequestInterception(true);
      page.on('request', (request) => {
        if (!request.url().endsWith('/sheet.bmp.gz')) return request.continue();
        return request.respond({ status: 200, body: Buffer.from('BM damaged') });
      });
      await page.goto(shared.server.url);
      assert.equal((await waitForStatus(page, (st) => st.state !== 'loading')).state, 'failed');
      assert.match(await page.$eval('#problem', (e) => (e.hidden ? '' : e.textContent)), /始められません: スプライトシート sheet\.bmp\.gz が使えません/);
      assert.ok(errorsOf(page).some((m) => m.text.includes('sheet.bmp.gz が使えません')));
    });
  });

  // Each file the page cannot start without, missing on the server: the page names it, in
  // Japanese like the page, never the loader's own words.
  for (const file of ['page.js', 'page_settings.js', 'settings_rules.js', 'page_fetch.js', 'tekuteku.js', 'tekuteku.wasm', 'sheet.bmp.gz']) {
    test(`${file} missing: the page says which file it could not load`, async () => {
      await withPage(async (page) => {
        await page.setRequestInterception(true);
        page.on('request', (request) => (new URL(request.url()).pathname === `/${file}`
          ? request.respond({ status: 404, body: 'not here' }) : request.continue()));
        await page.goto(`${shared.server.url}?seed=1`);
        assert.equal((await waitForStatus(page, (st) => st.state !== 'loading', 10000)).state, 'failed');
        const shown = await page.$eval('#problem', (e) => (e.hidden ? '' : e.textContent));
        assert.ok(shown.startsWith(`てくてくポルッカを始められません: ${file} を読み込めませんでした`), shown);
        assert.doesNotMatch(shown, /Aborted|fetching/);
      });
    });
  }

  test('the server of make run-web: text and wasm gzipped, packed files as they are, every file revalidated', async () => {
    for (const name of ['?speed=2', 'page.js', 'tekuteku.wasm', 'sheet.bmp.gz']) {
      const first = await fetch(`${shared.server.url}${name}`, { headers: { 'Accept-Encoding': 'gzip' } });
      assert.equal(first.status, 200, name);
      assert.equal(first.headers.get('content-encoding'), name.endsWith('.gz') ? null : 'gzip', name);
      assert.equal(first.headers.get('cache-control'), 'no-cache', name);
      await first.arrayBuffer();
      const again = await fetch(`${shared.server.url}${name}`, { headers: { 'Accept-Encoding': 'gzip', 'If-None-Match': first.headers.get('etag') } });
      assert.equal(again.status, 304, `${name} unchanged`);
    }
  });

  // Served from a copy of the build, which then becomes a new build: one file changed and its
  // worker written again as the build writes it.
  test('after the first visit the page starts offline, from its service worker\'s cache; a new build replaces it', async () => {
    const folder = mkdtempSync(path.join(tmpdir(), 'tekuteku-page-'));
    cpSync(pageDir, folder, { recursive: true });
    rmSync(path.join(folder, 'icon-512.png'));  // a missing icon costs no offline copy
    const server = await startServer(folder);
    const cacheOf = () => readFileSync(path.join(folder, 'sw.js'), 'utf8').match(/const CACHE = '([^']+)'/)[1];
    try {
      await withPage(async (page) => {
        await page.goto(`${server.url}?seed=2&speed=6`);
        await waitForStatus(page, (st) => st.state === 'running');
        await page.waitForFunction(() => navigator.serviceWorker.controller !== null, { timeout: 10000 });
        const caches = await page.evaluate(() => caches.keys());
        const version = readFileSync(path.join(repo, 'CMakeLists.txt'), 'utf8').match(/project\(tekuteku VERSION ([0-9.]+)/)[1];
        assert.deepEqual(caches, [cacheOf()]);
        assert.match(caches[0], new RegExp(`^tekuteku-${version.replaceAll('.', '\\.')}-[0-9a-f]{16}$`));
        await page.setOfflineMode(true);
        try {
          await page.reload();
          const s = await waitForStatus(page, (st) => st.state === 'running' && st.ticks > 5, 10000, 'the page offline');
          assert.equal(s.interval, 10, 'the address\'s settings, read offline too');
        } finally {
          await page.setOfflineMode(false);
        }

        appendFileSync(path.join(folder, 'page.js'), '\nwindow.newBuild = true;\n');
        cpSync(path.join(pageDir, 'icon-512.png'), path.join(folder, 'icon-512.png'));
        const listed = (name) => readFileSync(path.join(folder, 'sw.js'), 'utf8').match(new RegExp(`const ${name} = \\[([^\\]]*)\\]`))[1]
          .split(', ').map((file) => file.slice(1, -1)).filter((file) => file !== './');
        const others = readdirSync(folder).filter((name) => name.endsWith('.wav.delta.gz'));
        execFileSync('python3', [path.join(repo, 'web/make_sw.py'), path.join(repo, 'web/sw.js.in'), folder, version,
          ...listed('FILES'), '--', ...listed('EXTRAS'), '--', ...others]);
        assert.notEqual(cacheOf(), caches[0], 'a changed file is a new cache');
        // The reload finds the new worker; once it has taken over, only its cache is left.
        await page.reload();
        await page.waitForFunction((name) => window.caches.keys().then((k) => k.length === 1 && k[0] === name),
          { timeout: 10000, polling: 100 }, cacheOf());
        await page.reload();
        await waitForStatus(page, (st) => st.state === 'running' && st.ticks > 5, 10000, 'the new build');
        assert.equal(await page.evaluate(() => window.newBuild), true, 'the new page.js runs');
        assert.deepEqual(errorsOf(page), []);
      }, { serviceWorker: true });
    } finally {
      server.stop();
      rmSync(folder, { recursive: true, force: true });
    }
  });
});

describe('settings', () => {
  test('URL settings are applied, bounded by the core, and the address keeps only what the link gave', async () => {
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?speed=4&count=2&event=low&sound=on&seed=42`);
      let s = await waitForStatus(page, (st) => st.state === 'running');
      assert.deepEqual(s.settings, { speed: 4, count: 2, event: 'low', sound: 'on' });
      assert.deepEqual([s.interval, s.walkers, s.seed, s.soundOn], [65, 2, 42, true]);
      // The fastest speed ticks at the 10 ms floor; more walkers than the height holds are cut to it.
      await page.goto(`${shared.server.url}?speed=6&count=9`);
      s = await waitForStatus(page, (st) => st.state === 'running');
      assert.deepEqual([s.interval, s.walkers], [10, 3]);
      assert.equal(new URL(page.url()).search, '?speed=6&count=9');
      assert.deepEqual(errorsOf(page), []);
    });
  });

  test('a window lower than one band (194 pixels) still shows one walker, clipped', async () => {
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?speed=6&count=5&seed=1`);
      const s = await waitForStatus(page, (st) => st.state === 'running');
      assert.deepEqual([s.height, s.walkers], [194, 1]);
      await page.waitForFunction(() => {
        const canvas = document.getElementById('stage');
        const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
        return pixels.some((byte, i) => i % 4 !== 3 && byte !== 0);
      }, { timeout: 10000, polling: 100 });
      await page.click('#open-settings');
      assert.equal(await page.$eval('#count-label', (e) => e.textContent), 'ポルッカの数(1～1)');
    }, { width: 600, height: 194 });
  });

  test('on a low window the panel scrolls: OK can be reached and pressed', async () => {
    for (const [width, height] of [[740, 300], [1920, 150]]) {
      await withPage(async (page) => {
        await page.goto(`${shared.server.url}?seed=1`);
        await waitForStatus(page, (st) => st.state === 'running');
        await page.click('#open-settings');
        await page.$eval('#settings-ok', (e) => e.scrollIntoView({ block: 'nearest' }));
        const box = await page.$eval('#settings-ok', (e) => e.getBoundingClientRect().toJSON());
        assert.ok(box.top >= 0 && box.bottom <= height, `OK at ${box.top}..${box.bottom} in a window ${height} high`);
        await page.click('#settings-ok');
        await page.waitForFunction(() => document.getElementById('settings').hidden, { timeout: 5000 });
      }, { width, height });
    }
  });

  test('bad URL values fall back to the defaults with a console message, and the page still runs', async () => {
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?speed=9&count=abc&event=sometimes&sound=maybe&seed=-1&ticks=0&width=99999&idle=soon`);
      const s = await waitForStatus(page, (st) => st.state === 'running' && st.ticks > 3);
      assert.deepEqual(s.settings, { speed: 1, count: 1, event: 'normal', sound: 'off' });
      const warnings = page.messages.filter((m) => m.type === 'warn').map((m) => m.text).join('\n');
      for (const name of ['speed=9', 'count=abc', 'event=sometimes', 'sound=maybe', 'seed=-1', 'ticks=0', 'width=99999', 'idle=soon']) {
        assert.ok(warnings.includes(name), `a message names ${name}:\n${warnings}`);
      }
      assert.equal(s.width, 800);
      assert.deepEqual(errorsOf(page), []);
    });
  });

  test('the Japanese panel keeps its choices in this browser, and in the address only when asked: a bookmark never undoes a later choice', async () => {
    const choose = async (page, values, share) => {
      await page.click('#open-settings');
      for (const [name, value] of Object.entries(values)) await page.$eval(`#${name}`, (e, v) => { e.value = v; }, value);
      if (share !== undefined && share !== await page.$eval('#share', (e) => e.checked)) await page.click('#share');
      await page.click('#settings-ok');
    };
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?seed=3`);
      await waitForStatus(page, (st) => st.state === 'running');
      await page.click('#open-settings');
      assert.equal(await page.$eval('#count-label', (e) => e.textContent), 'ポルッカの数(1～3)');
      assert.equal(await page.$eval('#share', (e) => e.checked), false, 'a bare address stays bare unless asked');
      await page.$eval('#count', (e) => { e.value = '3'; });
      await page.$eval('#speed', (e) => { e.value = '5'; });
      await page.click('input[name=event][value=high]');
      await page.click('#settings-ok');
      let s = await waitForStatus(page, (st) => st.walkers === 3 && st.interval === 40 && st.settings.event === 'high');
      assert.deepEqual(s.settings, { speed: 5, count: 3, event: 'high', sound: 'off' });
      assert.equal(s.fullscreen, false, 'using the panel is not a click on the saver');
      assert.equal(new URL(page.url()).search, '?seed=3');
      const stored = JSON.parse(await page.evaluate(() => localStorage.getItem('tekuteku.settings')));
      assert.deepEqual(stored, { speed: 5, count: 3, event: 'high', sound: 'off' });

      const bookmark = page.url();
      await choose(page, { speed: '2' });  // a later choice
      await waitForStatus(page, (st) => st.interval === 130);
      await page.goto(bookmark);
      s = await waitForStatus(page, (st) => st.state === 'running');
      assert.deepEqual([s.interval, s.walkers], [130, 3], 'the bookmark brings the later choice');

      // A link to share: all four in the address, and they win over what a browser keeps.
      await choose(page, {}, true);
      await page.waitForFunction(() => location.search.includes('speed'));
      assert.equal(new URL(page.url()).search, '?seed=3&speed=2&count=3&event=high&sound=off');
      const link = page.url();
      await page.evaluate(() => localStorage.setItem('tekuteku.settings', '{"speed": 6, "count": 1}'));
      await page.goto(link);
      s = await waitForStatus(page, (st) => st.state === 'running');
      assert.deepEqual([s.interval, s.walkers], [130, 3]);
      await page.click('#open-settings');
      assert.equal(await page.$eval('#share', (e) => e.checked), true, 'a link with settings ticks the box');
      await page.click('#settings-ok');
      await page.waitForFunction(() => document.getElementById('settings').hidden, { timeout: 5000 });
      assert.equal(await page.evaluate(() => location.search), '?seed=3&speed=2&count=3&event=high&sound=off', 'OK keeps them');
      await choose(page, {}, false);  // taken out of the address again
      await page.waitForFunction(() => !location.search.includes('speed'));
      assert.equal(new URL(page.url()).search, '?seed=3');

      await page.evaluate(() => localStorage.setItem('tekuteku.settings', '{"speed": 5, "count'));
      await page.goto(shared.server.url);
      s = await waitForStatus(page, (st) => st.state === 'running');
      assert.deepEqual(s.settings, { speed: 1, count: 1, event: 'normal', sound: 'off' });
      assert.ok(page.messages.some((m) => m.type === 'warn' && m.text.includes('stored settings are damaged')));
      assert.equal(await page.evaluate(() => localStorage.getItem('tekuteku.settings')), '{"speed": 5, "count',
        'damaged settings are left for the panel to replace, not thrown away');
      await page.evaluate(() => localStorage.clear());
    });
  });
});

describe('input', () => {
  test('a click enters full screen; 4 pixels of movement keep it, 5 leave it', async () => {
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?seed=1`);
      await waitForStatus(page, (st) => st.state === 'running');
      const input = await countInput(page);
      await page.mouse.move(200, 200);
      await input(() => page.mouse.click(200, 200));
      await waitForStatus(page, (st) => st.fullscreen, 5000, 'entering full screen');
      // The first move in full screen is the reference, as the saver's window gets one on creation.
      await input(() => page.mouse.move(201, 200));
      await input(() => page.mouse.move(203, 202));
      await input(() => page.mouse.move(201, 202));
      assert.equal((await waitForStatus(page, () => true)).fullscreen, true, '4 pixels are not enough');
      await input(() => page.mouse.move(204, 202));
      await waitForStatus(page, (st) => !st.fullscreen, 5000, 'leaving on 5 pixels of movement');
    });
  });

  test('a key enters full screen and a key or a click leaves it', async () => {
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?seed=1`);
      await waitForStatus(page, (st) => st.state === 'running');
      await page.keyboard.press('a');
      await waitForStatus(page, (st) => st.fullscreen, 5000, 'entering on a key');
      await page.keyboard.press('b');
      await waitForStatus(page, (st) => !st.fullscreen, 5000, 'leaving on a key');
      await page.keyboard.press('c');
      await waitForStatus(page, (st) => st.fullscreen, 5000, 'entering again');
      await page.mouse.click(10, 300);
      await waitForStatus(page, (st) => !st.fullscreen, 5000, 'leaving on a click');
    });
  });

  // Counts the page's calls to enter and leave full screen, and the events it has received.
  const spyOnFullscreen = (page) => page.evaluateOnNewDocument(() => {
    window.calls = { enter: 0, leave: 0 };
    const enter = Element.prototype.requestFullscreen;
    Element.prototype.requestFullscreen = function (...args) {
      window.calls.enter += 1;
      return enter.apply(this, args);
    };
    const leave = Document.prototype.exitFullscreen;
    Document.prototype.exitFullscreen = function (...args) {
      window.calls.leave += 1;
      return leave.apply(this, args);
    };
    window.seen = {};
    for (const type of ['keydown', 'click']) addEventListener(type, () => { window.seen[type] = (window.seen[type] ?? 0) + 1; });
  });
  const seen = (page, type, n) => page.waitForFunction((t, k) => (window.seen[t] ?? 0) >= k, { timeout: 5000 }, type, n);

  test('a tap is one press: it enters full screen and the mouse events made from it do not leave it; the next tap does', async () => {
    for (const deviceScaleFactor of [2, 3]) {
      await withPage(async (page) => {
        await spyOnFullscreen(page);
        await page.goto(`${shared.server.url}?seed=1&speed=6`);
        await waitForStatus(page, (st) => st.state === 'running');
        await page.touchscreen.tap(150, 300);
        await seen(page, 'click', 1);  // the last of the tap's mouse events
        let s = await waitForStatus(page, (st) => st.fullscreen, 5000, 'entering full screen on a tap');
        // The same tap's echo, as another browser might send it a moment later.
        await page.mouse.click(151, 301);
        await seen(page, 'click', 2);
        s = await waitForStatus(page, (st) => st.ticks > s.ticks + 10);
        assert.equal(s.fullscreen, true);
        assert.deepEqual(await page.evaluate(() => window.calls), { enter: 1, leave: 0 });
        await page.touchscreen.tap(300, 100);
        await waitForStatus(page, (st) => !st.fullscreen, 5000, 'leaving full screen on the next tap');
        await seen(page, 'click', 3);
        assert.deepEqual(await page.evaluate(() => window.calls), { enter: 1, leave: 1 });
      }, { width: 400, height: 700, deviceScaleFactor, hasTouch: true });
    }
  });

  test('a two-finger tap whose fingers lift apart is one press, in a window and in full screen', async () => {
    await withPage(async (page) => {
      await spyOnFullscreen(page);
      await page.goto(`${shared.server.url}?seed=1&speed=6`);
      let s = await waitForStatus(page, (st) => st.state === 'running');
      for (const [i, apart] of [15, 120].entries()) {
        const first = await page.touchscreen.touchStart(150, 300);
        const second = await page.touchscreen.touchStart(250, 300);
        await first.end();
        await new Promise((resolve) => { setTimeout(resolve, apart); });  // the second finger lifts later
        await second.end();
        s = await waitForStatus(page, (st) => st.fullscreen === (i === 0), 5000, `after the tap ${apart} ms apart`);
        s = await waitForStatus(page, (st) => st.ticks > s.ticks + 10);
        assert.equal(s.fullscreen, i === 0);
        assert.deepEqual(await page.evaluate(() => window.calls), { enter: 1, leave: i });
      }
    }, { width: 400, height: 700, deviceScaleFactor: 2, hasTouch: true });
  });

  test('Tab and lone modifiers leave the page alone: Tab reaches 設定, Escape closes the panel; in full screen every key ends it', async () => {
    await withPage(async (page) => {
      await spyOnFullscreen(page);
      await page.goto(`${shared.server.url}?seed=1`);
      await waitForStatus(page, (st) => st.state === 'running');
      for (const [i, key] of ['Shift', 'Control', 'Alt', 'Meta'].entries()) {
        await page.keyboard.press(key);
        await seen(page, 'keydown', i + 1);
      }
      await page.keyboard.press('Tab');
      await seen(page, 'keydown', 5);
      assert.equal(await page.evaluate(() => document.activeElement.id), 'open-settings');
      assert.deepEqual(await page.evaluate(() => window.calls), { enter: 0, leave: 0 });
      await page.keyboard.press('Enter');
      await page.waitForFunction(() => !document.getElementById('settings').hidden, { timeout: 5000 });
      assert.equal(await page.evaluate(() => document.activeElement.id), 'count', 'the panel takes the focus');
      await page.keyboard.press('Escape');
      await page.waitForFunction(() => document.getElementById('settings').hidden, { timeout: 5000 });
      assert.equal(await page.evaluate(() => document.activeElement.id), 'open-settings');
      assert.deepEqual(await page.evaluate(() => window.calls), { enter: 0, leave: 0 });

      await page.keyboard.press('x');  // with 設定 focused, as anywhere else
      await waitForStatus(page, (st) => st.fullscreen, 5000, 'entering on a key');
      await page.keyboard.press('Shift');
      await waitForStatus(page, (st) => !st.fullscreen, 5000, 'leaving on a lone Shift');
    });
  });

  test('idle mode: black until no input for the time given, then the saver until input', async () => {
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?idle=1&speed=6&seed=8&count=2`);
      let s = await waitForStatus(page, (st) => st.state === 'waiting');
      assert.equal(s.ticks, 0);
      assert.equal(hasColour(await canvasPixels(page)), false);
      s = await waitForStatus(page, (st) => st.state === 'running' && st.ticks > 20, 5000, 'the saver after 1 s idle');
      const waited = await page.evaluate(() => window.tekuteku.tickTimes[0]);
      assert.ok(waited >= 1000, `the saver started ${waited} ms after navigation`);
      await waitForStatus(page, () => true);
      assert.equal(hasColour(await canvasPixels(page)), true);
      await page.keyboard.press('x');
      s = await waitForStatus(page, (st) => st.state === 'waiting', 5000, 'a key ends the saver');
      assert.equal(hasColour(await canvasPixels(page)), false);
      assert.equal(s.fullscreen, false, 'idle mode never asks for full screen');
      await waitForStatus(page, (st) => st.state === 'running', 5000, 'the saver again after the next idle second');
    });
  });

  test('a hidden tab stops ticking and takes up the interval again with no burst of missed ticks', async () => {
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?speed=6&seed=2`);
      await waitForStatus(page, (st) => st.ticks > 10);
      const other = await shared.browser.newPage();
      try {
        await other.bringToFront();
        await page.waitForFunction(() => document.hidden, { timeout: 5000 });
        const hiddenTicks = (await waitForStatus(page, () => true)).ticks;
        // A second of hidden time, measured by the other tab's clock.
        await other.waitForFunction(() => performance.now() > 1000, { timeout: 10000, polling: 50 });
        await other.evaluate(() => new Promise((r) => setTimeout(r, 1000)));
        assert.ok((await waitForStatus(page, () => true)).ticks <= hiddenTicks + 1, 'no ticks while hidden');
        await page.bringToFront();
        await page.waitForFunction(() => !document.hidden, { timeout: 5000 });
      } finally {
        await other.close();
      }
      const shownAt = await page.evaluate(() => performance.now());
      const s = await waitForStatus(page, (st) => st.tickTimes.filter((t) => t > shownAt).length >= 20, 5000);
      const times = s.tickTimes.filter((t) => t > shownAt);
      // Missed ticks caught up would come back to back; one interval apart, give or take the
      // timer's own jitter, is the normal pace.
      for (let i = 1; i < times.length; i += 1) {
        assert.ok(times[i] - times[i - 1] >= s.interval / 2, `ticks ${times[i] - times[i - 1]} ms apart after showing again`);
      }
    });
  });
});

describe('sound', () => {
  // Records the Web Audio calls the page makes.
  const spyOnAudio = (page) => page.evaluateOnNewDocument(() => {
    window.audioCalls = { contexts: 0, starts: 0 };
    const Original = window.AudioContext;
    window.AudioContext = class extends Original {
      constructor(...args) {
        super(...args);
        window.audioCalls.contexts += 1;
      }
    };
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function (...args) {
      window.audioCalls.starts += 1;
      return start.apply(this, args);
    };
  });
  const run = '&speed=6&event=high&count=3&seed=7';  // a fall starts within a second

  test('with sound on: no audio before a gesture; after one the core\'s cues start Web Audio sources', async () => {
    await withPage(async (page) => {
      await spyOnAudio(page);
      await page.goto(`${shared.server.url}?sound=on${run}`);
      await waitForStatus(page, (st) => st.soundRequests > 0, 10000, 'a cue from the core');
      assert.deepEqual(await page.evaluate(() => window.audioCalls), { contexts: 0, starts: 0 });
      await page.mouse.click(50, 50);
      await waitForStatus(page, (st) => st.audio === 'ready', 10000, 'the sounds decoded');
      await page.waitForFunction(() => window.audioCalls.starts > 0, { timeout: 15000 });
      assert.equal(await page.evaluate(() => window.audioCalls.contexts), 1);
      assert.deepEqual(errorsOf(page), []);
    });
  });

  test('the packed sounds the page fetches unpack to the WAVE files of resources/, byte for byte', async () => {
    await withPage(async (page) => {
      await page.goto(`${shared.server.url}?ticks=1&width=8&height=8`);
      for (const name of ['fall_end', 'dream_start', 'fall_start']) {
        const unpacked = await page.evaluate(async (file) => {
          const { fetchPackedWave } = await import('./page_fetch.js');
          const bytes = new Uint8Array(await fetchPackedWave(file));
          let text = '';
          for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
          return btoa(text);
        }, `${name}.wav.delta.gz`);
        assert.ok(Buffer.from(unpacked, 'base64').equals(readFileSync(path.join(repo, 'resources', `${name}.wav`))), name);
      }
      const damaged = await page.evaluate(async () => {
        const { unpackWave } = await import('./page_fetch.js');
        try {
          unpackWave(new Uint8Array(45));
          return 'accepted';
        } catch (error) {
          return error.message;
        }
      });
      assert.equal(damaged, 'damaged sound');
    });
  });

  test('switching sound on in the panel: the OK click is the gesture', async () => {
    await withPage(async (page) => {
      await spyOnAudio(page);
      await page.goto(`${shared.server.url}?seed=4`);
      await waitForStatus(page, (st) => st.state === 'running');
      await page.click('#open-settings');
      await page.click('input[name=sound][value=on]');
      await page.click('#settings-ok');
      const s = await waitForStatus(page, (st) => st.audio === 'ready', 10000, 'the sounds decoded');
      assert.equal(s.soundOn, true);
      assert.equal(await page.evaluate(() => window.audioCalls.contexts), 1);
      await page.evaluate(() => localStorage.clear());
    });
  });

  test('sound on with the sounds missing: the page says so in Japanese and goes on without them', async () => {
    await withPage(async (page) => {
      await page.setRequestInterception(true);
      page.on('request', (request) => (request.url().endsWith('.wav.delta.gz')
        ? request.respond({ status: 404, body: 'not here' }) : request.continue()));
      await page.goto(`${shared.server.url}?sound=on${run}`);
      await waitForStatus(page, (st) => st.state === 'running');
      await page.mouse.click(50, 50);
      const s = await waitForStatus(page, (st) => st.audio === 'failed', 10000, 'the sounds given up');
      assert.match(await page.$eval('#problem', (e) => (e.hidden ? '' : e.textContent)),
        /^効果音を鳴らせません: \w+\.wav\.delta\.gz を読み込めませんでした\(HTTP 404\)。音なしで続けます。$/);
      assert.equal(s.state, 'running');
    });
  });

  test('with sound off no audio context is ever created', async () => {
    await withPage(async (page) => {
      await spyOnAudio(page);
      await page.goto(`${shared.server.url}?sound=off${run}`);
      await waitForStatus(page, (st) => st.state === 'running');
      await page.mouse.click(50, 50);
      // Well past the tick of the first scene sound of this run.
      const s = await waitForStatus(page, (st) => st.ticks > 300, 15000);
      assert.equal(s.soundRequests, 0);
      assert.deepEqual(await page.evaluate(() => window.audioCalls), { contexts: 0, starts: 0 });
    });
  });
});
