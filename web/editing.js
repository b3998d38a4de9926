// Editing a made map, for the page's controller (app.js): a rectangle of
// tiles, selected on the map or typed, re-rolled (its part of the maze drawn
// anew) or kept (all the rest drawn anew) with a fresh seed. The edits are
// part of the map's values, its address and its command line (trevalk
// --reroll and --keep); undo and redo step through them, and each is one
// history entry.
import { editList, editText } from './edits.js';
import { checkValues, formValues, randomSeed, session } from './session.js';
import * as view from './view.js';

// Edits undone, the last undone last: what redo gives back.
let undone = [];
// Makes the map again with the edits as they now are.
let remake = () => {};

function show() {
  const edits = editList(session.edits) ?? [];
  view.showEdits(edits, undone.length > 0, (k) => {
    undone = [];
    setEdits(edits.filter((_, i) => i !== k));
  });
}

function setEdits(edits) {
  session.edits = editText(edits);
  show();
  remake();
}

// The edits of a map the page now shows from elsewhere (an address, the
// remembered settings), or none for a new map: nothing to redo.
export function resetEdits(text = '') {
  session.edits = text;
  undone = [];
  show();
}

// Adds an edit of the selected rectangle, once trevalk's checker takes it;
// says why beside the rectangle when it does not.
async function addEdit(keep) {
  const selection = view.readSelection();
  if (selection === null) {
    view.showSelectionRefusal('Select a rectangle on the map, or type its column, row, width and height.');
    return;
  }
  const edits = editList(session.edits) ?? [];
  const { x, y, w, h } = selection;
  const added = [...edits, { keep, x: String(x), y: String(y), w: String(w), h: String(h), seed: randomSeed() }];
  const found = await checkValues({ ...formValues(), edits: editText(added) });
  const refused = found.refusals.find(({ field }) => field === 'edits');
  view.showSelectionRefusal(refused ? refused.message.trim() : '');
  if (refused) return;
  undone = [];
  setEdits(added);
}

// `remakeMap()` makes the map again with the edits as they now are.
export function bindEditing(remakeMap) {
  remake = remakeMap;
  const { viewer } = session;
  viewer.onSelect = (selection) => {
    view.fillSelection(selection);
    view.showSelectionRefusal('');
  };
  view.bindEditing({
    select: () => {
      viewer.selecting = !viewer.selecting;
      view.showSelecting(viewer.selecting);
    },
    typed: () => viewer.select(view.readSelection()),
    reroll: () => addEdit(false),
    keep: () => addEdit(true),
    undo: () => {
      const edits = editList(session.edits) ?? [];
      if (edits.length === 0) return;
      undone.push(edits.pop());
      setEdits(edits);
    },
    redo: () => {
      if (undone.length === 0) return;
      setEdits([...(editList(session.edits) ?? []), undone.pop()]);
    },
  });
  show();
}
