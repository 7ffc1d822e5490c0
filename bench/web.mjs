// Frames a second of the browser build on each screen, in headless Chromium (SwiftShader's
// WebGL), walked through as a player does. The game draws one frame per animation frame, so a
// screen keeps the browser's rate as long as its frame fits in the browser's frame; the figure
// is the page's own animation-frame rate while the game runs, the time between them beside it.
//   node bench/web.mjs PAGE_FOLDER ROUNDS SECONDS    prints the section for bench/RESULTS.md
import { createRequire } from 'node:module';
import { spawn } from 'node:child_process';
import { fileURLToPath } from 'node:url';
import { loadavg, cpus } from 'node:os';

const root = fileURLToPath(new URL('..', import.meta.url));
const require = createRequire(`${root}/tests/web/package.json`);
const { chromium } = require('playwright-core');
const [pageFolder = `${root}/build-web`, roundsArg = '3', secondsArg = '3'] = process.argv.slice(2);
const rounds = Number(roundsArg), seconds = Number(secondsArg);

const centre = { newGame: [400, 475], options: [400, 375], help: [400, 275], highScores: [400, 175],
  name: [400, 475], back: [400, 375], helpBack: [200, 75], mainMenu: [200, 75] };

async function point(page, [vx, vy]) {
  const r = await page.locator('#canvas').boundingBox();
  return [r.x + vx * r.width / 800, r.y + (600 - vy) * r.height / 600];
}
async function click(page, where) {
  await page.mouse.move(...await point(page, where));
  await page.mouse.down();
  await page.mouse.up();
  await frames(page, 3);
}
async function frames(page, n) {
  await page.evaluate((n) => new Promise((done) => {
    let k = 0;
    const next = () => (++k === n ? done() : requestAnimationFrame(next));
    requestAnimationFrame(next);
  }), n);
}
// The animation frames of the next few seconds: their rate, and the time between them.
async function measure(page, ms) {
  return page.evaluate((ms) => new Promise((done) => {
    const times = [], work = [];
    const step = (now) => {
      times.push(now);
      // Called after the game's own callback of this frame and the frame it ran on the way:
      // the time since the frame began is the game's work in it.
      work.push(performance.now() - now);
      if (now - times[0] < ms) requestAnimationFrame(step);
      else {
        const gaps = times.slice(1).map((t, i) => t - times[i]).sort((a, b) => a - b);
        work.sort((a, b) => a - b);
        done({ fps: gaps.length / ((times.at(-1) - times[0]) / 1000),
          work: work[work.length >> 1], workP99: work[Math.min(work.length - 1, Math.floor(work.length * 0.99))],
          median: gaps[gaps.length >> 1], p99: gaps[Math.min(gaps.length - 1, Math.floor(gaps.length * 0.99))] });
      }
    };
    requestAnimationFrame(step);
  }), ms);
}

// Each screen: how to reach it from the main menu, and how to return.
const screens = [
  ['main menu (New Game under the mouse)', async (p) => { await p.mouse.move(...await point(p, centre.newGame)); await frames(p, 3); }, async () => {}],
  ['help', (p) => click(p, centre.help), (p) => click(p, centre.helpBack)],
  ['high scores', (p) => click(p, centre.highScores), (p) => click(p, centre.mainMenu)],
  ['options', (p) => click(p, centre.options), (p) => click(p, centre.back)],
  ['name entry (typing)', async (p) => { await click(p, centre.options); await click(p, centre.name); for (const k of 'benchmark') await p.keyboard.press(k); },
    async (p) => { await p.keyboard.press('Enter'); await frames(p, 3); await click(p, centre.back); }],
  ['playing', (p) => click(p, centre.newGame), async (p) => { await p.keyboard.press('Escape'); await frames(p, 3); await click(p, [400, 475]); }],
  ['paused', async (p) => { await click(p, centre.newGame); await p.keyboard.press('Escape'); await frames(p, 3); },
    (p) => click(p, [400, 475])],
];

const loadBefore = loadavg()[0];
const server = await new Promise((resolve) => {
  const child = spawn(`${root}/tools/serve-web`, [pageFolder], { stdio: ['ignore', 'pipe', 'inherit'] });
  child.stdout.once('data', (d) => resolve({ child, url: String(d).trim() }));
});
const browser = await chromium.launch({ executablePath: process.env.QUORVIN_CHROMIUM ?? '/usr/bin/chromium',
  args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox'] });
const page = await browser.newPage({ viewport: { width: 1000, height: 700 } });
await page.goto(server.url);
await page.waitForFunction(() => Module.running === true);
await frames(page, 30);
const blank = await measure(page, seconds * 1000); // the menu before anything: the page's own rate
const results = screens.map(() => []);
for (let round = 0; round < rounds; ++round)
  for (const [i, [, enter, leave]] of screens.entries()) {
    await enter(page);
    await frames(page, 10);
    results[i].push(await measure(page, (screens[i][0] === 'playing' ? Math.min(seconds, 2) : seconds) * 1000));
    await leave(page);
    await frames(page, 10);
  }
const version = browser.version();
const renderer = await page.evaluate(() => {
  const gl = document.createElement('canvas').getContext('webgl');
  const info = gl.getExtension('WEBGL_debug_renderer_info');
  return info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : gl.getParameter(gl.RENDERER);
});
await browser.close();
server.child.kill();

const median = (xs) => [...xs].sort((a, b) => a - b)[xs.length >> 1];
console.log(`Measured ${new Date().toISOString().slice(0, 16).replace('T', ' ')} UTC with \`tools/bench --web\`.`);
console.log('');
console.log(`- Chromium ${version}, headless, WebGL through ${renderer}; the page at 1000x700, the canvas 800x600.`);
console.log(`- ${rounds} rounds of ${seconds} s per screen (playing: ${Math.min(seconds, 2)} s, before its lives run out); medians over the rounds.`);
console.log(`- Machine: ${cpus().length} processors, shared; load average (1 minute) at the start and the end: ${loadBefore.toFixed(2)} and ${loadavg()[0].toFixed(2)}.`);
console.log(`- The page's own rate on the main menu at the start: ${blank.fps.toFixed(1)} frames a second.`);
console.log('');
console.log('| Screen | Frames a second | Time between frames, median / p99 ms | The game\'s work in a frame, median / p99 ms |');
console.log('|---|---|---|---|');
for (const [i, [name]] of screens.entries())
  console.log(`| ${name} | ${median(results[i].map((r) => r.fps)).toFixed(1)} | ${median(results[i].map((r) => r.median)).toFixed(1)} / ${median(results[i].map((r) => r.p99)).toFixed(1)} | ${median(results[i].map((r) => r.work)).toFixed(2)} / ${median(results[i].map((r) => r.workP99)).toFixed(2)} |`);
