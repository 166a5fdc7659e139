// The browser view of autoplacer: draws the board from the session's
// descriptions, sends what the person does as messages, and shows the plug-in's
// dialogs, questions and progress. Plain script, no libraries; everything comes
// from the autoplacer process that served this page.
'use strict';

const NS = 'http://www.w3.org/2000/svg';
const token = new URLSearchParams(location.search).get('token') || '';
const svg = document.getElementById('board');
const $ = (id) => document.getElementById(id);

let page = '';           // our id, given by the event stream
let seq = 0;             // messages sent
let state = 'top';
let scene = null;        // colours, components by id
const comps = new Map(); // id -> {data, g}
let view = [0, 0, 100, 100];
let layers = {};
let shift = false, control = false;
let moveInFlight = 0, pendingMove = null, movesDrawn = 0, frameAsked = false;
// For tests and measurements: what was sent, and when each drag step was drawn.
window.autoplacer = { sent: [], redraws: [], state: () => state, ready: false, lastSeq: 0 };

function el(name, attrs, parent) {
  const e = document.createElementNS(NS, name);
  for (const k in attrs) e.setAttribute(k, attrs[k]);
  if (parent) parent.appendChild(e);
  return e;
}

function send(message) {
  message.page = page;
  message.seq = ++seq;
  window.autoplacer.sent.push(message);
  fetch('/message?token=' + encodeURIComponent(token), {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(message),
  }).then(async (r) => { if (!r.ok) note((await r.text()).trim(), 'problem'); })
    .catch(() => note('the autoplacer process does not answer', 'problem'));
  return message.seq;
}

function note(text, kind) {
  const d = document.createElement('div');
  d.textContent = text;
  d.className = kind || '';
  $('messages').appendChild(d);
  setTimeout(() => d.remove(), kind === 'problem' || kind === 'error' ? 9000 : 5000);
}

// ---- drawing -------------------------------------------------------------

function setView() { svg.setAttribute('viewBox', view.join(' ')); }

function fitView(box) {
  const r = svg.getBoundingClientRect();
  const m = 3, w = box[2] + 2 * m, h = box[3] + 2 * m;
  const scale = Math.max(w / Math.max(r.width, 1), h / Math.max(r.height, 1));
  const vw = r.width * scale, vh = r.height * scale;
  view = [box[0] - m - (vw - w) / 2, box[1] - m - (vh - h) / 2, vw, vh];
  setView();
}

function colourOf(layer) {
  return layer === 'm' ? scene.colours.through : layer === 'b' ? scene.colours.bottom : scene.colours.top;
}

function drawComponent(c) {
  let entry = comps.get(c.id);
  if (!entry) {
    entry = { g: el('g', {}) };
    comps.set(c.id, entry);
  }
  entry.data = c;
  const g = entry.g;
  const parent = c.side === 'bottom' ? layers.bottom : layers.top;
  if (g.parentNode !== parent) parent.appendChild(g);
  g.replaceChildren();
  g.setAttribute('class', 'comp' + (c.selected ? ' selected' : '') + (c.conflict ? ' conflict' : '') +
    (c.drag ? ' drag' : '') + (entry.under ? ' under' : '') + (c.locked ? ' locked' : '') +
    (c.artwork ? ' artwork' : ''));
  g.dataset.id = c.id;
  const shown = !c.hidden || c.drag;
  g.style.display = shown ? '' : 'none';
  if (!shown) return;
  const colour = c.side === 'bottom' ? scene.colours.bottom : scene.colours.top;
  const [x, y, w, h] = c.box;
  const r = el('rect', { x, y, width: w, height: h, fill: colour, stroke: colour, class: 'extent' }, g);
  if (!c.courtyard) r.setAttribute('stroke-dasharray', '0.3 0.2');
  for (const p of c.pads) {
    const fill = colourOf(p.l);
    if (p.s === 'c') {
      el('circle', { cx: p.c[0], cy: p.c[1], r: p.r, fill }, g);
    } else if (p.s === 'p') {
      el('polygon', { fill, points: p.pts.map((q) => (p.c[0] + q[0]) + ',' + (p.c[1] + q[1])).join(' ') }, g);
    } else {
      const a = { x: p.c[0] - p.w / 2, y: p.c[1] - p.h / 2, width: p.w, height: p.h, fill };
      if (p.rx) a.rx = p.rx;
      if (p.rot) a.transform = 'rotate(' + (-p.rot) + ' ' + p.c[0] + ' ' + p.c[1] + ')';
      el('rect', a, g);
    }
  }
  if (c.ref) {
    const size = Math.min(2, Math.max(0.25, Math.min(h * 0.5, 1.6 * w / Math.max(c.ref.length, 1))));
    const t = el('text', { x: x + w / 2, y: y + h / 2, 'font-size': size, class: 'ref' }, g);
    t.textContent = c.ref;
  }
}

