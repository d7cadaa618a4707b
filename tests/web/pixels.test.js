// The page draws exactly what tekuteku-render draws: same seed, size, walkers, scene odds and
// number of ticks give the same canvas, byte for byte.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import path from 'node:path';
import { promisify } from 'node:util';
import { canvasPixels, errorsOf, openPage, renderPixels, sharedBrowser, renderTool, waitForStatus } from './lib.js';

const ODDS = { high: 10, normal: 25, low: 35 };

const shared = sharedBrowser();

// First differing pixel, for a readable failure instead of a megabyte diff.
function firstDifference(a, b) {
  for (let i = 0; i < Math.min(a.rgba.length, b.rgba.length); i += 4) {
    if (a.rgba.readUInt32BE(i) !== b.rgba.readUInt32BE(i)) {
      const p = i / 4;
      return `pixel (${p % a.width}, ${Math.floor(p / a.width)}): page ${a.rgba.readUInt32BE(i).toString(16)}, render ${b.rgba.readUInt32BE(i).toString(16)}`;
    }
  }
  return null;
}

// Walker states after the last tick, from the native trace: true when one is in a scene.
async function sceneInProgress({ seed, width, height, count, odds, steps }) {
  const trace = path.join(path.dirname(renderTool), '../tekuteku-trace');
  const { stdout } = await promisify(execFile)(trace, ['--seed', `${seed}`, '--width', `${width}`, '--height', `${height}`,
    '--count', `${count}`, '--odds', `${odds}`, '--steps', `${steps}`], { maxBuffer: 1 << 28 });
  const last = stdout.slice(stdout.lastIndexOf('step '));
  return last.split('\n').filter((l) => l.startsWith('walker ')).some((l) => {
    const state = Number(l.split(' ').at(-1));
    return state >= 2 && state <= 11;
  });
}

async function comparePage({ seed, width, height, count, event, ticks, viewport, query }) {
  const page = await openPage(shared.browser, viewport);
  try {
    await page.goto(`${shared.server.url}?${query}`);
    const status = await waitForStatus(page, (s) => s.state === 'stopped' || s.state === 'failed', 10000);
    assert.equal(status.state, 'stopped');
    assert.equal(status.walkers, count, 'walker count');
    const shown = await canvasPixels(page);
    const rendered = await renderPixels({ seed, width, height, count, odds: ODDS[event], steps: ticks });
    assert.deepEqual([shown.width, shown.height], [rendered.width, rendered.height]);
    assert.equal(firstDifference(shown, rendered), null);
    assert.ok(shown.rgba.equals(rendered.rgba));
    assert.deepEqual(errorsOf(page), []);
  } finally {
    await page.close();
  }
}

describe('pixel identity with tekuteku-render', () => {
  const cases = [
    { seed: 1, width: 640, height: 400, count: 2, event: 'normal', ticks: 300 },
    { seed: 2024, width: 1024, height: 768, count: 3, event: 'low', ticks: 1000 },
    { seed: 123456789, width: 1280, height: 1000, count: 5, event: 'high', ticks: 2000 },
    { seed: 4294967295, width: 333, height: 211, count: 1, event: 'high', ticks: 77 },
  ];
  for (const c of cases) {
    test(`seed ${c.seed}, ${c.width}x${c.height}, ${c.count} walkers, ${c.ticks} ticks`, async () => {
      await comparePage({ ...c, query: `seed=${c.seed}&width=${c.width}&height=${c.height}&count=${c.count}&event=${c.event}&ticks=${c.ticks}` });
    });
  }

  test('with a scene in progress at the last tick', async () => {
    const c = { seed: 7, width: 800, height: 600, count: 3, event: 'high', ticks: 500 };
    assert.ok(await sceneInProgress({ ...c, odds: ODDS[c.event], steps: c.ticks }), 'the chosen run ends inside a scene');
    await comparePage({ ...c, query: `seed=${c.seed}&width=${c.width}&height=${c.height}&count=${c.count}&event=${c.event}&ticks=${c.ticks}` });
  });

  test('the stage taken from the window, at device-pixel ratios 1 and 2', async () => {
    await comparePage({ seed: 99, width: 900, height: 700, count: 3, event: 'normal', ticks: 400,
      viewport: { width: 900, height: 700 }, query: 'seed=99&count=3&ticks=400' });
    // Two device pixels per CSS pixel: scale 2, so the stage is the CSS size.
    await comparePage({ seed: 5, width: 640, height: 480, count: 2, event: 'normal', ticks: 250,
      viewport: { width: 640, height: 480, deviceScaleFactor: 2 }, query: 'seed=5&count=2&ticks=250' });
  });
});
