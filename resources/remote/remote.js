// The remote's page: it shows what the display pushes over the WebSocket and sends what is pressed
// as commands. It asks the display for nothing on a timer; only the progress runs on here.
'use strict';

const $ = (id) => document.getElementById(id);
let token = '';
let state = null;
let received = 0;          // when the last state came, by the page's clock
let volumeHeldUntil = 0;   // the slider is the user's while they drag it, and a moment after
let reconnectDelay = 1000;
let socket = null;
let formDirty = false;

function readToken() {
  const params = new URLSearchParams(location.search);
  const given = params.get('token');
  if (given) {
    try { localStorage.setItem('sleevelightToken', given); } catch (e) { /* private mode */ }
    return given;
  }
  try { return localStorage.getItem('sleevelightToken') || ''; } catch (e) { return ''; }
}

function notice(text) {
  $('notice').textContent = text;
  $('notice').hidden = !text;
}

function unpaired() {
  state = null;
  $('now').hidden = $('display').hidden = $('settings').hidden = true;
  notice('This page needs the address the display shows: press r on the display and scan the code.');
}

function time(seconds) {
  if (seconds == null || !isFinite(seconds) || seconds < 0) return '';
  seconds = Math.floor(seconds);
  const h = Math.floor(seconds / 3600), m = Math.floor(seconds / 60) % 60, s = seconds % 60;
  const ss = String(s).padStart(2, '0');
  return h > 0 ? `${h}:${String(m).padStart(2, '0')}:${ss}` : `${m}:${ss}`;
}

async function send(command) {
  try {
    const answer = await fetch('/api/command', {
      method: 'POST',
      headers: { 'Authorization': 'Bearer ' + token, 'Content-Type': 'application/json' },
      body: JSON.stringify(command),
    });
    if (answer.status === 401) unpaired();
  } catch (e) {
    notice('The display cannot be reached.');
  }
}

function position() {
  if (!state || state.position == null) return null;
  let at = state.position;
  if (state.state === 'playing') at += (performance.now() - received) / 1000;
  return state.length ? Math.min(at, state.length) : at;
}

function showProgress() {
  const at = position();
  $('elapsed').textContent = at == null ? '' : time(at);
  const ratio = at != null && state && state.length ? Math.max(0, Math.min(1, at / state.length)) : 0;
  $('bar').firstElementChild.style.width = (ratio * 100).toFixed(2) + '%';
  $('bar').setAttribute('aria-valuenow', Math.round(ratio * 100));
}

function showStars(rating) {
  const stars = $('stars');
  if (!stars.childElementCount) {
    for (let n = 1; n <= 5; n++) {
      const star = document.createElement('button');
      star.type = 'button';
      star.className = 'star';
      star.innerHTML = '<svg viewBox="0 0 24 24" aria-hidden="true"><path d="M12 2.5l2.9 6.1 6.6.8-4.9 4.6 1.3 6.6L12 17.3l-5.9 3.3 1.3-6.6-4.9-4.6 6.6-.8z"/></svg>';
      star.setAttribute('aria-label', n === 1 ? '1 star' : `${n} stars`);
      // The star of the rating given takes it back to none, as on the display.
      star.addEventListener('click', () => send({ command: 'rating', value: state && state.rating === n ? 0 : n }));
      stars.appendChild(star);
    }
  }
  [...stars.children].forEach((star, i) => {
    star.classList.toggle('on', i < rating);
    star.setAttribute('aria-pressed', String(i < rating));
  });
}

function showArtwork(path) {
  const image = $('artwork');
  if (!path) {
    image.hidden = true;
    image.removeAttribute('src');
    return;
  }
  const source = path + '&token=' + encodeURIComponent(token);
  if (image.getAttribute('src') !== source) image.src = source;
  image.hidden = false;
}

function showState() {
  notice('');
  const running = state.state !== 'notRunning';
  $('now').hidden = !running;
  $('display').hidden = false;
  $('settings').hidden = false;
  if (!running) notice('No player is running.');
  $('now').classList.toggle('paused', state.state !== 'playing');

  $('name').textContent = state.name || '';
  $('album').textContent = state.album || '';
  $('artist').textContent = state.artist || '';
  $('numbers').textContent = [state.numbers, state.year].filter(Boolean).join(' \u00B7 ');
  $('duration').textContent = state.duration || '';
  $('nextUp').textContent = state.nextUp && state.nextUp.name
    ? 'Next: ' + state.nextUp.name + (state.nextUp.artist ? ' \u2014 ' + state.nextUp.artist : '') : '';
  const playing = state.state === 'playing';
  $('playPause').setAttribute('aria-label', playing ? 'Pause' : 'Play');
  $('playShape').setAttribute('d', playing ? 'M6 4h4v16H6zM14 4h4v16h-4z' : 'M7 4v16l13-8z');
  $('loved').setAttribute('aria-pressed', String(!!state.loved));
  showStars(state.rating || 0);
  if (state.volume != null && performance.now() > volumeHeldUntil) $('volume').value = state.volume;
  $('volume').disabled = state.volume == null;
  showArtwork(state.artwork);
  showProgress();

  const select = $('player');
  select.replaceChildren(...(state.players || []).map((name) => new Option(name, name, false, name === state.player)));
  if (!select.options.length) select.appendChild(new Option('No player', '', true, true));
  for (const box of document.querySelectorAll('[data-switch]')) {
    box.checked = !!(state.switches && state.switches[box.dataset.switch]);
    if (box.dataset.switch === 'standby') box.disabled = playing;
  }
  showPreferences(state.preferences);
}

