// End-to-end tests of the web backend: the traffic page and the probe page in headless Chromium
// (Debian's, driven by playwright-core), served on loopback by this script. Every wait is on a
// condition with a deadline. Usage:
//   node run_web_e2e.js <test> <build-web dir> <out dir> [<linux first frame .rgb>]
// Exit status 0 pass, 1 fail, 77 skip. Figures (sizes, times, rates) are printed, never judged.
'use strict';

const fs = require('fs');
const http = require('http');
const path = require('path');

const [testName, buildDir, outDir, linuxFrame] = process.argv.slice(2);
let chromium;
try {
  ({ chromium } = require(path.join(__dirname, 'node_modules', 'playwright-core')));
} catch (e) {
  console.log('SKIP: playwright-core is not installed (npm ci in tests/web)');
  process.exit(77);
}
const CHROMIUM = '/usr/bin/chromium';
if (!fs.existsSync(CHROMIUM)) {
  console.log('SKIP: ' + CHROMIUM + ' is not installed');
  process.exit(77);
}
fs.mkdirSync(outDir, { recursive: true });

class Failure extends Error {}
function fail(message) {
  throw new Failure(message);
}
function check(condition, message) {
  if (!condition) fail(message);
}

// ---- a static server for the build folder ----

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
function serve() {
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    const file = path.join(buildDir, path.normalize(decodeURIComponent(url.pathname)));
    if (!file.startsWith(path.resolve(buildDir)) || !fs.existsSync(file) ||
        !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// ---- the browser and the page ----

async function until(what, condition, timeout = 10000) {
  const end = Date.now() + timeout;
  for (;;) {
    const value = await condition();
    if (value) return value;
    if (Date.now() > end) fail('timed out waiting for ' + what);
    await new Promise((r) => setTimeout(r, 50));
  }
}

class Page {
  constructor(browser, base) {
    this.browser = browser;
    this.base = base;
    this.lines = [];
    this.errors = [];
  }

  async open(program, args, density = 1) {
    this.context = await this.browser.newContext({
      viewport: { width: 1024, height: 808 }, deviceScaleFactor: density, acceptDownloads: true,
    });
    this.page = await this.context.newPage();
    this.page.on('console', (m) => this.lines.push(m.text()));
    this.page.on('pageerror', (e) => this.errors.push(e.message));
    await this.goto(program, args);
    return this;
  }

  async goto(program, args) {
    this.lines = [];
    const query = args ? '?' + encodeURIComponent(args) : '';
    this.started = Date.now();
    await this.page.goto(this.base + program + query);
    await until('the graphics window', () => this.page.$('.velta-window[data-title="VELTA Graphics"]'));
  }

  async reload() {
    this.lines = [];
    await this.page.reload();
    await until('the graphics window', () => this.page.$('.velta-window[data-title="VELTA Graphics"]'));
  }

  // What a window's canvas shows, summed up in the page: its size, a hash of its pixels, the
  // box of its black pixels from the centre (10-pixel margins left out, as the desktop tests do)
  // and how many dark pixels it has. `first`: the first picture it showed instead.
  async canvas(title, first) {
    return this.page.evaluate(([t, useFirst]) => {
      const box = document.querySelector('.velta-window[data-title="' + t + '"]');
      if (!box) return null;
      const c = box.querySelector('canvas');
      let width = c.width, height = c.height, data;
      if (useFirst) {
        const f = Module.velta.firstImage(t);
        if (!f) return null;
        width = f.width;
        height = f.height;
        data = f.data;
      } else {
        data = c.getContext('2d').getImageData(0, 0, width, height).data;
      }
      const cx = Math.floor(width / 2), cy = Math.floor(height / 2);
      let hash = 0, ink = 0, red = 0, green = 0, yellow = 0;
      let l = Infinity, top = Infinity, r = -Infinity, b = -Infinity;
      for (let y = 0; y < height; ++y) {
        for (let x = 0; x < width; ++x) {
          const i = (y * width + x) * 4;
          hash = (hash * 31 + data[i] * 65536 + data[i + 1] * 256 + data[i + 2]) >>> 0;
          if (data[i] < 128 && data[i + 1] < 128 && data[i + 2] < 128) ++ink;
          const rgb = data[i] * 65536 + data[i + 1] * 256 + data[i + 2];
          if (rgb === 0xFF0000) ++red;
          else if (rgb === 0x00FF00) ++green;
          else if (rgb === 0xFFFF00) ++yellow;
          if (x >= 10 && y >= 10 && x < width - 10 && y < height - 10 && data[i] === 0 &&
              data[i + 1] === 0 && data[i + 2] === 0) {
            l = Math.min(l, x); r = Math.max(r, x); top = Math.min(top, y); b = Math.max(b, y);
          }
        }
      }
      // The picture from (-230, 230) to (130, -230) around the origin, as RGB bytes.
      let crop = '';
      for (let y = cy - 230; y <= cy + 230; ++y)
        for (let x = cx - 230; x <= cx + 130; ++x) {
          const i = (y * width + x) * 4;
          crop += String.fromCharCode(data[i], data[i + 1], data[i + 2]);
        }
      return { width, height, hash, ink, red, green, yellow, black: [l - cx, top - cy, r - cx, b - cy].join(' '),
               crop: btoa(crop) };
    }, [title, !!first]);
  }

  // Where a window's canvas lies on the page.
  async canvasBox(title) {
    return this.page.evaluate((t) => {
      const c = document.querySelector('.velta-window[data-title="' + t + '"] canvas');
      const r = c.getBoundingClientRect();
      return { x: r.left, y: r.top, width: c.width, height: c.height };
    }, title);
  }

  async hash(title) {
    return (await this.canvas(title)).hash;
  }

  // A click at picture coordinates (origin at the centre of the client area, y upward).
  async clickAt(x, y) {
    const box = await this.canvasBox('VELTA Graphics');
    const cx = Math.floor(box.width / 2), cy = Math.floor(box.height / 2);
    await this.page.mouse.click(box.x + cx + x + 0.5, box.y + cy - y + 0.5);
  }

  async keys(...names) {
    for (const k of names) await this.page.keyboard.press(k);
  }

  async said(line, timeout = 5000) {
    await until('the program to print "' + line + '"', () => this.lines.includes(line), timeout);
  }

  async ended() {
    await until('the page to say that the program ended',
                () => this.page.evaluate(() => !document.getElementById('velta-ended').hidden));
    return this.page.evaluate(() => ({
      text: document.getElementById('velta-ended-text').textContent,
      status: document.body.dataset.exitStatus,
    }));
  }

  async menuItems() {
    return this.page.evaluate(() => Array.from(document.querySelectorAll('.velta-menu .velta-item'))
      .map((r) => ({
        text: r.querySelector('.velta-itemtext').textContent,
        key: r.querySelector('.velta-key').textContent,
        checked: r.getAttribute('aria-checked') === 'true',
        grayed: r.getAttribute('aria-disabled') === 'true',
      })));
  }

  async checked(text) {
    await this.page.click('.velta-menutitle');
    await until('the Run menu', () => this.page.$('.velta-menu'));
    const item = (await this.menuItems()).find((i) => i.text === text);
    await this.keys('Escape');
    return item && item.checked;
  }

  async downloadScript() {
    const [download] = await Promise.all([
      this.page.waitForEvent('download'),
      this.page.click('#velta-download'),
    ]);
    const file = path.join(outDir, testName + '.VELTA.SCR');
    await download.saveAs(file);
    return fs.readFileSync(file, 'latin1');
  }

  async loadScript(text) {
    const file = path.join(outDir, testName + '.load.SCR');
    fs.writeFileSync(file, text, 'latin1');
    await this.page.setInputFiles('#velta-load-file', file);
    await until('the script to be loaded',
                () => this.page.evaluate(() => /now/.test(document.getElementById('velta-status').textContent)));
  }

  async close() {
    if (this.errors.length) fail('page errors: ' + this.errors.join(' | '));
    await this.context.close();
  }
}

// ---- pictures ----

async function stillFor(page, title, ms) {
  const first = await page.hash(title);
  const end = Date.now() + ms;
  while (Date.now() < end) {
    await new Promise((r) => setTimeout(r, 250));
    if ((await page.hash(title)) !== first) return false;
  }
  return true;
}

async function changes(page, title, ms) {
  const first = await page.hash(title);
  const end = Date.now() + ms;
  while (Date.now() < end) {
    await new Promise((r) => setTimeout(r, 100));
    if ((await page.hash(title)) !== first) return true;
  }
  return false;
}

// Processor time the page's renderer used over `ms`, in % of one core.
async function cpuPercent(page, ms) {
  const cdp = await page.context.newCDPSession(page.page);
  await cdp.send('Performance.enable');
  const metric = async () => (await cdp.send('Performance.getMetrics')).metrics
    .find((m) => m.name === 'TaskDuration').value;
  const a = await metric();
  await new Promise((r) => setTimeout(r, ms));
  const b = await metric();
  await cdp.detach();
  return (100 * (b - a) * 1000 / ms).toFixed(2);
}

// ---- the tests ----

const tests = {
  // The grid at the right place, the same pixels as the Linux program's first frame, the size of
  // the program and how soon its first frame is shown.
  async grid_and_first_frame(p) {
    await p.open('apps/traffic/traffic.html');
    // The first frame that shows the grid (the very first is the image before the program's
    // first clear), before any vehicle has come.
    const first = await until('the street grid', async () => {
      const c = await p.canvas('VELTA Graphics');
      return c && c.red > 500 && c.green > 500 ? c : null;
    });
    check(first.yellow === 0, 'a vehicle came before the first look at the grid');
    const shown = await p.page.evaluate(() =>
      Number(document.querySelector('.velta-window[data-title="VELTA Graphics"]').dataset.firstFrameMs));
    console.log('load to the first picture: ' + Math.round(shown) + ' ms from the start of navigation');
    const wasm = fs.statSync(path.join(buildDir, 'apps/traffic/traffic.wasm')).size;
    const js = fs.statSync(path.join(buildDir, 'apps/traffic/traffic.js')).size;
    console.log('traffic.wasm: ' + wasm + ' bytes; traffic.js: ' + js + ' bytes');
    console.log('graphics client area: ' + first.width + ' x ' + first.height);
    check(first.black === '-220 -220 120 220',
          'street grid at ' + first.black + ' from the client area\'s centre');
    if (linuxFrame && fs.existsSync(linuxFrame)) {
      const crop = Buffer.from(first.crop, 'base64');
      const linux = fs.readFileSync(linuxFrame);
      let differ = 0;
      for (let i = 0; i < crop.length; i += 3)
        if (crop[i] !== linux[i] || crop[i + 1] !== linux[i + 1] || crop[i + 2] !== linux[i + 2]) ++differ;
      console.log('first frame against the Linux program: ' + differ + ' pixels differ');
      fs.writeFileSync(path.join(outDir, 'page-first-frame.rgb'), crop);
      check(crop.length === linux.length && differ === 0, differ + ' pixels differ from the Linux program\'s');
    }
    await p.page.screenshot({ path: path.join(outDir, 'page.png') });
    await p.close();
  },

  async animation_keys(p) {
    await p.open('apps/traffic/traffic.html');
    await p.page.click('.velta-window[data-title="VELTA Graphics"] canvas');
    check(await changes(p, 'VELTA Graphics', 6000), 'the animation does not run at start');
    await p.keys('Control+h');
    await new Promise((r) => setTimeout(r, 300));
    check(await stillFor(p, 'VELTA Graphics', 1500), 'Ctrl+H did not halt the animation');
    console.log('processor use halted, over 3 s: ' + await cpuPercent(p, 3000) + ' % of one core');
    let stepped = false;
    for (let i = 0; i < 40 && !stepped; ++i) {
      await p.keys('Control+f');
      stepped = await changes(p, 'VELTA Graphics', 1000);
    }
    check(stepped, 'Ctrl+F never advanced the picture');
    check(await stillFor(p, 'VELTA Graphics', 1000), 'the animation runs after Ctrl+F');
    await p.keys('Control+a');
    check(await changes(p, 'VELTA Graphics', 6000), 'Ctrl+A did not start the animation');
    console.log('processor use running, over 3 s: ' + await cpuPercent(p, 3000) + ' % of one core');
    await p.close();
  },

  // The Run menu with the mouse and with the keyboard, its check marks and grey items, and the
  // Logging lines on the console.
  async menu(p) {
    await p.open('apps/traffic/traffic.html');
    await p.page.click('.velta-menutitle');
    await until('the Run menu', () => p.page.$('.velta-menu'));
    const items = await p.menuItems();
    const texts = items.map((i) => i.text + (i.key ? ' ' + i.key : '')).join(' | ');
    check(texts === 'Animate Ctrl+A | Halt animation Ctrl+H | Advance one frame Ctrl+F | ' +
          'Logging Ctrl+L | Record Script Ctrl+R | Playback Script Ctrl+P | ' +
          'Play One Script Ctrl+O | Quit Ctrl+Q | VELTA v2.2 July 1997 | ' +
          'Mac version: the VELTA Mac team | Windows version: the VELTA Windows team | ' +
          'Updates: the VELTA Traffic team', 'menu items: ' + texts);
    check(items.filter((i) => i.grayed).length === 4, 'not four grey items');
    check(!items.find((i) => i.text === 'Logging').checked, 'Logging is checked at start');
    const before = (await p.canvas('VELTA Text')).ink;
    await p.page.click('.velta-item:has-text("Logging")');
    await until('logging lines on the console', async () => (await p.canvas('VELTA Text')).ink > before + 500);
    check(await p.checked('Logging'), 'Logging is not checked after choosing it');
    // By the keyboard: Alt+R opens the menu, the arrows move, Enter chooses (Logging off again).
    await p.page.click('.velta-window[data-title="VELTA Graphics"] canvas');
    await p.page.mouse.move(900, 100);  // away from where the menu opens
    await p.keys('Alt+r');
    await until('the Run menu by the keyboard', () => p.page.$('.velta-menu'));
    await p.keys('ArrowDown', 'ArrowDown', 'ArrowDown', 'Enter');
    await until('the menu to close', async () => !(await p.page.$('.velta-menu')));
    check(!(await p.checked('Logging')), 'Logging chosen by the keyboard did not switch it off');
    // A grey item does nothing.
    await p.page.click('.velta-menutitle');
    await p.page.click('.velta-item:has-text("VELTA v2.2")', { force: true });
    check(await p.page.$('.velta-menu'), 'a grey item closed the menu');
    await p.keys('Escape');
    await p.close();
  },

  // Keys and clicks recorded, checked in the downloaded script; the script kept across a reload
  // and played back; a script from another system plays too.
  async record_reload_playback(p) {
    await p.open('apps/traffic/traffic.html');
    await p.page.click('.velta-window[data-title="VELTA Graphics"] canvas');
    // A tick already on its way when the animation halts still comes: let it come first.
    await p.keys('Control+h');
    await new Promise((r) => setTimeout(r, 300));
    await p.keys('Control+r');
    check(await p.checked('Record Script'), 'Record Script is not checked after Ctrl+R');
    await p.clickAt(10, 10);
    await p.clickAt(-20, 30);
    await p.keys('w', 'x', 'Control+r');
    await until('the recording to end', async () => !(await p.checked('Record Script')));
    const text = await p.downloadScript();
    check(text === 'VELTA_MOUSE(10, 10);\nVELTA_MOUSE(-20, 30);\nVELTA_KBD(119);\nVELTA_KBD(120);\n',
          'downloaded script: ' + JSON.stringify(text));
    // The page's storage keeps it across a reload.
    await new Promise((r) => setTimeout(r, 800));
    await p.reload();
    check((await p.downloadScript()) === text, 'the script was not kept across the reload');
    await p.page.click('.velta-window[data-title="VELTA Graphics"] canvas');
    await p.keys('Control+h', 'Control+p');
    await until('the playback to reach the end', async () => !(await p.checked('Playback Script')));
    // A script recorded on Windows (CR LF) plays to its end too.
    await p.loadScript('VELTA_PERIODIC(5);\r\nVELTA_KBD(65);\r\n');
    await p.keys('Control+p');
    await until('the Windows script to play', async () => !(await p.checked('Playback Script')));
    await p.close();
  },

  async quit(p) {
    await p.open('apps/traffic/traffic.html');
    await p.page.click('.velta-window[data-title="VELTA Graphics"] canvas');
    await p.keys('Control+q');
    let end = await p.ended();
    check(end.status === '0', 'Ctrl+Q ended with ' + end.text);
    await p.page.click('#velta-again');
    await until('the page to start again', async () => !(await p.page.evaluate(() => !document.getElementById('velta-ended').hidden)) &&
                await p.page.$('.velta-window[data-title="VELTA Graphics"]'));
    await p.page.click('.velta-window[data-title="VELTA Graphics"] .velta-close');
    end = await p.ended();
    check(end.status === '0', 'the close box ended with ' + end.text);
    await p.reload();
    await p.page.click('.velta-menutitle');
    await p.page.click('.velta-item:has-text("Quit")');
    end = await p.ended();
    check(end.status === '0' && end.text === 'The program has ended with status 0.',
          'Quit ended with ' + end.text);
    await p.close();
  },

  // Keys and clicks as the probe sees them: the key rule of every backend, and clicks at picture
  // coordinates.
  async keys_and_clicks(p) {
    await p.open('tests/web/velta_probe.html');
    await p.said('ready');
    await p.page.click('.velta-window[data-title="VELTA Graphics"] canvas', { position: { x: 5, y: 5 } });
    await p.keys('a');
    await p.said('keydown 65 97');
    await p.said('event 2 0 0 97');
    await p.keys('Shift+B');
    await p.said('event 2 0 0 66');
    p.lines = [];
    await p.keys('Delete', 'ArrowLeft', 'Home', 'F5', 'z');
    await p.said('event 2 0 0 122');
    for (const vk of [46, 37, 36, 116]) await p.said('keydown ' + vk + ' -1');
    check(p.lines.filter((l) => l.startsWith('event')).join('|') === 'event 2 0 0 122',
          'keys without a character gave events: ' + p.lines.filter((l) => l.startsWith('event')));
    await p.keys('Backspace', 'Tab', 'Enter', 'Escape');
    for (const code of [8, 9, 13, 27]) await p.said('event 2 0 0 ' + code);
    p.lines = [];
    await p.keys('Control+l');
    await p.said('keydown 76 12');
    check(!p.lines.some((l) => l.startsWith('event')), 'Ctrl+L gave a key event');
    await p.clickAt(10, -10);
    await p.said('event 1 10 -10 0');
    // The text window can be resized by its corner, and the program hears of its new size; the
    // graphics window has no such corner.
    const grip = await p.page.$('.velta-window[data-title="VELTA Text"] .velta-grip');
    check(grip && !(await p.page.$('.velta-window[data-title="VELTA Graphics"] .velta-grip')),
          'the wrong windows can be resized');
    const g = await grip.boundingBox();
    await p.page.mouse.move(g.x + 6, g.y + 6);
    await p.page.mouse.down();
    await p.page.mouse.move(g.x - 194, g.y - 44, { steps: 4 });
    await p.page.mouse.up();
    await until('the new size', () => p.lines.some((l) => /^textsize 822 /.test(l)));
    // ... and moved by its caption bar.
    const corner = () => p.page.$eval('.velta-window[data-title="VELTA Text"]', (b) => {
      const r = b.getBoundingClientRect();
      return [r.x, r.y];
    });
    const [fromX, fromY] = await corner();
    // Right of the graphics window, which covers the caption's left part.
    await p.page.mouse.move(fromX + 700, fromY + 10);
    await p.page.mouse.down();
    await p.page.mouse.move(fromX + 730, fromY + 30, { steps: 3 });
    await p.page.mouse.up();
    const [toX, toY] = await corner();
    check(toX - fromX === 30 && toY - fromY === 20,
          'the caption moved the window by ' + [toX - fromX, toY - fromY]);
    await p.keys('Control+q');
    await p.said('event 4 0 0 0');
    const end = await p.ended();
    check(end.status === '0', 'ended with ' + end.text);
    await p.close();
  },

  async dialog(p) {
    await p.open('tests/web/velta_probe.html', 'dialog');
    await until('the dialog', () => p.page.$('.velta-dialog'));
    const title = await p.page.$eval('.velta-dialog', (d) => d.dataset.title);
    check(title === 'VELTA_gets', 'dialog title ' + title);
    // Escape and the close box leave it open.
    await p.keys('Escape');
    await p.page.click('.velta-dialog .velta-close');
    await new Promise((r) => setTimeout(r, 300));
    check(await p.page.$('.velta-dialog'), 'Escape or the close box closed the dialog');
    await p.page.click('.velta-dialog textarea');
    await p.page.keyboard.type('hello there');
    await p.keys('Enter');
    await p.said('reply 1 [hello there]');
    await until('the dialog to close', async () => !(await p.page.$('.velta-dialog')));
    await p.keys('z');
    await p.said('event 2 0 0 122');
    await p.keys('Control+q');
    await p.ended();
    await p.close();
  },

  async second_display(p) {
    await p.open('tests/web/velta_probe.html', 'second-display');
    await until('the error dialog', () => p.page.$('.velta-dialog'));
    const prompt = await p.page.$eval('.velta-dialog .velta-static', (s) => s.textContent.trim());
    check(prompt === 'Error: Attempted to instantiate multiple VELTA displays', 'prompt ' + prompt);
    await p.keys('Enter');
    const end = await p.ended();
    check(end.status === '-1', 'a second display ended with ' + end.text);
    await p.close();
  },

  // A screen of twice the density (devicePixelRatio 2): the canvas holds twice as many pixels,
  // every picture pixel a uniform 2 x 2 block, and a click at twice (30, 40) device pixels from
  // the origin is (30, 40) in the picture.
  async hidpi(p) {
    await p.open('tests/web/velta_probe.html', '', 2);
    await p.said('ready');
    const shown = await until('a picture at twice the size', () => p.page.evaluate(() => {
      const c = document.querySelector('.velta-window[data-title="VELTA Graphics"] canvas');
      if (c.width < 1000) return null;
      const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
      let odd = 0, dark = 0;
      for (let y = 0; y + 1 < c.height; y += 2)
        for (let x = 0; x + 1 < c.width; x += 2) {
          const i = (y * c.width + x) * 4;
          for (const j of [i + 4, i + c.width * 4, i + c.width * 4 + 4])
            if (d[j] !== d[i] || d[j + 1] !== d[i + 1] || d[j + 2] !== d[i + 2]) ++odd;
          if (d[i] === 0) ++dark;
        }
      const r = c.getBoundingClientRect();
      return { width: c.width, height: c.height, odd, dark, css: [r.left, r.top, r.width, r.height] };
    }));
    console.log('graphics canvas at devicePixelRatio 2: ' + shown.width + ' x ' + shown.height);
    check(shown.width === 2 * 599 && shown.height === 2 * 490, 'canvas ' + shown.width + ' x ' + shown.height);
    check(shown.odd === 0 && shown.dark > 0, shown.odd + ' pixels are not in uniform 2 x 2 blocks');
    // CSS pixels are two device pixels each here: the origin's block starts at the logical
    // centre, and (60, -80) device pixels from it is (30, -40) CSS pixels.
    const [left, top] = shown.css;
    const ox = Math.floor(599 / 2), oy = Math.floor(490 / 2);
    await p.page.mouse.click(left + ox + 30 + 0.25, top + oy - 40 + 0.25);
    await p.said('event 1 30 40 0');
    await p.keys('Control+q');
    await p.ended();
    await p.close();
  },

  // A student's first program built on the installed library (see run_web_e2e.sh), checked as
  // the package tests check it: its picture, a click, two keys and Ctrl+Q, which ends it with 0.
  async student_program(p) {
    await p.open('hello.html');
    const pixel = (x, y) => p.page.evaluate(([px, py]) => {
      const c = document.querySelector('.velta-window[data-title="VELTA Graphics"] canvas');
      const d = c.getContext('2d').getImageData(Math.floor(c.width / 2) + px,
                                                Math.floor(c.height / 2) - py, 1, 1).data;
      return '#' + [d[0], d[1], d[2]].map((v) => v.toString(16).padStart(2, '0')).join('').toUpperCase();
    }, [x, y]);
    const expect = async (colour, ...points) => {
      for (const [x, y] of points) {
        const got = await pixel(x, y);
        check(got === colour, '(' + x + ', ' + y + ') is ' + got + ', not ' + colour);
      }
    };
    await until('the triangle', async () => (await pixel(0, 60)) === '#FFFF00');
    await expect('#0000FF', [-100, 80], [100, 80], [-100, -80], [100, -80], [0, -70]);
    await expect('#FFFFFF', [-101, 80], [-100, 81], [101, -80], [100, -81], [150, -120]);
    await p.clickAt(150, -120);
    await until('the red mark', async () => (await pixel(150, -120)) === '#FF0000');
    await expect('#FF0000', [147, -117], [153, -123]);
    await expect('#FFFFFF', [146, -120], [154, -120], [150, -116], [150, -124]);
    await p.keys('g');
    await until('the green square', async () => (await pixel(220, 0)) === '#00FF00');
    await p.keys('b');
    await until('the blue square', async () => (await pixel(220, 0)) === '#0000FF');
    await p.page.screenshot({ path: path.join(outDir, 'student.png') });
    await p.keys('Control+q');
    const end = await p.ended();
    check(end.status === '0', 'ended with ' + end.text);
    await p.close();
  },

  // Unpaced playback of a counted line in the page; its rate is printed, not judged.
  async playback_rate(p) {
    const ticks = Number(process.env.WEB_PLAYBACK_TICKS || 20000);
    await p.open('apps/traffic/traffic.html');
    await p.loadScript('VELTA_PERIODIC(' + ticks + ');\n');
    await p.page.click('.velta-window[data-title="VELTA Graphics"] canvas');
    const start = Date.now();
    await p.keys('Control+p');
    await new Promise((r) => setTimeout(r, 200));
    await until('the playback to end', async () => !(await p.checked('Playback Script')), 120000);
    const ms = Date.now() - start;
    console.log('page playback of VELTA_PERIODIC(' + ticks + '); in headless Chromium: ' +
                Math.round(ticks * 1000 / ms) + ' ticks/s (' + ms + ' ms)');
    await p.close();
  },
};

(async () => {
  const test = tests[testName];
  if (!test) {
    console.log('no such test: ' + testName);
    process.exit(2);
  }
  const server = await serve();
  const base = 'http://127.0.0.1:' + server.address().port + '/';
  const browser = await chromium.launch({
    executablePath: CHROMIUM,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const page = new Page(browser, base);
  let status = 0;
  try {
    await test(page);
    console.log('PASS (web ' + testName + ')');
  } catch (e) {
    status = 1;
    console.log('FAIL (web ' + testName + '): ' + (e instanceof Failure ? e.message : e.stack));
    if (page.lines.length) console.log(page.lines.slice(-20).map((l) => '  page: ' + l).join('\n'));
    if (page.page) await page.page.screenshot({ path: path.join(outDir, testName + '.png') }).catch(() => {});
  }
  await browser.close();
  server.close();
  process.exit(status);
})();
