// Reference perft counts for Velmorasca's test data.
//
// Velmorasca generates no en-passant captures, so every count here leaves
// them out: a move chess.js flags as en passant is neither counted nor
// searched below.  chess.js serves only as an independent oracle; it is no
// part of the engine.
//
// Usage (from this folder, after `npm install`):
//   node perft.mjs DEPTH [FEN]            total count (start position without FEN)
//   node perft.mjs --divide DEPTH [FEN]   one line per root move, then the total
//   node perft.mjs --line MAXDEPTH FEN    an EPD line "FEN ;D1 n ;D2 n ..."
//   node perft.mjs --check FILE           recompute every count of an EPD file
//   node perft.mjs --legal FILE...        every legal move, en passant included, of
//                                         the FEN opening each line: "FEN ; e2e4 ..."
//   node perft.mjs --lists DEPTH [FEN]    largest pseudo-legal move list (as the
//                                         engine generates them) at plies 0..DEPTH-1
//   --public  use chess.js's public API (slow; cross-checks the fast path)
//
// The fast path uses chess.js internals (_moves, _makeMove, _undoMove), so
// the package version is pinned in package.json.

import { Chess } from 'chess.js';
import { readFileSync } from 'node:fs';

const START = 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1';
const EP_BIT = 8; // chess.js BITS.EP_CAPTURE

let usePublic = false;

function load(fen) {
  const c = new Chess();
  c.load(fen); // throws on a malformed FEN
  checkCastlingField(fen);
  return c;
}

// A castling right whose king or rook is not at home means something else to
// chess.js than to the engine (which looks for the rook on its corner), so
// such a FEN is not a fair reference.
function checkCastlingField(fen) {
  const [placement, , rights = '-'] = fen.trim().split(/\s+/);
  const ranks = placement.split('/').map((r) => r.replace(/\d/g, (d) => '.'.repeat(+d)));
  const at = (sq) => ranks[8 - +sq[1]][sq.charCodeAt(0) - 97];
  const need = { K: ['e1', 'K', 'h1', 'R'], Q: ['e1', 'K', 'a1', 'R'],
                 k: ['e8', 'k', 'h8', 'r'], q: ['e8', 'k', 'a8', 'r'] };
  for (const r of rights === '-' ? '' : rights) {
    const [ks, k, rs, rk] = need[r] ?? [];
    if (!ks || at(ks) !== k || at(rs) !== rk)
      throw new Error(`castling right ${r} without its king and rook at home: ${fen}`);
  }
}

function perftFast(c, depth) {
  const moves = c._moves({ legal: true });
  let n = 0;
  for (const m of moves) {
    if (m.flags & EP_BIT) continue;
    if (depth === 1) { n++; continue; }
    c._makeMove(m);
    n += perftFast(c, depth - 1);
    c._undoMove();
  }
  return n;
}

function perftPublic(c, depth) {
  const moves = c.moves({ verbose: true });
  let n = 0;
  for (const m of moves) {
    if (m.flags.includes('e')) continue;
    if (depth === 1) { n++; continue; }
    c.move(m);
    n += perftPublic(c, depth - 1);
    c.undo();
  }
  return n;
}

function perft(c, depth) {
  if (depth === 0) return 1;
  return usePublic ? perftPublic(c, depth) : perftFast(c, depth);
}

function divide(c, depth) {
  const lines = [];
  let total = 0;
  for (const m of c.moves({ verbose: true })) {
    if (m.flags.includes('e')) continue;
    c.move(m);
    const n = depth > 1 ? perft(c, depth - 1) : 1;
    c.undo();
    lines.push(`${m.from}${m.to}${m.promotion ?? ''}: ${n}`);
    total += n;
  }
  lines.sort();
  return { lines, total };
}

// The number of moves the engine's generators put on one ply's list: every
// pseudo-legal move (a move that leaves the king attacked included), four per
// promotion, no en passant, castling when the right is held, the king and the
// rook stand at home and the squares between are empty (attacks are judged
// only when the move is made).
function pseudoCount(c, rights) {
  const b = c.board(); // b[0] is rank 8
  const us = c.turn();
  const at = (r, f) => (r < 1 || r > 8 || f < 1 || f > 8 ? undefined : b[8 - r][f - 1]);
  let n = 0;
  const target = (r, f) => {
    const p = at(r, f);
    if (p === undefined) return 'off';
    if (p === null) return 'empty';
    return p.color === us ? 'own' : 'enemy';
  };
  const ray = (r, f, dr, df) => {
    for (let i = 1; i < 8; i++) {
      const t = target(r + i * dr, f + i * df);
      if (t === 'off' || t === 'own') break;
      n++;
      if (t === 'enemy') break;
    }
  };
  const step = (r, f) => { const t = target(r, f); if (t === 'empty' || t === 'enemy') n++; };
  const ROOK = [[1, 0], [-1, 0], [0, 1], [0, -1]];
  const BISHOP = [[1, 1], [1, -1], [-1, 1], [-1, -1]];
  for (let r = 1; r <= 8; r++) {
    for (let f = 1; f <= 8; f++) {
      const p = at(r, f);
      if (!p || p.color !== us) continue;
      switch (p.type) {
        case 'r': ROOK.forEach(([dr, df]) => ray(r, f, dr, df)); break;
        case 'b': BISHOP.forEach(([dr, df]) => ray(r, f, dr, df)); break;
        case 'q': [...ROOK, ...BISHOP].forEach(([dr, df]) => ray(r, f, dr, df)); break;
        case 'n':
          for (const [dr, df] of [[1, 2], [2, 1], [-1, 2], [-2, 1], [1, -2], [2, -1], [-1, -2], [-2, -1]])
            step(r + dr, f + df);
          break;
        case 'k': {
          for (const [dr, df] of [...ROOK, ...BISHOP]) step(r + dr, f + df);
          const home = us === 'w' ? 1 : 8;
          const own = (rr, ff, t) => { const q = at(rr, ff); return q && q.color === us && q.type === t; };
          if (r === home && f === 5) {
            const ks = us === 'w' ? 'K' : 'k', qs = us === 'w' ? 'Q' : 'q';
            if (rights.includes(ks) && own(home, 8, 'r') && !at(home, 6) && !at(home, 7)) n++;
            if (rights.includes(qs) && own(home, 1, 'r') && !at(home, 2) && !at(home, 3) && !at(home, 4)) n++;
          }
          break;
        }
        case 'p': {
          const dir = us === 'w' ? 1 : -1;
          const start = us === 'w' ? 2 : 7;
          const last = us === 'w' ? 7 : 2;
          const k = r === last ? 4 : 1;
          if (r === start && !at(r + dir, f) && !at(r + 2 * dir, f)) n++;
          if (!at(r + dir, f)) n += k;
          for (const df of [1, -1]) if (target(r + dir, f + df) === 'enemy') n += k;
          break;
        }
      }
    }
  }
  return n;
}