function drawNet(id, lines) {
  let g = layers.nets.get(id);
  if (!g) {
    g = el('g', {}, layers.connections);
    layers.nets.set(id, g);
  }
  g.replaceChildren();
  for (const s of lines) el('line', { x1: s[0], y1: s[1], x2: s[2], y2: s[3] }, g);
}

function drawFull(s) {
  scene = s;
  comps.clear();
  svg.replaceChildren();
  el('rect', { x: -10000, y: -10000, width: 20000, height: 20000, fill: '#ffffff' }, svg);
  const outline = el('g', { stroke: s.colours.outline, 'stroke-width': 0.15, 'stroke-linecap': 'round' }, svg);
  for (const l of s.outline) el('line', { x1: l[0], y1: l[1], x2: l[2], y2: l[3] }, outline);
  const rooms = el('g', { fill: s.colours.room, 'fill-opacity': 0.06, stroke: s.colours.room, 'stroke-width': 0.12,
    'stroke-dasharray': '0.6 0.4' }, svg);
  for (const r of s.rooms) {
    el('rect', { x: r.box[0], y: r.box[1], width: r.box[2], height: r.box[3] }, rooms);
    const t = el('text', { x: r.box[0] + 0.3, y: r.box[1] + 1.2, 'font-size': 1, stroke: 'none', 'fill-opacity': 1 }, rooms);
    t.textContent = r.name;
  }
  layers = { bottom: el('g', { id: 'bottom' }, svg), top: el('g', { id: 'top' }, svg), nets: new Map() };
  layers.connections = el('g', { stroke: s.colours.connection, 'stroke-width': 0.05, 'stroke-opacity': 0.8 }, svg);
  layers.feedback = el('g', { id: 'feedback' }, svg);
  layers.band = el('rect', { id: 'band', class: 'hidden' }, svg);
  for (const c of s.components) drawComponent(c);
  for (const id in s.nets) drawNet(id, s.nets[id]);
  if (!window.autoplacer.ready) fitView(s.view);
  window.autoplacer.ready = true;
}

function drawChanges(ch) {
  for (const c of ch.components || []) drawComponent(c);
  for (const id of ch.removed || []) {
    const e = comps.get(id);
    if (e) { e.g.remove(); comps.delete(id); }
  }
  for (const id in ch.nets || {}) drawNet(id, ch.nets[id]);
  if (ch.feedback) {
    layers.feedback.replaceChildren();
    for (const l of ch.feedback) el('line', { x1: l[0], y1: l[1], x2: l[2], y2: l[3] }, layers.feedback);
  }
}

// ---- the session's state -------------------------------------------------

function applyState(s) {
  state = s.state;
  if (s.full) drawFull(s.scene); else if (scene) drawChanges(s.scene);
  window.autoplacer.lastSeq = s.seq;
  $('state').textContent = { top: 'Ready', location: 'Click a component', edit: 'Editing: move the mouse',
    busy: 'Working…' }[state] || state;
  $('prompt').textContent = s.prompt && state === 'location' ? '— ' + s.prompt + ' (Esc ends the editing mode)' : '';
  $('dirty').textContent = s.dirty ? '● unsaved changes' : '';
  const top = state === 'top';
  for (const id of ['place', 'edit', 'align', 'save', 'saveboard', 'quit', 'mode', 'path']) $(id).disabled = !top;
  $('undo').disabled = !top || !s.canUndo;
  $('redo').disabled = !top || !s.canRedo;
  $('editbar').classList.toggle('hidden', state !== 'edit');
  svg.classList.toggle('editing', state === 'edit');
  if (moveInFlight && s.seq >= moveInFlight) {
    // The next cursor position goes at once; the drawn ones are counted when the browser paints.
    moveInFlight = 0;
    movesDrawn += 1;
    if (!frameAsked) {
      frameAsked = true;
      requestAnimationFrame(() => {
        window.autoplacer.redraws.push({ t: performance.now(), moves: movesDrawn });
        movesDrawn = 0;
        frameAsked = false;
      });
    }
    if (pendingMove) { const m = pendingMove; pendingMove = null; sendMove(m); }
  }
}

