// The browser build played in Debian's Chromium, headless, from a server on 127.0.0.1: each case
// drives the page as a player does and waits for what the canvas shows, with one generous
// deadline. Closes with "web: N passed, N failed".
//   node run.mjs PAGE_FOLDER LINUX_MAIN_MENU_PNG
import { chromium } from 'playwright-core';
import { spawn } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { decodePng } from './png.mjs';

const root = fileURLToPath(new URL('../..', import.meta.url));
const pageFolder = process.argv[2] ?? `${root}/build-web`;
const linuxMenu = process.argv[3] ?? `${root}/docs/screenshots/main-menu.png`;
const Deadline = 30000;
const TableKey = 'quorvin/highScores.dat';

// ---- What the screen shows, in the game's virtual units (origin bottom left, 800x600) ----------

const box = (left, top, right, bottom) => ({ left, top, right, bottom });
const NewGame = box(300, 500, 500, 450), Options = box(300, 400, 500, 350);
const HighScores = box(300, 200, 500, 150), Exit = box(300, 100, 500, 50);
const NameField = box(290, 500, 510, 450), OptionsBack = box(290, 400, 510, 350);
const QuitToMenu = box(280, 500, 520, 450), Resume = box(280, 400, 520, 350);
const MainMenu = box(100, 100, 300, 50);
const centre = (b) => [(b.left + b.right) / 2, (b.top + b.bottom) / 2];

const white = (p) => p[0] > 180 && p[1] > 180 && p[2] > 180;
const green = (p) => p[1] > 150 && p[0] < 60 && p[2] < 60;
const bright = (p) => white(p) || green(p);
const isCrate = (p) => p[0] > 70 && p[0] > p[2] + 40 && p[1] > 30;

// The outline's top edge is a line of the box's width, white or green, that does not go on
// beyond its ends (the crate may stand beside it).
function outlined(shot, b, colour = bright) {
  for (const y of [599 - b.top, 600 - b.top, 601 - b.top]) {
    if (y < 0 || y >= shot.height) continue;
    let lit = 0;
    for (let x = b.left; x < b.right; ++x) lit += colour(shot.at(x, y));
    if (lit >= 0.9 * (b.right - b.left) && !bright(shot.at(b.left - 4, y)) &&
        !bright(shot.at(b.right + 4, y)))
      return true;
  }
  return false;
}

const screens = {
  menu: (s) => outlined(s, NewGame) && outlined(s, Options) && outlined(s, HighScores) && outlined(s, Exit),
  options: (s) => outlined(s, NameField) && outlined(s, OptionsBack),
  paused: (s) => outlined(s, QuitToMenu) && outlined(s, Resume),
  playing: (s) => !outlined(s, QuitToMenu) && !outlined(s, Resume) && !outlined(s, NewGame) && findCrate(s) !== null,
  gameOver: (s) => outlined(s, MainMenu) && !outlined(s, NewGame) && !outlined(s, Resume),
  highScores: (s) => outlined(s, MainMenu) && !outlined(s, NewGame),
};

function findCrate(shot) {
  let left = 800, right = -1, top = 600, bottom = -1;
  for (let y = 60; y < 600; ++y)
    for (let x = 0; x < 800; ++x)
      if (isCrate(shot.at(x, y))) {
        left = Math.min(left, x); right = Math.max(right, x);
        top = Math.min(top, y); bottom = Math.max(bottom, y);
      }
  return right < 0 ? null : [(left + right) / 2, 600 - (top + bottom) / 2];
}

// ---- Driving a page ----------------------------------------------------------------------------

async function shoot(page) {
  return decodePng(await page.locator('#canvas').screenshot());
}

async function waitFor(page, test, what) {
  const end = Date.now() + Deadline;
  for (;;) {
    if (test(await shoot(page))) return;
    if (Date.now() > end) throw new Error(`the page never showed ${what}`);
  }
}

async function waitForPage(page, test, what) {
  await page.waitForFunction(test, null, { timeout: Deadline }).catch(() => {
    throw new Error(`the page never showed ${what}`);
  });
}

