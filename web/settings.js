// What the page remembers: the settings of the last map (in localStorage),
// the user's own template (in IndexedDB), and one history entry per map, so
// that Back and Forward step through the maps made. A browser that keeps
// nothing (a private window, a page opened from disk in some browsers) is
// simply not remembered by.
import { addressOf } from './rules.js';

const SETTINGS_KEY = 'trevalk.settings';
const DATABASE = 'trevalk';
const STORE = 'files';
const TEMPLATE_KEY = 'template';

// The settings of the last map, as `clamp` (rules.js's clampSettings with
// trevalk's checker) makes them fit.
export function loadSettings(clamp) {
  let stored = null;
  try {
    stored = JSON.parse(localStorage.getItem(SETTINGS_KEY));
  } catch {
    // Nothing kept, or nothing readable: the defaults.
  }
  return clamp(stored);
}

export function saveSettings(values) {
  try {
    localStorage.setItem(SETTINGS_KEY, JSON.stringify(values));
  } catch {
    // Not kept.
  }
}

export function forgetSettings() {
  try {
    localStorage.removeItem(SETTINGS_KEY);
  } catch {
    // Nothing kept.
  }
}

// One request on the store; resolves to its result, or to undefined when
// this browser keeps nothing.
function withStore(mode, use) {
  return new Promise((resolve) => {
    let opening;
    try {
      opening = indexedDB.open(DATABASE, 1);
    } catch {
      resolve(undefined);
      return;
    }
    opening.onupgradeneeded = () => opening.result.createObjectStore(STORE);
    opening.onerror = () => resolve(undefined);
    opening.onsuccess = () => {
      const database = opening.result;
      try {
        const request = use(database.transaction(STORE, mode).objectStore(STORE));
        request.onsuccess = () => resolve(request.result);
        request.onerror = () => resolve(undefined);
      } catch {
        resolve(undefined);
      } finally {
        database.close();
      }
    };
  });
}

// The user's template: { name, bytes }, kept until forgotten.
export const keepTemplate = (template) => withStore('readwrite', (store) => store.put(template, TEMPLATE_KEY));
export const forgetTemplate = () => withStore('readwrite', (store) => store.delete(TEMPLATE_KEY));
export async function loadTemplate() {
  const kept = await withStore('readonly', (store) => store.get(TEMPLATE_KEY));
  return kept && typeof kept.name === 'string' && kept.bytes instanceof Uint8Array ? kept : null;
}

// Records the map of `values` as the current address: a new history entry
// for a new map, the same entry when the address already names it.
export function recordAddress(values, { replace = false } = {}) {
  const address = addressOf(values);
  if (address === location.hash) return;
  if (replace) history.replaceState(null, '', address);
  else history.pushState(null, '', address);
}