// The form is a working copy: what the display says fills it while nothing in it was changed;
// nothing reaches the display before Apply.
function showPreferences(preferences) {
  if (!preferences) return;
  $('panelOpen').hidden = !preferences.panelOpen;
  $('apply').disabled = !!preferences.panelOpen || !formDirty;
  if (formDirty) return;
  fillForm(preferences.fields, 'value');
}

function fillForm(fields, which) {
  const form = $('preferences');
  if (form.childElementCount !== fields.length) {
    form.replaceChildren(...fields.map(makeField));
  }
  for (const field of fields) {
    const input = form.elements[field.key];
    if (!input) continue;
    const value = field[which];
    if (field.kind === 'bool') input.checked = !!value;
    else if (field.kind === 'list') input.value = (value || []).join(', ');
    else input.value = value;
  }
}

function makeField(field) {
  const label = document.createElement('label');
  let input;
  if (field.kind === 'bool') {
    input = document.createElement('input');
    input.type = 'checkbox';
    label.append(input, document.createTextNode(' ' + field.label));
  } else {
    label.className = 'field';
    const caption = document.createElement('span');
    caption.textContent = field.label;
    if (field.kind === 'choice') {
      input = document.createElement('select');
      field.choices.forEach((text, i) => input.appendChild(new Option(text, String(i + 1))));
    } else {
      input = document.createElement('input');
      input.type = field.kind === 'number' ? 'number' : 'text';
      if (field.kind === 'number') { input.min = field.min; input.max = field.max; }
    }
    label.append(caption, input);
  }
  input.name = field.key;
  input.dataset.kind = field.kind;
  input.addEventListener('input', () => { formDirty = true; $('apply').disabled = !!(state && state.preferences.panelOpen); });
  input.addEventListener('change', () => { formDirty = true; $('apply').disabled = !!(state && state.preferences.panelOpen); });
  return label;
}

function formValues() {
  const values = {};
  for (const input of $('preferences').elements) {
    const kind = input.dataset.kind;
    if (kind === 'bool') values[input.name] = input.checked;
    else if (kind === 'number' || kind === 'choice') {
      const number = Number(input.value);
      if (input.value !== '' && Number.isInteger(number)) values[input.name] = number;
    } else if (kind === 'list') values[input.name] = input.value.split(',').map((s) => s.trim()).filter(Boolean);
    else values[input.name] = input.value.trim();
  }
  return values;
}

function connect() {
  socket = new WebSocket(`${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/ws?token=${encodeURIComponent(token)}`);
  socket.onopen = () => { reconnectDelay = 1000; };
  socket.onmessage = (event) => {
    try { state = JSON.parse(event.data); } catch (e) { return; }
    received = performance.now();
    if (state && state.state) showState();
  };
  socket.onclose = async () => {
    socket = null;
    // Refused (a token no longer good) or gone: which, the track's address tells.
    try {
      const answer = await fetch('/api/track', { headers: { 'Authorization': 'Bearer ' + token } });
      if (answer.status === 401) { unpaired(); return; }
    } catch (e) { /* the display is away */ }
    notice('Reconnecting to the display\u2026');
    setTimeout(connect, reconnectDelay);
    reconnectDelay = Math.min(reconnectDelay * 2, 10000);
  };
}

function wire() {
  $('previous').addEventListener('click', () => send({ command: 'previous' }));
  $('next').addEventListener('click', () => send({ command: 'next' }));
  $('playPause').addEventListener('click', () => send({ command: 'playPause' }));
  $('loved').addEventListener('click', () => send({ command: 'loved', value: !(state && state.loved) }));
  let volumeTimer = 0;
  $('volume').addEventListener('input', () => {
    volumeHeldUntil = performance.now() + 1500;
    // A drag sends its values a few times a second, and the last one always.
    clearTimeout(volumeTimer);
    volumeTimer = setTimeout(() => send({ command: 'volume', value: Number($('volume').value) }), 120);
  });
  $('player').addEventListener('change', () => send({ command: 'follow', player: $('player').value }));
  for (const box of document.querySelectorAll('[data-switch]'))
    box.addEventListener('change', () => send({ command: box.dataset.switch, value: box.checked }));
  $('apply').addEventListener('click', async () => {
    await send({ command: 'preferences', values: formValues() });
    formDirty = false;
  });
  $('revert').addEventListener('click', () => {
    formDirty = false;
    if (state) fillForm(state.preferences.fields, 'value');
    $('apply').disabled = true;
  });
  $('defaults').addEventListener('click', () => {
    if (!state) return;
    fillForm(state.preferences.fields, 'default');
    formDirty = true;
    $('apply').disabled = !!state.preferences.panelOpen;
  });
  setInterval(() => { if (state && state.state === 'playing') showProgress(); }, 500);
}

async function begin() {
  token = readToken();
  if (location.search) history.replaceState(null, '', location.pathname);
  wire();
  if (!token) { unpaired(); return; }
  notice('Connecting to the display\u2026');
  connect();
}

begin();
