// The edits of a made map, as the page's address and remembered settings
// write them: "r:X,Y,W,H:SEED" for a re-roll and "k:X,Y,W,H:SEED" for a
// keep, joined by ";". trevalk takes each as --reroll=X,Y,W,H:SEED or
// --keep=... (rules.js). Every function here is pure.

const EDIT = /^([rk]):(\d{1,10}),(\d{1,10}),(\d{1,10}),(\d{1,10}):(\d{1,10})$/;

// The edits of a text, each { keep, x, y, w, h, seed } (numbers as text);
// null when the text is not a list of edits.
export function editList(text) {
  if (text === '') return [];
  const edits = [];
  for (const part of text.split(';')) {
    const found = EDIT.exec(part);
    if (!found) return null;
    const [, kind, x, y, w, h, seed] = found;
    edits.push({ keep: kind === 'k', x, y, w, h, seed });
  }
  return edits;
}

export const editText = (edits) =>
  edits.map(({ keep, x, y, w, h, seed }) => `${keep ? 'k' : 'r'}:${x},${y},${w},${h}:${seed}`).join(';');

// An edit in a player's words.
export const editWords = ({ keep, x, y, w, h, seed }) =>
  `${keep ? 'Keep' : 'Re-roll'} ${w} x ${h} tiles at ${x}, ${y} (seed ${seed})`;