// ---- dialogs -------------------------------------------------------------

function controlName(c) { return c.name || c.caption; }
function act(text) { send({ type: 'dialog', action: text }); }

function showDialog(form) {
  const box = $('dialog');
  box.replaceChildren();
  const h = document.createElement('h2');
  h.textContent = form.caption;
  box.appendChild(h);
  const holders = new Map();
  holders.set(-1, box);
  const buttons = document.createElement('div');
  buttons.className = 'buttons';
  for (const c of form.controls) {
    if (!c.visible) continue;
    const parent = holders.get(c.parent) || box;
    const name = controlName(c);
    let node;
    const label = (text, input) => {
      const l = document.createElement('label');
      l.appendChild(input);
      l.appendChild(document.createTextNode(' ' + text));
      return l;
    };
    switch (c.kind) {
      case 'group': case 'panel': case 'tab': {
        node = document.createElement('fieldset');
        if (c.caption) { const lg = document.createElement('legend'); lg.textContent = c.caption; node.appendChild(lg); }
        holders.set(c.index, node);
        break;
      }
      case 'pages': {
        node = document.createElement('div');
        c.items.forEach((item, i) => {
          const b = document.createElement('button');
          b.textContent = item;
          b.disabled = i === c.itemIndex;
          b.onclick = () => act('set ' + name + ' ' + i);
          node.appendChild(b);
        });
        const inner = document.createElement('div');
        node.appendChild(inner);
        holders.set(c.index, inner);
        break;
      }
      case 'button': {
        node = document.createElement('button');
        node.textContent = c.caption;
        node.dataset.control = name;
        node.onclick = () => act('click ' + name);
        if (c.parent === -1) { buttons.appendChild(node); node = null; }
        break;
      }
      case 'checkbox': case 'radio': {
        const input = document.createElement('input');
        input.type = c.kind === 'checkbox' ? 'checkbox' : 'radio';
        input.checked = c.checked;
        input.dataset.control = name;
        input.onchange = () => act(c.kind === 'checkbox' ? 'set ' + name + ' ' + (input.checked ? 1 : 0) : 'click ' + name);
        node = label(c.caption, input);
        break;
      }
      case 'radiogroup': {
        node = document.createElement('fieldset');
        const lg = document.createElement('legend');
        lg.textContent = c.caption;
        node.appendChild(lg);
        c.items.forEach((item, i) => {
          const input = document.createElement('input');
          input.type = 'radio';
          input.name = 'rg' + c.index;
          input.checked = i === c.itemIndex;
          input.dataset.control = name;
          input.dataset.item = i;
          input.onchange = () => act('set ' + name + ' ' + i);
          node.appendChild(label(item, input));
          node.appendChild(document.createElement('br'));
        });
        break;
      }
      case 'listbox': {
        node = document.createElement('select');
        node.size = Math.min(8, Math.max(2, c.items.length));
        c.items.forEach((item, i) => {
          const o = document.createElement('option');
          o.textContent = item; o.value = i; o.selected = i === c.itemIndex;
          node.appendChild(o);
        });
        node.dataset.control = name;
        node.onchange = () => act('set ' + name + ' ' + node.value);
        node.ondblclick = () => act('double ' + name + ' ' + node.value);
        break;
      }
      case 'edit': {
        const input = document.createElement('input');
        input.value = c.text;
        input.dataset.control = name;
        input.onchange = () => act('set ' + name + ' ' + input.value);
        node = document.createElement('label');
        node.textContent = (c.caption || name) + ' ';
        node.appendChild(input);
        break;
      }
      case 'trackbar': {
        const input = document.createElement('input');
        input.type = 'range'; input.min = c.min; input.max = c.max; input.value = c.position;
        input.dataset.control = name;
        input.onchange = () => act('set ' + name + ' ' + input.value);
        node = label(c.caption || name, input);
        break;
      }
      default: {
        node = document.createElement('div');
        node.textContent = c.caption;
      }
    }
    if (!node) continue;
    if (!c.enabled) node.querySelectorAll && node.querySelectorAll('input,select,button').forEach((x) => { x.disabled = true; });
    if (!c.enabled && node.disabled !== undefined) node.disabled = true;
    const wrap = document.createElement('div');
    wrap.className = 'control';
    wrap.appendChild(node);
    parent.appendChild(wrap);
  }
  box.appendChild(buttons);
  $('overlay').classList.remove('hidden');
}

