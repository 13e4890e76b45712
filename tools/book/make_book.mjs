// Writes the default opening book data/book.txt from tools/book/openings.txt.
//
// Each opening there is a name, a bar and moves in standard algebraic
// notation; each becomes one book line of 4-character coordinate moves
// (from-square and to-square, castling as the king's two squares), ended
// by CR LF. chess.js (installed for tools/oracle) reads the notation and
// refuses illegal moves; en-passant captures and promotions are refused
// too, since a book line must hold neither.
//
// Usage (after `cd tools/oracle && npm install`):
//   node tools/book/make_book.mjs           rewrite data/book.txt
//   node tools/book/make_book.mjs --check   exit 1 if data/book.txt differs

import { createRequire } from 'node:module';
import { readFileSync, writeFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { dirname, join } from 'node:path';

const here = dirname(fileURLToPath(import.meta.url));
const require = createRequire(join(here, '../oracle/package.json'));
const { Chess } = require('chess.js');

const sourcePath = join(here, 'openings.txt');
const bookPath = join(here, '../../data/book.txt');

// 1. Read the openings: "name | moves", skipping comments and blank lines.
function readOpenings(text) {
  const openings = [];
  text.split(/\r?\n/).forEach((raw, i) => {
    const line = raw.trim();
    if (line === '' || line.startsWith('#')) return;
    const bar = line.indexOf('|');
    if (bar < 0) throw new Error(`openings.txt:${i + 1}: no bar between name and moves`);
    const name = line.slice(0, bar).trim();
    const moves = line.slice(bar + 1).trim().split(/\s+/).filter((t) => !/^\d+\.+$/.test(t))
      .map((t) => t.replace(/^\d+\.+/, ''));
    openings.push({ name, moves, lineNo: i + 1 });
  });
  return openings;
}

// 2. Play one opening from the start position into coordinate text.
function toCoordinates({ name, moves, lineNo }) {
  const game = new Chess();
  let text = '';
  for (const san of moves) {
    let move;
    try {
      move = game.move(san);
    } catch {
      move = null;
    }
    const where = `openings.txt:${lineNo} (${name}), ${san}`;
    if (!move) throw new Error(`${where}: not a legal move in ${game.fen()}`);
    if (move.flags.includes('e')) throw new Error(`${where}: en-passant capture`);
    if (move.promotion) throw new Error(`${where}: promotion`);
    text += move.from + move.to;
  }
  return text;
}

// 3. Build the book, warn about exact repeats (they double a line's votes,
//    which is allowed but usually a slip), and write or compare it.
const openings = readOpenings(readFileSync(sourcePath, 'utf8'));
const lines = openings.map(toCoordinates);
const seen = new Map();
lines.forEach((l, i) => {
  if (seen.has(l)) console.warn(`warning: "${openings[i].name}" repeats "${openings[seen.get(l)].name}"`);
  else seen.set(l, i);
});
const book = lines.map((l) => l + '\r\n').join('');

if (process.argv.includes('--check')) {
  let current = '';
  try {
    current = readFileSync(bookPath, 'latin1');
  } catch {}
  if (current !== book) {
    console.error('data/book.txt is not what tools/book/openings.txt gives; run node tools/book/make_book.mjs');
    process.exit(1);
  }
  console.log(`data/book.txt matches: ${lines.length} lines`);
} else {
  writeFileSync(bookPath, book, 'latin1');
  const firsts = {};
  for (const l of lines) firsts[l.slice(0, 4)] = (firsts[l.slice(0, 4)] ?? 0) + 1;
  const plies = lines.map((l) => l.length / 4);
  console.log(`wrote data/book.txt: ${lines.length} lines, ${Math.min(...plies)} to ${Math.max(...plies)} plies`);
  console.log('first moves:', Object.entries(firsts).sort((a, b) => b[1] - a[1]).map(([m, n]) => `${m} ${n}`).join(', '));
}