// Largest list over the nodes the engine's perft generates (plies 0..depth-1).
// The root's castling field stays in force through the tree, as in the engine.
function largestList(c, depth, rights) {
  let best = pseudoCount(c, rights);
  if (depth <= 1) return best;
  for (const m of c._moves({ legal: true })) {
    if (m.flags & EP_BIT) continue;
    c._makeMove(m);
    best = Math.max(best, largestList(c, depth - 1, rights));
    c._undoMove();
  }
  return best;
}

function epdLine(fen, maxDepth) {
  const c = load(fen);
  const parts = [fen.trim()];
  for (let d = 1; d <= maxDepth; d++) parts.push(`D${d} ${perft(c, d)}`);
  return parts.join(' ;');
}

function checkFile(path) {
  let bad = 0, checked = 0;
  for (const raw of readFileSync(path, 'utf8').split(/\r?\n/)) {
    const line = raw.trim();
    if (!line || line.startsWith('#')) continue;
    const [fen, ...fields] = line.split(';').map((s) => s.trim());
    const c = load(fen);
    for (const field of fields) {
      const m = /^D(\d+)\s+(\d+)$/.exec(field);
      if (!m) throw new Error(`bad field "${field}" in: ${line}`);
      const got = perft(c, +m[1]);
      checked++;
      if (got !== +m[2]) {
        bad++;
        console.log(`MISMATCH ${fen} D${m[1]}: file ${m[2]}, oracle ${got}`);
      }
    }
  }
  console.log(`${checked} counts checked, ${bad} mismatches`);
  return bad === 0;
}

// The legal moves of each position of EPD files, en passant included, sorted.
function legalLines(paths) {
  for (const path of paths) {
    for (const raw of readFileSync(path, 'utf8').split(/\r?\n/)) {
      const line = raw.trim();
      if (!line || line.startsWith('#')) continue;
      const fen = line.split(';')[0].trim();
      const moves = load(fen).moves({ verbose: true }).map((m) => `${m.from}${m.to}${m.promotion ?? ''}`);
      console.log(`${fen} ; ${moves.sort().join(' ')}`);
    }
  }
}

function main(argv) {
  const args = argv.filter((a) => a !== '--public');
  usePublic = args.length !== argv.length;
  const [mode] = args;
  const fenOf = (rest) => (rest.length ? rest.join(' ') : START);
  const depthOf = (s) => {
    if (!/^\d+$/.test(s ?? '')) throw new Error(`bad depth "${s}"`);
    return +s;
  };
  if (mode === '--check') return checkFile(args[1]) ? 0 : 1;
  if (mode === '--line') { console.log(epdLine(fenOf(args.slice(2)), depthOf(args[1]))); return 0; }
  if (mode === '--divide') {
    const { lines, total } = divide(load(fenOf(args.slice(2))), depthOf(args[1]));
    lines.forEach((l) => console.log(l));
    console.log(total);
    return 0;
  }
  if (mode === '--legal') { legalLines(args.slice(1)); return 0; }
  if (mode === '--lists') {
    const fen = fenOf(args.slice(2));
    const rights = fen.trim().split(/\s+/)[2] ?? '-';
    console.log(largestList(load(fen), depthOf(args[1]), rights));
    return 0;
  }
  if (!mode || mode.startsWith('--')) {
    console.error('usage: node perft.mjs [--public] [--divide|--line|--lists] DEPTH [FEN] | --check FILE | --legal FILE...');
    return 2;
  }
  console.log(perft(load(fenOf(args.slice(1))), depthOf(mode)));
  return 0;
}

export { load, perft, divide, pseudoCount, largestList, epdLine };

if (import.meta.url === `file://${process.argv[1]}`) {
  try {
    process.exitCode = main(process.argv.slice(2));
  } catch (e) {
    console.error(`perft.mjs: ${e.message}`);
    process.exitCode = 2;
  }
}