function showChoice(title, text, choices) {
  const box = $('dialog');
  box.replaceChildren();
  const h = document.createElement('h2');
  h.textContent = title;
  const p = document.createElement('p');
  p.textContent = text;
  const buttons = document.createElement('div');
  buttons.className = 'buttons';
  for (const [caption, action] of choices) {
    const b = document.createElement('button');
    b.textContent = caption;
    b.dataset.answer = caption;
    b.onclick = () => { $('overlay').classList.add('hidden'); action(); };
    buttons.appendChild(b);
  }
  box.append(h, p, buttons);
  $('overlay').classList.remove('hidden');
}

// ---- events from the session ---------------------------------------------

const handlers = {
  hello: (d) => { page = d.page; $('state').textContent = 'connected'; },
  state: applyState,
  dialog: showDialog,
  'dialog-closed': () => $('overlay').classList.add('hidden'),
  question: (d) => showChoice(d.caption, d.text, [['Yes', () => send({ type: 'answer', yes: true })],
    ['No', () => send({ type: 'answer', yes: false })]]),
  message: (d) => note((d.caption ? d.caption + ': ' : '') + d.text, d.kind),
  problem: (d) => note(d.text, 'problem'),
  progress: (d) => {
    $('progress').classList.toggle('hidden', !!d.finished);
    if (d.finished) return;
    $('progresstext').textContent = d.text + ' ' + d.done + '/' + d.total;
    $('progressbar').max = Math.max(d.total, 1);
    $('progressbar').value = d.done;
  },
  confirm: (d) => {
    if (d.kind === 'overwrite') {
      showChoice('Overwrite?', d.path + ' exists. Overwrite it?', [
        ['Overwrite', () => send(d.board ? { type: 'save', board: true, overwrite: true } :
          { type: 'save', path: d.path, overwrite: true })], ['Cancel', () => {}]]);
    } else if (d.kind === 'quit') {
      showChoice('Unsaved changes', 'The board has unsaved changes.', [
        ['Save', () => send({ type: 'save' })], ['Quit without saving', () => send({ type: 'quit', discard: true })],
        ['Cancel', () => {}]]);
    }
  },
  saved: (d) => note('wrote ' + d.path + ' (' + d.moved + ' footprints moved)'),
  bye: () => { $('state').textContent = 'The session has ended; this page can be closed.'; state = 'ended'; },
};

async function connect(attempt) {
  let response;
  try {
    response = await fetch('/events?token=' + encodeURIComponent(token), { cache: 'no-store' });
  } catch (e) {
    $('state').textContent = 'cannot reach the autoplacer process';
    return;
  }
  if (response.status === 409 && attempt < 4) {
    setTimeout(() => connect(attempt + 1), 700);  // a reloaded page: the old stream is closing
    return;
  }
  if (!response.ok) {
    $('state').textContent = (await response.text()).trim();
    document.body.classList.add('refused');
    window.autoplacer.refused = true;
    return;
  }
  const reader = response.body.getReader();
  const decoder = new TextDecoder();
  let buffer = '';
  for (;;) {
    const { value, done } = await reader.read();
    if (done) break;
    buffer += decoder.decode(value, { stream: true });
    let end;
    while ((end = buffer.indexOf('\n\n')) >= 0) {
      const block = buffer.slice(0, end);
      buffer = buffer.slice(end + 2);
      let event = 'message', data = '';
      for (const line of block.split('\n')) {
        if (line.startsWith('event: ')) event = line.slice(7);
        else if (line.startsWith('data: ')) data += line.slice(6);
      }
      if (handlers[event] && data) handlers[event](JSON.parse(data));
    }
  }
  if (state !== 'ended') $('state').textContent = 'The autoplacer process has gone.';
}

