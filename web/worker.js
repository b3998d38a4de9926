// The page's worker: runs trevalk and trevalk-preview (worker/runs.js) away
// from the page's thread and answers with what the page shows. The page
// starts a second worker of this script to build the views of the maps the
// first one makes, side by side with its preview (a port between the two
// carries the tiles). It only receives and answers the messages of
// protocol.js; the site's build makes it one classic script, which loads the
// two programs' scripts when served (in the one-file page they come before
// it).
import { viewBuffers, viewFromTiles } from './worker/levels.js';
import { learnColours, makeMap, measureMap, openMap } from './worker/runs.js';
import { receive, send } from './protocol.js';

if (typeof createTrevalk === 'undefined') importScripts('trevalk.js', 'trevalk-preview.js');

const PROGRESS_EVERY_MS = 40;

let modules = null;
// Where the tiles of a made map go to become its view (the other worker).
let viewPort = null;
// The preview's colour of every tile value, once known.
let learned = null;

function progressOf(id) {
  let last = 0;
  return (fraction) => {
    const now = performance.now();
    if (now - last < PROGRESS_EVERY_MS) return;
    last = now;
    send(self, 'progress', { id, fraction: Math.min(1, Math.max(0, fraction)) });
  };
}

// The view of a made map's tiles, to the page.
function showTiles({ id, tiles, width, height, colours }) {
  const view = viewFromTiles(tiles, width, height, colours);
  send(self, 'view', { id, view }, viewBuffers(view));
}

const handlers = {
  port({ port }) {
    port.onmessage = ({ data }) => receive(data, { tiles: showTiles });
  },
  setup(data) {
    modules = { trevalk: data.trevalk, preview: data.preview };
    viewPort = data.viewPort;
    // A worker of a search among seeds shows no map, and needs no colours.
    learned = data.colours
      ? Promise.resolve(data.colours)
      : data.viewPort === null
        ? Promise.resolve(null)
        : learnColours(modules).then(
            (colours) => {
              if (colours !== null) send(self, 'colours', colours);
              return colours;
            },
            () => null,
          );
  },
  async make(request) {
    const { id } = request;
    const made = await makeMap(modules, request, {
      learned: await learned,
      onFraction: progressOf(id),
      onTiles: (tiles) => {
        if (viewPort === null) {
          showTiles({ id, ...tiles });
          return false;
        }
        send(viewPort, 'tiles', { id, ...tiles }, [tiles.tiles.buffer]);
        return true;
      },
    });
    send(self, 'made', { id, ...made }, viewBuffers(made.preview?.view));
  },
  async measure({ id, args, env, outfile, report, template }) {
    const measured = await measureMap(modules, { args, env, outfile, report, template });
    send(self, 'measured', { id, ...measured });
  },
  async open({ id, file, name, pngName }) {
    const opened = await openMap(modules, { file, name, pngName }, { onFraction: progressOf(id) });
    send(self, 'opened', { id, ...opened }, viewBuffers(opened.preview.view));
  },
};

self.onmessage = async ({ data }) => {
  try {
    await receive(data, handlers);
  } catch (error) {
    send(self, 'failed', { id: data?.id ?? null, message: error && error.message ? error.message : String(error) });
  }
};