// Virtual units to the page's pixels: the canvas shows the 800x600 screen at its own size.
async function toPage(page, vx, vy) {
  const r = await page.locator('#canvas').boundingBox();
  return [r.x + vx * r.width / 800, r.y + (600 - vy) * r.height / 600];
}

// Returns once the game has run a frame after everything sent so far: the page's events reach
// the game at its next frame, and its keys and clicks are read one frame at a time.
async function settle(page) {
  await page.evaluate(() => new Promise((done) => {
    let n = 0;
    const next = () => (++n === 3 ? done() : requestAnimationFrame(next));
    requestAnimationFrame(next);
  }));
}

async function hover(page, vx, vy) {
  const [x, y] = await toPage(page, vx, vy);
  await page.mouse.move(x, y);
}

async function click(page, b) {
  const [vx, vy] = Array.isArray(b) ? b : centre(b);
  await hover(page, vx, vy);
  await page.mouse.down();
  await page.mouse.up();
  await settle(page);
}

// A key, with Shift held over frames of its own where asked: the game reads Shift as it stands
// in the frame that takes the letter.
async function press(page, key) {
  const shifted = key.startsWith('Shift+');
  if (shifted) {
    await page.keyboard.down('Shift');
    await settle(page);
  }
  await page.keyboard.press(shifted ? key.slice(6) : key);
  await settle(page);
  if (shifted) {
    await page.keyboard.up('Shift');
    await settle(page);
  }
}

// New Game, then the game running: a game after one left paused starts paused.
async function newGame(page) {
  await click(page, NewGame);
  await waitFor(page, (s) => screens.playing(s) || screens.paused(s), 'a game');
  if (screens.paused(await shoot(page))) await press(page, 'Escape');
  await waitFor(page, screens.playing, 'a game with its crate');
}

async function open(context) {
  const page = await context.newPage();
  page.lines = [];
  page.on('console', (m) => page.lines.push({ type: m.type(), text: m.text() }));
  page.on('pageerror', (e) => page.lines.push({ type: 'pageerror', text: e.message }));
  await page.goto(server.url);
  await waitFor(page, screens.menu, 'the main menu');
  return page;
}

async function storedTable(page) {
  const text = await page.evaluate((key) => localStorage.getItem(key), TableKey);
  return text === null ? null : Buffer.from(text, 'base64');
}

async function downloadTable(page) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download-table')]);
  if (download.suggestedFilename() !== 'highScores.dat')
    throw new Error(`the download is named ${download.suggestedFilename()}`);
  return readFileSync(await download.path());
}

function record(name, points) {
  const r = Buffer.alloc(16);
  r[0] = name.length;
  r.write(name, 1, 'latin1');
  r.writeInt32LE(points, 12);
  return r;
}
const nameOf = (table, slot) => table.toString('latin1', 16 * slot + 1, 16 * slot + 1 + Math.min(table[16 * slot], 10));
const pointsOf = (table, slot) => table.readInt32LE(16 * slot + 12);
const lowTable = () => Buffer.concat(Array.from({ length: 10 }, (_, i) => record('low', -5 - i)));

// Through #load-table, as a player loads one: kept, and the game starts anew reading it.
async function storeTable(page, bytes) {
  await Promise.all([
    page.waitForEvent('load'),
    page.setInputFiles('#load-table', { name: 'highScores.dat', mimeType: 'application/octet-stream', buffer: bytes }),
  ]);
  await waitFor(page, screens.menu, 'the main menu of the new run');
}

// Ends the run with the Exit button; the page then offers a new one.
async function exitRun(page) {
  await click(page, Exit);
  await waitForPage(page, () => document.body.dataset.run === 'ended', 'the end of the run');
}

async function typeName(page, keys) {
  await click(page, Options);
  await waitFor(page, screens.options, 'the options screen');
  await click(page, NameField);
  for (const key of keys) await press(page, key);
  await press(page, 'Enter');
  await click(page, OptionsBack);
  await waitFor(page, screens.menu, 'the main menu after the options');
}

