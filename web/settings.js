// What the page remembers: the settings of the last map (in localStorage),
// the user's own template (in IndexedDB), and one history entry per map, so
// that Back and Forward step through the maps made. A browser that keeps
// nothing (a private window, a page opened from disk in some browsers) is
// simply not remembered by.
import { addressOf } from './address.js';
import { templateId } from './templateid.js';

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

// The page's database, made when it is missing; one the page cannot use
// (another version, no store of files, as other code may leave it) is
// deleted and made again. Resolves to null when this browser keeps nothing.
function openDatabase(again = true) {
  return new Promise((resolve) => {
    let opening;
    try {
      opening = indexedDB.open(DATABASE);
    } catch {
      resolve(null);
      return;
    }
    const recreate = () => {
      if (!again) {
        resolve(null);
        return;
      }
      const deleting = indexedDB.deleteDatabase(DATABASE);
      deleting.onsuccess = () => resolve(openDatabase(false));
      deleting.onerror = () => resolve(null);
      // Another tab holds the database open: nothing is kept this time.
      deleting.onblocked = () => resolve(null);
    };
    opening.onupgradeneeded = () => opening.result.createObjectStore(STORE);
    opening.onerror = recreate;
    opening.onsuccess = () => {
      const database = opening.result;
      if (database.objectStoreNames.contains(STORE)) {
        resolve(database);
      } else {
        database.close();
        recreate();
      }
    };
  });
}

// One request on the store; resolves to { result } once its transaction is
// complete (so a write is stored), or to null when it failed or this browser
// keeps nothing.
async function withStore(mode, use) {
  const database = await openDatabase();
  if (database === null) return null;
  return new Promise((resolve) => {
    try {
      const transaction = database.transaction(STORE, mode);
      const request = use(transaction.objectStore(STORE));
      transaction.oncomplete = () => resolve({ result: request.result });
      transaction.onerror = () => resolve(null);
      transaction.onabort = () => resolve(null);
    } catch {
      resolve(null);
    } finally {
      database.close();
    }
  });
}

// The user's template, kept until forgotten: { name, bytes, unreadable
// (trevalk's words when it could not read it, else null) }. Keeping and
// forgetting resolve to true once done.
export async function keepTemplate({ name, bytes, unreadable = null }) {
  return (await withStore('readwrite', (store) => store.put({ name, bytes, unreadable }, TEMPLATE_KEY))) !== null;
}
export async function forgetTemplate() {
  return (await withStore('readwrite', (store) => store.delete(TEMPLATE_KEY))) !== null;
}

// The kept template as the page uses it: null when none is kept, else
// { name, bytes, id (its name in addresses), unreadable, kept: true }; a
// record this page cannot read is a template that is unreadable.
export async function loadTemplate() {
  const found = await withStore('readonly', (store) => store.get(TEMPLATE_KEY));
  const kept = found?.result;
  if (kept === undefined) return null;
  const name = typeof kept?.name === 'string' ? kept.name.slice(0, 200) : 'your template';
  if (!(kept?.bytes instanceof Uint8Array)) {
    return { name, bytes: null, id: null, unreadable: "this browser's copy of it cannot be read.", kept: true };
  }
  const unreadable = typeof kept.unreadable === 'string' ? kept.unreadable : null;
  return { name, bytes: kept.bytes, id: templateId(kept.bytes), unreadable, kept: true };
}

// Records the map of `values` as the current address: a new history entry
// for a new map, the same entry when the address already names it.
export function recordAddress(values, { replace = false } = {}) {
  const address = addressOf(values);
  if (address === location.hash) return;
  if (replace) history.replaceState(null, '', address);
  else history.pushState(null, '', address);
}