// ---- the board under the mouse -------------------------------------------

function boardPoint(e) {
  const r = svg.getBoundingClientRect();
  return [view[0] + (e.clientX - r.left) / r.width * view[2], view[1] + (e.clientY - r.top) / r.height * view[3]];
}

// The smallest visible footprint whose extent holds the point, as the host picks.
function componentAt(p) {
  let best = null, area = Infinity;
  for (const [id, e] of comps) {
    const c = e.data;
    if (c.hidden) continue;
    const [x, y, w, h] = c.box;
    if (p[0] >= x && p[0] <= x + w && p[1] >= y && p[1] <= y + h && w * h < area) { best = id; area = w * h; }
  }
  return best;
}

let underId = null;
function showUnder(id) {
  if (id === underId) return;
  const old = comps.get(underId);
  if (old) { old.under = false; old.g.classList.remove('under'); }
  underId = id;
  const now = comps.get(id);
  if (now) { now.under = true; now.g.classList.add('under'); }
  $('under').textContent = now ? now.data.ref + (now.data.locked ? ' (locked)' : '') +
    (now.data.artwork ? ' (artwork, not placed)' : '') : '';
}

function sendMove(m) {
  moveInFlight = send(m);
}

let press = null;  // {button, start point, client point, view}
svg.addEventListener('mousedown', (e) => {
  e.preventDefault();
  press = { button: e.button, p: boardPoint(e), x: e.clientX, y: e.clientY, view: view.slice(), moved: false };
});
window.addEventListener('mousemove', (e) => {
  const p = boardPoint(e);
  $('cursor').textContent = '(' + p[0].toFixed(3) + ', ' + p[1].toFixed(3) + ') mm';
  if (press && (press.button === 1 || press.button === 2)) {
    const r = svg.getBoundingClientRect();
    view[0] = press.view[0] - (e.clientX - press.x) / r.width * view[2];
    view[1] = press.view[1] - (e.clientY - press.y) / r.height * view[3];
    setView();
    return;
  }
  if (state === 'edit') {
    const m = { type: 'move', x: p[0], y: p[1], shift: e.shiftKey, control: e.ctrlKey };
    if (moveInFlight) pendingMove = m; else sendMove(m);
    return;
  }
  showUnder(componentAt(p));
  if (press && press.button === 0 && state === 'top') {
    if (Math.abs(e.clientX - press.x) + Math.abs(e.clientY - press.y) > 4) press.moved = true;
    if (press.moved) {
      const b = layers.band;
      b.setAttribute('class', '');
      b.setAttribute('x', Math.min(p[0], press.p[0]));
      b.setAttribute('y', Math.min(p[1], press.p[1]));
      b.setAttribute('width', Math.abs(p[0] - press.p[0]));
      b.setAttribute('height', Math.abs(p[1] - press.p[1]));
    }
  }
});
window.addEventListener('mouseup', (e) => {
  if (!press) return;
  const p = boardPoint(e), start = press;
  press = null;
  if (start.button !== 0 || e.target.closest && !e.target.closest('#board') && !start.moved) return;
  if (state === 'edit') { send({ type: 'event', event: 11, shift: e.shiftKey, control: e.ctrlKey }); return; }
  if (state === 'location') {
    const id = componentAt(p);
    const m = { type: 'pick', x: p[0], y: p[1], shift: e.shiftKey, control: e.ctrlKey };
    if (id) m.id = id;
    send(m);
    return;
  }
  if (state !== 'top') return;
  if (start.moved) {
    layers.band.setAttribute('class', 'hidden');
    const x1 = Math.min(p[0], start.p[0]), x2 = Math.max(p[0], start.p[0]);
    const y1 = Math.min(p[1], start.p[1]), y2 = Math.max(p[1], start.p[1]);
    const ids = [];
    for (const [id, en] of comps) {
      const [x, y, w, h] = en.data.box;
      if (!en.data.hidden && x >= x1 && y >= y1 && x + w <= x2 && y + h <= y2) ids.push(id);
    }
    send({ type: 'select', ids, add: e.shiftKey });
    return;
  }
  const id = componentAt(p);
  if (e.shiftKey && id && comps.get(id).data.selected) send({ type: 'deselect', ids: [id] });
  else send({ type: 'select', ids: id ? [id] : [], add: e.shiftKey });
});
svg.addEventListener('contextmenu', (e) => e.preventDefault());
svg.addEventListener('wheel', (e) => {
  e.preventDefault();
  const p = boardPoint(e), f = Math.exp(e.deltaY * 0.0015);
  view = [p[0] - (p[0] - view[0]) * f, p[1] - (p[1] - view[1]) * f, view[2] * f, view[3] * f];
  setView();
}, { passive: false });