// A game left at once through the pause menu: its result (0) is recorded, not saved.
async function playAndQuit(page) {
  await newGame(page);
  await press(page, 'Escape');
  await waitFor(page, screens.paused, 'the pause menu');
  await click(page, QuitToMenu);
  await waitFor(page, screens.menu, 'the main menu after Quit To Menu');
}

function expect(condition, message) {
  if (!condition) throw new Error(message);
}

// ---- The cases ----------------------------------------------------------------------------------

const cases = [
  ['main menu: white outlines, the one under the mouse green, console lines as console.log', async (context) => {
    const page = await open(context);
    let shot = await shoot(page);
    expect(!outlined(shot, NewGame, green), 'New Game is green with the mouse away');
    await hover(page, ...centre(NewGame));
    await waitFor(page, (s) => outlined(s, NewGame, green) && !outlined(s, Options, green), 'New Game turned green');
    await hover(page, ...centre(HighScores));
    await waitFor(page, (s) => outlined(s, HighScores, green) && outlined(s, NewGame) && !outlined(s, NewGame, green),
      'the green moving to High Scores');
    const logs = page.lines.filter((l) => l.type === 'log').map((l) => l.text);
    expect(logs.some((t) => /^Performance Counter frequency: \d+ ticks per second$/.test(t)) &&
      logs.some((t) => /^Start Time: \d+$/.test(t)), `the timer's two lines as console.log: ${JSON.stringify(logs)}`);
    expect(logs.every((t) => !/[\r\n]/.test(t)), 'a console line keeps its CR LF');
  }],

  ['main menu at 800x600 against the Linux build, outside the frame-rate readout', async (context) => {
    const page = await open(context);
    await hover(page, ...centre(NewGame));
    await waitFor(page, (s) => outlined(s, NewGame, green), 'New Game turned green');
    const shot = await shoot(page);
    const linux = decodePng(readFileSync(linuxMenu));
    expect(shot.width === 800 && shot.height === 600, `the canvas is ${shot.width}x${shot.height}`);
    let differ = 0, largest = 0;
    for (let y = 0; y < 600; ++y)
      for (let x = 0; x < 800; ++x) {
        if (x < 160 && y < 20) continue; // the readout: another machine's frame rate
        const a = shot.at(x, y), b = linux.at(x, y);
        const d = Math.max(Math.abs(a[0] - b[0]), Math.abs(a[1] - b[1]), Math.abs(a[2] - b[2]));
        if (d > 0) ++differ;
        largest = Math.max(largest, d);
      }
    console.log(`  main menu: ${differ} of ${800 * 600 - 160 * 20} pixels differ from the Linux build's (largest difference ${largest})`);
    expect(differ <= 2000, `${differ} pixels differ`);
  }],

  ['New Game and a hit on the crate score 1, saved at Exit', async (context) => {
    const page = await open(context);
    // As on the desktop: the crate is found while the game is paused, then Resume, the click
    // and Escape go in one go; one hit in time in four games is enough.
    for (let attempt = 0; attempt < 4; ++attempt) {
      await newGame(page);
      await press(page, 'Escape');
      await waitFor(page, screens.paused, 'the pause menu');
      const crate = findCrate(await shoot(page));
      await click(page, Resume);
      if (crate) await click(page, crate);
      await press(page, 'Escape');
      await waitFor(page, screens.paused, 'the pause menu again');
      await click(page, QuitToMenu);
      await waitFor(page, screens.menu, 'the main menu');
    }
    await exitRun(page);
    const table = await storedTable(page);
    expect(table && table.length === 160, 'a table of 160 bytes kept');
    expect(pointsOf(table, 0) === 1 && nameOf(table, 0) === '--Player--', `the hit leads the table: ${pointsOf(table, 0)}`);
  }],

  ['Escape pauses and Resume goes on', async (context) => {
    const page = await open(context);
    await newGame(page);
    await press(page, 'Escape');
    await waitFor(page, screens.paused, 'the pause menu');
    await click(page, Resume);
    await waitFor(page, screens.playing, 'the game again');
    await press(page, 'Escape');
    await waitFor(page, screens.paused, 'the pause menu again');
    await press(page, 'Escape');
    await waitFor(page, screens.playing, 'the game after a second Escape');
  }],

  ['name entry from the keyboard, in the downloaded table', async (context) => {
    const page = await open(context);
    await storeTable(page, lowTable());
    await typeName(page, ['Shift+Q', 'u', 'Shift+I', '7', 'Backspace', 'x']);
    await playAndQuit(page);
    await exitRun(page);
    const table = await downloadTable(page);
    expect(table.length === 160, `the download has ${table.length} bytes`);
    expect(nameOf(table, 0) === 'QuIx' && pointsOf(table, 0) === 0, `first: ${nameOf(table, 0)} ${pointsOf(table, 0)}`);
    expect(nameOf(table, 1) === 'low' && pointsOf(table, 9) === -13, 'the worst old result drops out');
  }],

  ["keys arrive as Windows' virtual-key codes, and the game's keys do nothing else on the page", async (context) => {
    const page = await open(context);
    await storeTable(page, lowTable());
    await page.evaluate(() => {
      window.prevented = [];
      document.addEventListener('keydown', (e) => window.prevented.push(`${e.code}:${e.defaultPrevented}`));
    });
    // The keypad's 1 with Num Lock off, as the driver's keyboard has it, is End (35); Delete
    // (46), the US layout's slash (191) and semicolon (186), space, the digit 0: the name takes
    // each key's code as its character.
    await typeName(page, ['Numpad1', 'Delete', 'Slash', 'Semicolon', 'Space', 'Digit0']);
    await press(page, 'Backspace');
    await playAndQuit(page);
    await exitRun(page);
    const table = await storedTable(page);
    const bytes = [...table.subarray(1, 1 + table[0])];
    expect(JSON.stringify(bytes) === JSON.stringify([35, 46, 191, 186, 32, 48]), `the name's bytes: ${bytes}`);
    const prevented = await page.evaluate(() => window.prevented);
    expect(['Space:true', 'Backspace:true', 'Delete:true', 'Enter:true', 'Escape:true'].every((k) => prevented.includes(k)),
      `default actions: ${prevented}`);
  }],

  ['game over saves at once', async (context) => {
    const page = await open(context);
    await click(page, NewGame);
    // Three crates left alone run out.
    await waitFor(page, screens.gameOver, 'the game-over screen');
    const table = await storedTable(page);
    expect(table && table.length === 160, 'saved at game over');
    expect(nameOf(table, 0) === '--Player--' && pointsOf(table, 0) === 0, 'ten default records');
  }],

  ['the table persists across a reload and the reloaded game reads it', async (context) => {
    const page = await open(context);
    await click(page, HighScores);
    await waitFor(page, screens.highScores, 'the high scores');
    const before = await shoot(page);
    await click(page, MainMenu);
    await waitFor(page, screens.menu, 'the main menu');
    await storeTable(page, lowTable());
    await typeName(page, ['Shift+Z', 'e', 'd']);
    await playAndQuit(page);
    await exitRun(page);
    await page.reload();
    await waitFor(page, screens.menu, 'the main menu after the reload');
    await click(page, HighScores);
    // The rows differ from a table of defaults: the reloaded game read the kept one.
    await waitFor(page, (s) => {
      if (!screens.highScores(s)) return false;
      let changed = 0;
      for (let y = 120; y < 450; ++y)
        for (let x = 290; x < 600; ++x) changed += bright(s.at(x, y)) !== bright(before.at(x, y));
      return changed > 200;
    }, 'the kept results on the high scores');
    const table = await storedTable(page);
    expect(nameOf(table, 0) === 'Zed', `kept: ${nameOf(table, 0)}`);
  }],

  ['a pending Quit To Menu result is kept when the tab closes', async (context) => {
    const page = await open(context);
    await storeTable(page, lowTable());
    await typeName(page, ['Shift+P']);
    await playAndQuit(page);
    await page.close({ runBeforeUnload: true });
    const other = await open(context);
    const table = await storedTable(other);
    expect(table && nameOf(table, 0) === 'P' && pointsOf(table, 0) === 0, 'the result saved as the tab closed');
  }],

  ['two tabs keep both players\' results', async (context) => {
    const first = await open(context);
    await storeTable(first, lowTable());
    const second = await open(context);
    // A tab in the background gets no animation frames: each is brought forward to be played.
    for (const [page, name] of [[first, 'Shift+A'], [second, 'Shift+B']]) {
      await page.bringToFront();
      await typeName(page, [name]);
    }
    for (const page of [first, second]) {
      await page.bringToFront();
      await playAndQuit(page);
    }
    for (const page of [first, second]) {
      await page.bringToFront();
      await exitRun(page);
    }
    const table = await storedTable(second);
    const names = [0, 1, 2].map((slot) => nameOf(table, slot));
    expect(names.includes('A') && names.includes('B') && names[2] === 'low', `the table: ${names}`);
  }],

  ['a loaded bad file is read as the desktop reads it', async (context) => {
    const page = await open(context);
    // One record with a length byte of 200 and a negative score, and four bytes of another.
    const bad = Buffer.concat([record('ABCDEFGHIJ', -7), Buffer.from([1, 2, 3, 4])]);
    bad[0] = 200;
    await storeTable(page, bad);
    await exitRun(page);
    const table = await storedTable(page);
    expect(table.length === 160, `the table has ${table.length} bytes`);
    expect(table[0] === 10 && nameOf(table, 0) === 'ABCDEFGHIJ' && pointsOf(table, 0) === -7,
      'the long name read as ten characters, the score as it was');
    expect(nameOf(table, 1) === '--Player--' && pointsOf(table, 9) === 0, 'the rest filled with defaults');
  }],

  // Storage refused outright (getting it throws), or full (every write throws): either way the
  // game plays, keeps its table for the page's life, and says so in one line.
  ...[['refused', () => {
    Object.defineProperty(window, 'localStorage', {
      get() { throw new DOMException('refused', 'SecurityError'); },
    });
  }], ['full', () => {
    Storage.prototype.setItem = function () { throw new DOMException('full', 'QuotaExceededError'); };
  }]].map(([how, refuse]) => [`storage ${how}: the game plays and #status says so`, async (context) => {
    await context.addInitScript(refuse);
    const page = await open(context);
    await waitForPage(page, () => /keeps nothing/.test(document.getElementById('status').textContent), 'the line in #status');
    const status = await page.textContent('#status');
    expect(!status.includes('\n'), `#status: ${status}`);
    await playAndQuit(page);
    await exitRun(page);
    const table = await downloadTable(page);
    expect(table.length === 160 && pointsOf(table, 0) === 0, "the game's own copy of the table downloaded");
  }]),

  ['Exit ends the run in order and Play again starts a new one', async (context) => {
    const page = await open(context);
    expect(await page.isHidden('#play-again'), 'Play again shown during the run');
    await exitRun(page);
    expect(await page.isVisible('#play-again'), 'no Play again');
    const table = await storedTable(page);
    expect(table && table.length === 160, 'the table saved at the end');
    const errors = page.lines.filter((l) => l.type === 'error' || l.type === 'pageerror');
    expect(errors.length === 0, `errors: ${JSON.stringify(errors)}`);
    await page.click('#play-again');
    await waitFor(page, screens.menu, 'the main menu of the new run');
    expect(await page.isHidden('#play-again'), 'Play again stays');
  }],

  ['a failed save ends the run with its report on console.error and in #status', async (context) => {
    const page = await open(context);
    // The table as a file the game may not write, as a read-only file on the desktop.
    await page.evaluate(() => Module.FS.chmod('/highScores.dat', 0o444));
    await click(page, Exit);
    await waitForPage(page, () => document.body.dataset.run === 'failed', 'the failed end of the run');
    const status = await page.textContent('#status');
    expect(/^Exception EInOutError in module quorvin\.wasm at [0-9A-F]{8}\. File access denied\.$/.test(status),
      `#status: ${status}`);
    const errors = page.lines.filter((l) => l.type === 'error').map((l) => l.text);
    expect(errors.length === 2 && errors[1] === 'File access denied.', `console.error: ${JSON.stringify(errors)}`);
    expect(await page.isVisible('#play-again'), 'no Play again');
  }],

  ['a smaller window: the canvas keeps 4:3 at its shown size and the mouse maps onto it', async (context) => {
    const page = await open(context);
    await page.setViewportSize({ width: 500, height: 700 });
    await waitForPage(page, () => document.getElementById('canvas').width === 500, 'a drawing buffer of the shown size');
    const [w, h, cssW, cssH] = await page.evaluate(() => {
      const c = document.getElementById('canvas'), r = c.getBoundingClientRect();
      return [c.width, c.height, r.width, r.height];
    });
    expect(cssW === 500 && Math.abs(cssH - 375) < 1 && w === 500 && h === 375, `canvas ${w}x${h} shown at ${cssW}x${cssH}`);
    // New Game where the stretched screen shows it.
    await click(page, NewGame);
    await page.setViewportSize({ width: 1000, height: 700 });
    await waitFor(page, screens.playing, 'a game started by a click on the smaller canvas, at full size again');
  }],

  ['#fullscreen stretches the canvas over the screen, and the mouse maps onto it', async (context) => {
    const page = await open(context);
    await page.click('#fullscreen');
    await waitForPage(page, () => document.fullscreenElement === document.getElementById('canvas') &&
      document.getElementById('canvas').width === innerWidth && document.getElementById('canvas').height === innerHeight,
      'the canvas in full screen at the screen\'s size');
    await click(page, NewGame);
    await waitFor(page, (s) => {
      let crate = 0;
      for (let y = 0; y < s.height; ++y) for (let x = 0; x < s.width; ++x) crate += isCrate(s.at(x, y));
      return s.width === 1000 && crate > 500;
    }, 'a game started by a click on the stretched canvas');
  }],

  ['at a device pixel ratio of 2 the drawing buffer has the device pixels', async (context) => {
    const page = await context.newPage();
    await page.goto(server.url);
    await waitForPage(page, () => Module.running && document.getElementById('canvas').width === 1600 &&
      document.getElementById('canvas').height === 1200, 'a drawing buffer of 1600x1200');
  }, { deviceScaleFactor: 2 }],

  ['a tap on New Game is a click', async (context) => {
    const page = await open(context);
    const [x, y] = await toPage(page, ...centre(NewGame));
    await page.touchscreen.tap(x, y);
    await waitFor(page, screens.playing, 'a game started by a tap');
  }, { hasTouch: true }],
];

// ---- Running them -------------------------------------------------------------------------------

const server = await new Promise((resolve, reject) => {
  const child = spawn(`${root}/tools/serve-web`, [pageFolder], { stdio: ['ignore', 'pipe', 'inherit'] });
  child.on('error', reject);
  child.stdout.once('data', (d) => resolve({ child, url: String(d).trim() }));
});
const browser = await chromium.launch({
  executablePath: process.env.QUORVIN_CHROMIUM ?? '/usr/bin/chromium',
  args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox'],
});
const only = process.env.QUORVIN_WEB_ONLY;
let passed = 0, failed = 0;
for (const [name, body, options] of cases) {
  if (only && !name.includes(only)) continue;
  const context = await browser.newContext({ viewport: { width: 1000, height: 700 }, acceptDownloads: true, ...options });
  const started = Date.now();
  try {
    await body(context);
    ++passed;
    console.log(`ok   ${name} (${((Date.now() - started) / 1000).toFixed(1)} s)`);
  } catch (error) {
    ++failed;
    console.log(`FAIL ${name}: ${error.message}`);
  }
  await context.close();
}
await browser.close();
server.child.kill();
console.log(`web: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
