// What the page is asked to do: the four saver settings (from the URL, else from what the panel
// stored, else the saver's defaults), the test and idle options, and the stage size for a window.
// Bad values fall back to their defaults with a warning; nothing here throws.

import { SETTING_RULES } from './settings_rules.js';

export const STORAGE_KEY = 'tekuteku.settings';
export const RULE = Object.fromEntries(SETTING_RULES.map((rule) => [rule.name, rule]));

// A setting's value as the page writes it: the number, or its word (sound 'on' / 'off').
const pageValue = (rule, stored) => (rule.words ? rule.words[stored - rule.low] : stored);

// The saver's own defaults for settings never chosen: speed 1, one walker, normal scenes, silent.
export const DEFAULTS = Object.freeze(
  Object.fromEntries(SETTING_RULES.map((rule) => [rule.name, pageValue(rule, rule.saverDefault)])),
);

function wholeNumber(text, low, high) {
  if (typeof text !== 'string' || !/^\d{1,10}$/.test(text)) return null;
  const n = Number(text);
  return n >= low && n <= high ? n : null;
}

// In the address and the stored panel choices, a number in its range or one of its words.
const PAGE_RULES = Object.fromEntries(
  SETTING_RULES.map((rule) => [
    rule.name,
    rule.words ? (t) => (rule.words.includes(t) ? t : null) : (t) => wholeNumber(t, rule.low, rule.high),
  ]),
);
const OPTION_RULES = {
  seed: (t) => wholeNumber(t, 0, 4294967295),
  ticks: (t) => wholeNumber(t, 1, 100000),
  width: (t) => wholeNumber(t, 1, 4096),
  height: (t) => wholeNumber(t, 1, 4096),
  idle: (t) => (/^\d{1,5}(\.\d{1,3})?$/.test(t ?? '') && Number(t) > 0 && Number(t) <= 86400 ? Number(t) : null),
};

// The stored panel choices as an object of strings, or {} when there are none or they are damaged.
function parseStored(storedText, warn) {
  if (storedText == null) return {};
  try {
    const value = JSON.parse(storedText);
    if (value && typeof value === 'object' && !Array.isArray(value)) {
      return Object.fromEntries(Object.entries(value).map(([k, v]) => [k, String(v)]));
    }
  } catch {
    // handled below
  }
  warn(`stored settings are damaged and were not used: ${String(storedText).slice(0, 80)}`);
  return {};
}

// search: location.search; storedText: localStorage's item (or null); warn(message) for bad values.
// Returns { settings: {speed, count, event, sound}, inAddress, seed, ticks, width, height, idle }
// with null for options not given; inAddress tells whether the address gave any of the settings.
export function readPageOptions(search, storedText, warn) {
  const query = new URLSearchParams(search);
  const stored = parseStored(storedText, warn);
  const settings = {};
  for (const [name, rule] of Object.entries(PAGE_RULES)) {
    let value = null;
    if (query.has(name)) {
      value = rule(query.get(name));
      if (value === null) warn(`URL setting ${name}=${query.get(name)} is not valid; using ${DEFAULTS[name]}`);
    } else if (name in stored) {
      value = rule(stored[name]);
      if (value === null) warn(`stored setting ${name}=${stored[name]} is not valid; using ${DEFAULTS[name]}`);
    }
    settings[name] = value ?? DEFAULTS[name];
  }
  const options = { settings, inAddress: Object.keys(PAGE_RULES).some((name) => query.has(name)) };
  for (const [name, rule] of Object.entries(OPTION_RULES)) {
    options[name] = null;
    if (!query.has(name)) continue;
    options[name] = rule(query.get(name));
    if (options[name] === null) warn(`URL option ${name}=${query.get(name)} is not valid and was ignored`);
  }
  return options;
}

// The four settings as the core's stored values: Speed, Charactors, Event, SE (0 on, 1 off).
export function storedValues(settings) {
  return SETTING_RULES.map((rule) =>
    rule.words ? rule.low + rule.words.indexOf(settings[rule.name]) : settings[rule.name],
  );
}

// The query with the four settings written in, or taken out when settings is null (other
// parameters kept), for the address bar.
export function searchWithSettings(search, settings) {
  const query = new URLSearchParams(search);
  for (const name of Object.keys(PAGE_RULES)) {
    if (settings) query.set(name, String(settings[name]));
    else query.delete(name);
  }
  const text = query.toString();
  return text ? `?${text}` : '';
}

// Whole device pixels per stage pixel, and the stage: the window's device pixels divided by that
// scale, so the walkers keep their size on a high-density screen and stay crisp.
export function stageFor(cssWidth, cssHeight, devicePixelRatio) {
  const ratio = Number.isFinite(devicePixelRatio) && devicePixelRatio > 0 ? devicePixelRatio : 1;
  const scale = Math.max(1, Math.round(ratio));
  return {
    scale,
    width: Math.max(1, Math.floor((cssWidth * ratio) / scale)),
    height: Math.max(1, Math.floor((cssHeight * ratio) / scale)),
  };
}

