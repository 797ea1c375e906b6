// The web backend's page: the program's windows as boxes on a desk (a caption bar with the title,
// the graphics window's close box and HTML menu bar, a canvas for the client area), the modal
// dialog, the keyboard and the mouse, and the script file kept in the browser (IndexedDB) with
// buttons to download and load it. Everything the user does is queued here and taken by the
// backend's pump (Module.velta.nextInput) when the program runs again: nothing calls into the
// program while it sleeps.
//
// Loaded before the program (--pre-js); the backend calls Module.velta.* from its EM_JS glue.
(function () {
  'use strict';

  // What the queue holds, as the backend reads it: [kind, window, a, b, c, d].
  const INPUT = {
    keyDown: 1, keyUp: 2, click: 3, command: 4, close: 5, moved: 6,
    dialogButton: 7, dialogEnter: 8, dialogEscape: 9, dialogClose: 10, mouse: 11,
  };
  // The platform's mouse messages, and what their first parameter says is held.
  const MOUSE = { move: 512, down: [513, 519, 516], up: [514, 520, 517], wheel: 522 };
  const HELD = { left: 1, right: 2, shift: 4, control: 8, middle: 16 };
  // The frame the backend counts with (platform/web/backend.cpp): a border, a caption bar and,
  // for a window with a menu, a menu bar above the client area.
  const FRAME = { border: 1, caption: 24, menu: 24 };
  const SCRIPT_DIR = '/velta';
  const SCRIPT = SCRIPT_DIR + '/VELTA.SCR';

  const page = {
    queue: [],
    wakeUp: null,
    windows: new Map(),
    active: 0,       // the window that has the keyboard
    dialog: null,    // the open dialog, if any
    menu: null,      // the open menu: { win, index, items }
    menuKeys: new Set(),  // the keys held down that the menu took
    ended: false,
    syncing: false,
    syncAgain: false,
    fonts: [],
    measure: null,
  };

  function post(kind, win, a, b, c, d) {
    page.queue.push([kind, win | 0, a | 0, b | 0, c | 0, d | 0]);
    if (page.wakeUp) {
      const wake = page.wakeUp;
      page.wakeUp = null;
      wake();
    }
  }

  // ---- the desk and its windows ----

  function desk() {
    return document.getElementById('velta-desk');
  }

  // High-density screens: the program's pictures are drawn at a whole-number scale (the device
  // pixel ratio rounded down, never below 1), each logical pixel a square block of device pixels.
  // The page lays the windows out in logical pixels of `unit` CSS pixels each, so that a logical
  // pixel is exactly `scale` device pixels however the browser's ratio is.
  function scale() {
    return Math.max(1, Math.floor(window.devicePixelRatio || 1));
  }
  function unit() {
    return scale() / (window.devicePixelRatio || 1);
  }
  const px = (logical) => logical * unit() + 'px';

  function deskSize() {
    const d = desk();
    return [Math.max(640, Math.floor(d.clientWidth / unit())),
            Math.max(480, Math.floor(d.clientHeight / unit()))];
  }

  function bringToFront(w) {
    let top = 0;
    for (const other of page.windows.values()) top = Math.max(top, other.z);
    w.z = top + 1;
    w.box.style.zIndex = String(w.z);
  }

  function activate(id) {
    const w = page.windows.get(id);
    if (!w) return;
    page.active = id;
    for (const other of page.windows.values())
      other.box.classList.toggle('velta-active', other === w);
    bringToFront(w);
  }

  function layout(w) {
    const s = w.box.style;
    s.left = px(w.x);
    s.top = px(w.y);
    s.width = px(w.width);
    s.height = px(w.height);
    w.caption.style.height = px(FRAME.caption);
    w.menuBar.style.top = px(FRAME.caption);
    w.menuBar.style.height = px(FRAME.menu);
    const top = FRAME.border + FRAME.caption + (w.menuBar && w.hasMenu ? FRAME.menu : 0);
    const cw = Math.max(0, w.width - 2 * FRAME.border);
    const ch = Math.max(0, w.height - top - FRAME.border);
    w.canvas.style.left = '0px';
    w.canvas.style.top = px(top - FRAME.border);
    w.canvas.style.width = px(cw);
    w.canvas.style.height = px(ch);
    if (w.menuBar) w.menuBar.style.display = w.hasMenu ? 'flex' : 'none';
  }

  function createWindow(id, title, x, y, width, height, resizable, closable) {
    const box = document.createElement('div');
    box.className = 'velta-window';
    box.dataset.title = title;
    const caption = document.createElement('div');
    caption.className = 'velta-caption';
    const label = document.createElement('span');
    label.textContent = title;
    caption.appendChild(label);
    box.appendChild(caption);
    const w = { id, title, x, y, width, height, box, caption, canvas: null, menuBar: null,
                hasMenu: false, menu: [], z: 0, image: null };
    if (closable) {
      const close = document.createElement('button');
      close.className = 'velta-close';
      close.title = 'Close';
      close.textContent = '\u00d7';
      close.addEventListener('mousedown', (e) => e.stopPropagation());
      close.addEventListener('click', (e) => {
        e.preventDefault();
        post(INPUT.close, id);
      });
      caption.appendChild(close);
    }
    const menuBar = document.createElement('div');
    menuBar.className = 'velta-menubar';
    menuBar.style.display = 'none';
    box.appendChild(menuBar);
    w.menuBar = menuBar;
    const canvas = document.createElement('canvas');
    canvas.className = 'velta-client';
    canvas.width = 1;
    canvas.height = 1;
    canvas.tabIndex = -1;
    box.appendChild(canvas);
    w.canvas = canvas;
    w.context = canvas.getContext('2d');
    // The mouse in client coordinates: every button pressed and released (a drag that leaves
    // the canvas still reports where it goes until the button is released), motion, the wheel.
    const at = (e) => {
      const r = canvas.getBoundingClientRect();
      const sx = canvas.width / Math.max(1, r.width), sy = canvas.height / Math.max(1, r.height);
      return [Math.floor((e.clientX - r.left) * sx), Math.floor((e.clientY - r.top) * sy)];
    };
    const held = (e) => ((e.buttons & 1) ? HELD.left : 0) | ((e.buttons & 2) ? HELD.right : 0) |
      ((e.buttons & 4) ? HELD.middle : 0) | (e.shiftKey ? HELD.shift : 0) |
      (e.ctrlKey ? HELD.control : 0);
    const mouse = (message, e, delta) => {
      const [x, y] = at(e);
      post(INPUT.mouse, id, message, x, y, (held(e) & 0xFFFF) | ((delta & 0xFFFF) << 16));
    };
    let dragging = 0;
    canvas.addEventListener('mousedown', (e) => {
      if (page.dialog || e.button > 2) return;
      e.preventDefault();
      canvas.focus();
      dragging |= 1 << e.button;
      mouse(MOUSE.down[e.button], e, 0);
    });
    window.addEventListener('mouseup', (e) => {
      if (!(dragging & (1 << e.button))) return;
      dragging &= ~(1 << e.button);
      mouse(MOUSE.up[e.button], e, 0);
    });
    window.addEventListener('mousemove', (e) => {
      if (page.dialog || (!dragging && e.target !== canvas)) return;
      mouse(MOUSE.move, e, 0);
    });
    let wheel = 0;
    canvas.addEventListener('wheel', (e) => {
      e.preventDefault();
      if (page.dialog) return;
      // A notch is 120, positive away from the user; 100 pixels of scrolling make one.
      wheel += -e.deltaY * (e.deltaMode === 1 ? 40 : e.deltaMode === 2 ? 800 : 1);
      while (Math.abs(wheel) >= 100) {
        const notch = wheel > 0 ? 120 : -120;
        wheel -= Math.sign(wheel) * 100;
        mouse(MOUSE.wheel, e, notch);
      }
    }, { passive: false });
    canvas.addEventListener('contextmenu', (e) => e.preventDefault());
    box.addEventListener('mousedown', () => {
      if (!page.dialog) activate(id);
    });
    // Moving a window by its caption bar, and resizing it by its grip: the mouse is followed until
    // the button comes up, each step telling the program where the window is.
    const drag = (e, follow) => {
      if (e.button !== 0 || page.dialog) return false;
      const startX = e.clientX, startY = e.clientY;
      const move = (m) => {
        follow(Math.round((m.clientX - startX) / unit()),
               Math.round((m.clientY - startY) / unit()));
        layout(w);
        post(INPUT.moved, id, w.x, w.y, w.width, w.height);
      };
      const up = () => {
        window.removeEventListener('mousemove', move);
        window.removeEventListener('mouseup', up);
      };
      window.addEventListener('mousemove', move);
      window.addEventListener('mouseup', up);
      e.preventDefault();
      return true;
    };
    caption.addEventListener('mousedown', (e) => {
      const fromX = w.x, fromY = w.y;
      drag(e, (dx, dy) => {
        w.x = fromX + dx;
        w.y = Math.max(0, fromY + dy);
      });
    });
    if (resizable) {
      const grip = document.createElement('div');
      grip.className = 'velta-grip';
      grip.title = 'Resize';
      grip.addEventListener('mousedown', (e) => {
        const fromW = w.width, fromH = w.height;
        const started = drag(e, (dx, dy) => {
          w.width = Math.max(120, fromW + dx);
          w.height = Math.max(60, fromH + dy);
        });
        if (started) e.stopPropagation();
      });
      box.appendChild(grip);
    }
    box.style.display = 'none';
    page.windows.set(id, w);
    layout(w);
    desk().appendChild(box);
  }

  function destroyWindow(id) {
    const w = page.windows.get(id);
    if (!w) return;
    if (page.menu && page.menu.win === w) closeMenu();
    w.box.remove();
    page.windows.delete(id);
    if (page.active === id) {
      page.active = 0;
      for (const other of page.windows.values())
        if (other.box.style.display !== 'none') activate(other.id);
    }
  }

  function showWindow(id, visible) {
    const w = page.windows.get(id);
    if (!w) return;
    w.box.style.display = visible ? 'block' : 'none';
    if (visible) activate(id);
  }

  function present(id, pixels, width, height) {
    const w = page.windows.get(id);
    if (!w || width <= 0 || height <= 0) return;
    if (w.canvas.width !== width || w.canvas.height !== height) {
      w.canvas.width = width;
      w.canvas.height = height;
    }
    w.context.putImageData(new ImageData(pixels, width, height), 0, 0);
    // The first picture a window showed, and when, for those who look at the page (its tests).
    if (!w.first) {
      w.first = { data: new Uint8ClampedArray(pixels), width, height, at: performance.now() };
      w.box.dataset.firstFrameMs = String(Math.round(w.first.at));
    }
  }

  // ---- the menu bar ----

  // items: [{ text, id, popup: [{ text, id, separator, grayed, checked }] }]
  function setMenu(id, items) {
    const w = page.windows.get(id);
    if (!w) return;
    const openIndex = page.menu && page.menu.win === w ? page.menu.index : -1;
    w.menu = items;
    w.hasMenu = items.length > 0;
    w.menuBar.textContent = '';
    items.forEach((top, index) => {
      const title = document.createElement('button');
      title.className = 'velta-menutitle';
      title.appendChild(mnemonicLabel(top.text));
      title.addEventListener('mousedown', (e) => {
        e.preventDefault();
        e.stopPropagation();
        if (page.dialog) return;
        if (page.menu && page.menu.win === w && page.menu.index === index) closeMenu();
        else openMenu(w, index);
      });
      w.menuBar.appendChild(title);
    });
    layout(w);
    if (openIndex >= 0 && openIndex < items.length) openMenu(w, openIndex, page.menu.highlight);
  }

  // "&Run" shows R underlined; "Item\tCtrl+R" shows the key after the tab on the right.
  function mnemonicLabel(text) {
    const span = document.createElement('span');
    const tab = text.indexOf('\t');
    const main = tab >= 0 ? text.slice(0, tab) : text;
    const amp = main.indexOf('&');
    if (amp >= 0 && amp + 1 < main.length) {
      span.appendChild(document.createTextNode(main.slice(0, amp)));
      const u = document.createElement('u');
      u.textContent = main[amp + 1];
      span.appendChild(u);
      span.appendChild(document.createTextNode(main.slice(amp + 2)));
    } else {
      span.textContent = main.replace('&', '');
    }
    return span;
  }

  function mnemonicOf(text) {
    const main = text.split('\t')[0];
    const amp = main.indexOf('&');
    return amp >= 0 && amp + 1 < main.length ? main[amp + 1].toLowerCase() : '';
  }

  function closeMenu() {
    if (!page.menu) return;
    page.menu.list.remove();
    for (const b of page.menu.win.menuBar.children) b.classList.remove('velta-open');
    page.menu = null;
  }

  function openMenu(w, index, highlight) {
    closeMenu();
    const top = w.menu[index];
    if (!top || !top.popup) return;
    activate(w.id);
    const list = document.createElement('div');
    list.className = 'velta-menu';
    list.setAttribute('role', 'menu');
    const rows = [];
    top.popup.forEach((item, i) => {
      if (item.separator) {
        const hr = document.createElement('div');
        hr.className = 'velta-separator';
        list.appendChild(hr);
        return;
      }
      const row = document.createElement('div');
      row.className = 'velta-item' + (item.grayed ? ' velta-grayed' : '');
      row.setAttribute('role', 'menuitemcheckbox');
      row.setAttribute('aria-checked', item.checked ? 'true' : 'false');
      row.setAttribute('aria-disabled', item.grayed ? 'true' : 'false');
      const check = document.createElement('span');
      check.className = 'velta-check';
      check.textContent = item.checked ? '\u2713' : '';
      row.appendChild(check);
      const text = mnemonicLabel(item.text);
      text.className = 'velta-itemtext';
      row.appendChild(text);
      const tab = item.text.indexOf('\t');
      const key = document.createElement('span');
      key.className = 'velta-key';
      key.textContent = tab >= 0 ? item.text.slice(tab + 1) : '';
      row.appendChild(key);
      row.addEventListener('mousedown', (e) => {
        e.preventDefault();
        e.stopPropagation();
      });
      row.addEventListener('mouseup', (e) => {
        e.preventDefault();
        choose(w, item);
      });
      row.addEventListener('mouseenter', () => highlightRow(rows.findIndex((r) => r.row === row)));
      rows.push({ row, item, index: i });
      list.appendChild(row);
    });
    const title = w.menuBar.children[index];
    title.classList.add('velta-open');
    list.style.left = (FRAME.border + title.offsetLeft) + 'px';
    list.style.top = (FRAME.border + FRAME.caption + FRAME.menu) + 'px';
    w.box.appendChild(list);
    page.menu = { win: w, index, list, rows, highlight: -1 };
    if (highlight !== undefined && highlight >= 0) highlightRow(highlight);
  }

  function highlightRow(i) {
    if (!page.menu) return;
    page.menu.rows.forEach((r, k) => r.row.classList.toggle('velta-highlight', k === i));
    page.menu.highlight = i;
  }

  function choose(w, item) {
    if (item.grayed) return;
    closeMenu();
    post(INPUT.command, w.id, item.id);
  }

  // Arrow keys, Enter and Escape in an open menu; false when the key is not the menu's.
  function menuKey(e) {
    const m = page.menu;
    if (!m) return false;
    const rows = m.rows;
    const step = (from, dir) => {
      for (let k = 1; k <= rows.length; ++k) {
        const i = (from + dir * k + rows.length * 2) % rows.length;
        if (!rows[i].item.grayed) return i;
      }
      return from;
    };
    switch (e.key) {
      case 'ArrowDown': highlightRow(step(m.highlight < 0 ? -1 : m.highlight, 1)); return true;
      case 'ArrowUp': highlightRow(step(m.highlight < 0 ? 0 : m.highlight, -1)); return true;
      case 'ArrowLeft':
      case 'ArrowRight': {
        const n = m.win.menu.length;
        openMenu(m.win, (m.index + (e.key === 'ArrowRight' ? 1 : n - 1)) % n, 0);
        return true;
      }
      case 'Enter':
        if (m.highlight >= 0) choose(m.win, rows[m.highlight].item);
        return true;
      case 'Escape':
      case 'Alt':
      case 'F10':
        closeMenu();
        return true;
      default: {
        const letter = e.key.length === 1 ? e.key.toLowerCase() : '';
        const hit = rows.findIndex((r) => letter && mnemonicOf(r.item.text) === letter);
        if (hit >= 0) choose(m.win, rows[hit].item);
        return true;  // an open menu takes every key
      }
    }
  }

  // Alt+letter or F10 opens a menu of the active window.
  function openMenuByKey(e) {
    const w = page.windows.get(page.active);
    if (!w || !w.hasMenu) return false;
    if (e.key === 'F10' && !e.ctrlKey) {
      openMenu(w, 0, 0);
      return true;
    }
    if (e.altKey && !e.ctrlKey && e.key.length === 1) {
      const index = w.menu.findIndex((t) => mnemonicOf(t.text) === e.key.toLowerCase());
      if (index >= 0) {
        openMenu(w, index, 0);
        return true;
      }
    }
    return false;
  }

  // ---- the keyboard ----

  // The platform's virtual-key code for a DOM key event.
  function virtualKey(e) {
    const code = e.code || '';
    let m;
    if ((m = /^Key([A-Z])$/.exec(code))) return m[1].charCodeAt(0);
    if ((m = /^Digit([0-9])$/.exec(code))) return 48 + Number(m[1]);
    if ((m = /^Numpad([0-9])$/.exec(code))) return 96 + Number(m[1]);
    if ((m = /^F([0-9]+)$/.exec(code))) return 111 + Number(m[1]);
    const table = {
      Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 13, ShiftLeft: 16, ShiftRight: 16,
      ControlLeft: 17, ControlRight: 17, AltLeft: 18, AltRight: 18, Pause: 19, CapsLock: 20,
      Escape: 27, Space: 32, PageUp: 33, PageDown: 34, End: 35, Home: 36, ArrowLeft: 37,
      ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Insert: 45, Delete: 46, NumpadMultiply: 106,
      NumpadAdd: 107, NumpadComma: 108, NumpadSubtract: 109, NumpadDecimal: 110,
      NumpadDivide: 111, NumLock: 144, ScrollLock: 145, Semicolon: 186, Equal: 187, Comma: 188,
      Minus: 189, Period: 190, Slash: 191, Backquote: 192, BracketLeft: 219, Backslash: 220,
      BracketRight: 221, Quote: 222, IntlBackslash: 226,
    };
    if (code in table) return table[code];
    if (e.key === 'Control') return 17;
    if (e.key === 'Shift') return 16;
    return 0;
  }

  // The character the key types without Ctrl (Latin-1), or -1: the backend's key rule decides.
  function typedCharacter(e) {
    if (e.key.length === 1) {
      const c = e.key.charCodeAt(0);
      return c <= 255 ? c : -1;
    }
    return { Enter: 13, Backspace: 8, Tab: 9, Escape: 27 }[e.key] ?? -1;
  }

  function onKey(e, down) {
    if (page.ended) return;
    if (page.dialog) {
      dialogKey(e, down);
      return;
    }
    // A key that the menu took is the menu's until it is released.
    if (!down && page.menuKeys.delete(e.code)) {
      e.preventDefault();
      return;
    }
    if (down && (menuKey(e) || openMenuByKey(e))) {
      page.menuKeys.add(e.code);
      e.preventDefault();
      return;
    }
    if (e.target && e.target.closest && e.target.closest('#velta-tools')) return;
    const vk = virtualKey(e);
    if (vk === 0 || vk === 18) return;
    // The program's keys, not the browser's: Ctrl+R records instead of reloading, Ctrl+P plays
    // instead of printing, Tab and Backspace type, the arrows do not scroll.
    e.preventDefault();
    const target = page.active || (page.windows.size ? page.windows.keys().next().value : 0);
    if (down) post(INPUT.keyDown, target, vk, typedCharacter(e), e.ctrlKey ? 1 : 0);
    else post(INPUT.keyUp, target, vk);
  }

  // ---- the dialog ----

  // form: { title, x, y, width, height, items: [{ id, kind, x, y, width, height, text, multiline,
  // isDefault, tabStop }] }, positions in pixels from the owner's client area.
  function openDialog(form, ownerId) {
    closeMenu();
    const owner = page.windows.get(ownerId);
    const veil = document.createElement('div');
    veil.className = 'velta-veil';
    const box = document.createElement('div');
    box.className = 'velta-window velta-dialog';
    box.setAttribute('role', 'dialog');
    box.dataset.title = form.title;
    const ox = owner ? owner.x + FRAME.border : 0;
    const oy = owner ? owner.y + FRAME.border + FRAME.caption + (owner.hasMenu ? FRAME.menu : 0) : 0;
    box.style.left = px(ox + form.x);
    box.style.top = px(oy + form.y);
    box.style.width = px(form.width + 2 * FRAME.border);
    box.style.height = px(form.height + 2 * FRAME.border + FRAME.caption);
    const caption = document.createElement('div');
    caption.className = 'velta-caption';
    const label = document.createElement('span');
    label.textContent = form.title;
    caption.appendChild(label);
    const close = document.createElement('button');
    close.className = 'velta-close';
    close.title = 'Close';
    close.textContent = '\u00d7';
    close.addEventListener('click', (e) => {
      e.preventDefault();
      post(INPUT.dialogClose, 0);
    });
    caption.appendChild(close);
    box.appendChild(caption);
    const body = document.createElement('div');
    body.className = 'velta-dialogbody';
    box.appendChild(body);
    const controls = new Map();
    for (const item of form.items) {
      let el;
      if (item.kind === 'edit') {
        el = document.createElement(item.multiline ? 'textarea' : 'input');
        el.value = item.text;
        el.spellcheck = false;
      } else if (item.kind === 'button') {
        el = document.createElement('button');
        el.textContent = item.text.replace('&', '');
        if (item.isDefault) el.classList.add('velta-default');
        el.addEventListener('click', (e) => {
          e.preventDefault();
          post(INPUT.dialogButton, 0, item.id);
        });
      } else {
        el = document.createElement('div');
        el.className = 'velta-static';
        el.textContent = item.text;
      }
      el.style.left = px(item.x);
      el.style.top = px(item.y);
      el.style.width = px(item.width);
      el.style.height = px(item.height);
      if (!item.tabStop) el.tabIndex = -1;
      el.dataset.item = String(item.id);
      controls.set(item.id, el);
      body.appendChild(el);
    }
    veil.appendChild(box);
    document.body.appendChild(veil);
    page.dialog = { veil, box, controls };
  }

  function dialogKey(e, down) {
    if (!down) return;
    // Enter presses the default button (in the multi-line box too) and Escape asks to cancel:
    // the program decides what each means.
    if (e.key === 'Enter') {
      e.preventDefault();
      post(INPUT.dialogEnter, 0);
    } else if (e.key === 'Escape') {
      e.preventDefault();
      post(INPUT.dialogEscape, 0);
    } else if (e.ctrlKey && /^[a-z]$/i.test(e.key) && !/^[acvxz]$/i.test(e.key)) {
      e.preventDefault();  // no reload, print or find while the dialog is open
    }
  }

  function closeDialog() {
    if (!page.dialog) return;
    page.dialog.veil.remove();
    page.dialog = null;
  }

  // ---- text: the browser's fonts, drawn without anti-aliasing ----

  function font(css) {
    page.fonts.push(css);
    return page.fonts.length - 1;
  }

  function measureContext() {
    if (!page.measure) {
      const c = document.createElement('canvas');
      c.width = 1024;
      c.height = 256;
      page.measure = c.getContext('2d', { willReadFrequently: true });
    }
    return page.measure;
  }

  function fontMetrics(id) {
    const ctx = measureContext();
    ctx.font = page.fonts[id];
    const m = ctx.measureText('Mg\u00c9y');
    const ascent = Math.ceil(m.fontBoundingBoxAscent ?? m.actualBoundingBoxAscent);
    const descent = Math.ceil(m.fontBoundingBoxDescent ?? m.actualBoundingBoxDescent);
    const average = Math.round(ctx.measureText('x').width);
    return [ascent, descent, average];
  }

  function advance(id, text) {
    const ctx = measureContext();
    ctx.font = page.fonts[id];
    return Math.round(ctx.measureText(text).width);
  }

  // The text's ink in a width x height cell, one byte a pixel (1 where the glyphs cover at least
  // half of the pixel), with the baseline `ascent` pixels below the top.
  function ink(id, text, width, height, ascent) {
    const ctx = measureContext();
    if (ctx.canvas.width < width || ctx.canvas.height < height) {
      ctx.canvas.width = Math.max(ctx.canvas.width, width);
      ctx.canvas.height = Math.max(ctx.canvas.height, height);
    }
    ctx.clearRect(0, 0, width, height);
    ctx.font = page.fonts[id];
    ctx.textBaseline = 'alphabetic';
    ctx.fillStyle = '#000';
    ctx.fillText(text, 0, ascent);
    const data = ctx.getImageData(0, 0, width, height).data;
    const out = new Uint8Array(width * height);
    for (let i = 0; i < out.length; ++i) out[i] = data[i * 4 + 3] >= 128 ? 1 : 0;
    return out;
  }

  // ---- the script file, kept in the browser ----

  function mountScripts() {
    FS.mkdir(SCRIPT_DIR);
    FS.mount(IDBFS, {}, SCRIPT_DIR);
    FS.chdir(SCRIPT_DIR);
    addRunDependency('velta-scripts');
    FS.syncfs(true, () => removeRunDependency('velta-scripts'));
  }

  // Writes what changed in the page's file system to IndexedDB; one sync at a time.
  function save() {
    if (page.syncing) {
      page.syncAgain = true;
      return;
    }
    page.syncing = true;
    FS.syncfs(false, () => {
      page.syncing = false;
      if (page.syncAgain) {
        page.syncAgain = false;
        save();
      }
    });
  }

  function downloadScript() {
    let data;
    try {
      data = FS.readFile(SCRIPT);
    } catch (e) {
      setStatus('There is no VELTA.SCR yet: record one with Record Script (Ctrl+R).');
      return;
    }
    const url = URL.createObjectURL(new Blob([data], { type: 'text/plain' }));
    const a = document.createElement('a');
    a.href = url;
    a.download = 'VELTA.SCR';
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 1000);
  }

  function loadScript(file) {
    file.arrayBuffer().then((buffer) => {
      FS.writeFile(SCRIPT, new Uint8Array(buffer));
      save();
      setStatus('VELTA.SCR is now ' + file.name + ' (' + buffer.byteLength + ' bytes).');
    });
  }

  function setStatus(text) {
    const s = document.getElementById('velta-status');
    if (s) s.textContent = text;
  }

  // ---- the program's end ----

  function ended(status) {
    if (page.ended) return;
    page.ended = true;
    closeDialog();
    closeMenu();
    save();
    const panel = document.getElementById('velta-ended');
    document.getElementById('velta-ended-text').textContent =
        'The program has ended with status ' + status + '.';
    panel.hidden = false;
    document.body.dataset.exitStatus = String(status);
    for (const w of page.windows.values()) w.box.classList.add('velta-over');
  }

  // ---- start ----

  function start() {
    window.addEventListener('keydown', (e) => onKey(e, true), true);
    window.addEventListener('keyup', (e) => onKey(e, false), true);
    window.addEventListener('mousedown', (e) => {
      if (page.menu && !page.menu.win.box.contains(e.target)) closeMenu();
    });
    window.addEventListener('pagehide', save);
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState === 'hidden') save();
    });
    document.getElementById('velta-download').addEventListener('click', downloadScript);
    const picker = document.getElementById('velta-load-file');
    document.getElementById('velta-load').addEventListener('click', () => picker.click());
    picker.addEventListener('change', () => {
      if (picker.files && picker.files[0]) loadScript(picker.files[0]);
      picker.value = '';
    });
    document.getElementById('velta-again').addEventListener('click', () => location.reload());
    // exit() called while the program runs after a sleep ends the runtime by throwing through the
    // browser's own callback; that is the program's end, not an error.
    const exited = (e, reason) => {
      if (reason instanceof ExitStatus) {
        e.preventDefault();
        ended(reason.status);
      }
    };
    window.addEventListener('unhandledrejection', (e) => exited(e, e.reason));
    window.addEventListener('error', (e) => exited(e, e.error));
  }

  Module.velta = {
    INPUT, FRAME, scale, createWindow, destroyWindow, showWindow, present, setMenu, openDialog,
    closeDialog, font, fontMetrics, advance, ink, save, ended, deskSize,
    setTitle(id, title) {
      const w = page.windows.get(id);
      if (w) w.caption.firstChild.textContent = title;
    },
    dialogText(id) {
      const el = page.dialog && page.dialog.controls.get(id);
      return el && 'value' in el ? el.value : '';
    },
    firstImage(title) {
      for (const w of page.windows.values()) if (w.title === title) return w.first || null;
      return null;
    },
    dialogFocus(id) {
      const el = page.dialog && page.dialog.controls.get(id);
      if (el) el.focus();
    },
    nextInput() {
      return page.queue.length ? page.queue.shift() : null;
    },
    // Resolves after `ms` milliseconds, or at once when input arrives; 0 gives the browser one
    // turn of its event loop.
    sleep(ms) {
      if (page.queue.length) return Promise.resolve();
      return new Promise((resolve) => {
        let done = false;
        const finish = () => {
          if (done) return;
          done = true;
          page.wakeUp = null;
          resolve();
        };
        page.wakeUp = finish;
        if (ms <= 0) {
          const channel = new MessageChannel();
          channel.port1.onmessage = finish;
          channel.port2.postMessage(0);
        } else {
          setTimeout(finish, ms);
        }
      });
    },
  };

  // The page's query string is the program's command line: page.html?one%20two gives "one two".
  if (!Module.arguments && location.search.length > 1)
    Module.arguments = decodeURIComponent(location.search.slice(1)).split(' ').filter(Boolean);
  Module.preRun = Module.preRun || [];
  Module.preRun.push(mountScripts);
  Module.onExit = ended;

  // The program's main routine is started here rather than by the runtime, as a call that may
  // suspend (Asyncify): its end, by returning or by exit(), then ends the runtime and reaches the
  // page as the program's exit status.
  Module.noInitialRun = true;
  Module.onRuntimeInitialized = () => {
    const args = [thisProgram].concat(arguments_);
    const argv = _malloc((args.length + 1) * 4);
    args.forEach((arg, i) => {
      const size = lengthBytesUTF8(arg) + 1;
      const text = _malloc(size);
      stringToUTF8(arg, text, size);
      HEAP32[(argv >> 2) + i] = text;
    });
    HEAP32[(argv >> 2) + args.length] = 0;
    const finished = (status) => {
      try {
        exit(status);
      } catch (e) {
        if (!(e instanceof ExitStatus)) throw e;
      }
    };
    const stopped = (e) => {
      if (e instanceof ExitStatus) {
        ended(e.status);  // exit() was called while main ran
        return;
      }
      setStatus('The program stopped: ' + e);
      ended('aborted');
      throw e;
    };
    let result;
    try {
      result = ccall('main', 'number', ['number', 'number'], [args.length, argv], { async: true });
    } catch (e) {
      stopped(e);
      return;
    }
    Promise.resolve(result).then(finished, stopped);
  };
  const previousAbort = Module.onAbort;
  Module.onAbort = (what) => {
    if (previousAbort) previousAbort(what);
    setStatus('The program stopped: ' + what);
    ended('aborted');
  };
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
})();