// ---- keys ----------------------------------------------------------------

const featureKeys = { q: 'RemouldSquare', w: 'RemouldWide', t: 'RemouldTall' };
function feature(name) { send({ type: 'run', command: 'ExecuteInteractivePlacementFeature', params: { Feature: name } }); }

window.addEventListener('keydown', (e) => {
  if (e.target.tagName === 'INPUT' || e.target.tagName === 'SELECT') return;
  if ((e.key === 'Shift' || e.key === 'Control') && state === 'edit') {
    if (e.shiftKey !== shift || e.ctrlKey !== control) {
      shift = e.shiftKey; control = e.ctrlKey;
      send({ type: 'modifiers', shift, control });
    }
    return;
  }
  if (state === 'location' && e.key === 'Escape') { send({ type: 'escape' }); return; }
  if (state === 'top' && e.ctrlKey && (e.key === 'z' || e.key === 'y')) {
    e.preventDefault();
    send({ type: e.key === 'z' ? 'undo' : 'redo' });
    return;
  }
  if (state !== 'edit') return;
  const k = e.key.toLowerCase(), mods = { shift: e.shiftKey, control: e.ctrlKey };
  if (e.key === 'Enter') send({ type: 'event', event: 11, ...mods });
  else if (e.key === 'Escape') send({ type: 'event', event: 10, ...mods });
  else if (k === 'f') send({ type: 'event', event: 8, ...mods });
  else if (k === 'r') send({ type: 'event', event: 9, ...mods });
  else if (k === 'k' || k === 'n' || k === 'p') send({ type: 'key', key: k.toUpperCase().charCodeAt(0), ...mods });
  else if (featureKeys[k]) feature(featureKeys[k]);
  else if (k === 'h') feature(e.shiftKey ? 'ContractHorizontal' : 'ExpandHorizontal');
  else if (k === 'v') feature(e.shiftKey ? 'ContractVertical' : 'ExpandVertical');
  else return;
  e.preventDefault();
});
window.addEventListener('keyup', (e) => {
  if ((e.key === 'Shift' || e.key === 'Control') && state === 'edit' && (e.shiftKey !== shift || e.ctrlKey !== control)) {
    shift = e.shiftKey; control = e.ctrlKey;
    send({ type: 'modifiers', shift, control });
  }
});

// ---- buttons -------------------------------------------------------------

$('place').onclick = () => send({ type: 'run', command: 'RunAutoPlacer' });
$('edit').onclick = () => send({ type: 'run', command: 'EnterInteractiveComponentEditingMode', params: { Mode: $('mode').value } });
$('align').onclick = () => send({ type: 'run', command: 'AlignComponents' });
$('undo').onclick = () => send({ type: 'undo' });
$('redo').onclick = () => send({ type: 'redo' });
$('save').onclick = () => { const p = $('path').value.trim(); send(p ? { type: 'save', path: p } : { type: 'save' }); };
$('saveboard').onclick = () => send({ type: 'save', board: true });
$('quit').onclick = () => send({ type: 'quit' });
$('stop').onclick = () => send({ type: 'stop' });
for (const b of document.querySelectorAll('#editbar button')) {
  b.onclick = () => {
    if (b.dataset.event) send({ type: 'event', event: Number(b.dataset.event), shift, control });
    else if (b.dataset.key) send({ type: 'key', key: Number(b.dataset.key), shift, control });
    else feature(b.dataset.feature);
  };
}
window.addEventListener('resize', () => { if (scene) fitView(scene.view); });

connect(0);
