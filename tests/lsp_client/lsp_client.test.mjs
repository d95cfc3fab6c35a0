// `zerka lsp` driven by the reference protocol client (vscode-languageserver-protocol), as an
// editor would: a real process, real frames on its standard input and output.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import rpc from 'vscode-languageserver-protocol/node.js';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '..', '..');
const zerka = process.env.ZERKA_BIN ?? path.join(repo, 'build', 'bin', 'zerka');
const chips = path.join(repo, 'chips');

let dir;
const uri = (name) => pathToFileURL(path.join(dir, name)).href;
const write = (name, text) => {
  fs.mkdirSync(path.dirname(path.join(dir, name)), { recursive: true });
  fs.writeFileSync(path.join(dir, name), text);
};

// One server process with a client connection; diagnostics are kept per URI.
async function startServer(options = {}) {
  const proc = spawn(zerka, ['lsp'], { stdio: ['pipe', 'pipe', 'pipe'] });
  let stderr = '';
  proc.stderr.on('data', (d) => { stderr += d; });
  const conn = rpc.createProtocolConnection(
    new rpc.StreamMessageReader(proc.stdout), new rpc.StreamMessageWriter(proc.stdin));
  const diagnostics = new Map();
  const waiters = [];
  conn.onNotification(rpc.PublishDiagnosticsNotification.type, (p) => {
    diagnostics.set(p.uri, p.diagnostics);
    for (const w of [...waiters]) if (w.check()) waiters.splice(waiters.indexOf(w), 1);
  });
  conn.listen();
  const init = await conn.sendRequest(rpc.InitializeRequest.type, {
    processId: process.pid, rootUri: pathToFileURL(dir).href, capabilities: {},
    initializationOptions: { lib: chips, ...options },
  });
  conn.sendNotification(rpc.InitializedNotification.type, {});
  // Resolves once `pred` holds for the published diagnostics (fails after 10 s).
  const until = (pred) => new Promise((resolve, reject) => {
    const w = { check: () => { if (pred(diagnostics)) { clearTimeout(t); resolve(diagnostics); return true; } return false; } };
    const t = setTimeout(() => reject(new Error('no such diagnostics: ' + JSON.stringify([...diagnostics]))), 10000);
    if (!w.check()) waiters.push(w);
  });
  const open = (name, text) => conn.sendNotification(rpc.DidOpenTextDocumentNotification.type, {
    textDocument: { uri: uri(name), languageId: 'zerka-asm', version: 1, text: text ?? fs.readFileSync(path.join(dir, name), 'utf8') },
  });
  const stop = async () => {
    await conn.sendRequest(rpc.ShutdownRequest.type);
    const exited = new Promise((r) => proc.on('exit', (code) => r(code)));
    conn.sendNotification(rpc.ExitNotification.type);
    const code = await exited;
    conn.dispose();
    return { code, stderr };
  };
  return { conn, init, diagnostics, until, open, stop, proc };
}

const at = (name, line, character) => ({ textDocument: { uri: uri(name) }, position: { line, character } });

before(() => {
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zerka-lsp-'));
  write('MAIN.ASM', '        INCLUDE LEVEL1.INC\n        ORG     10H\nSTART:  MVL     DEEP\n        CALL    SUB1\n        JMP     START\n');
  write('LEVEL1.INC', '        INCLUDE INC/LEVEL2.INC\nSUB1:   MVL     DEEP\n        RET\n');
  write('INC/LEVEL2.INC', 'DEEP    EQU     2AH\n');
  for (const h of ['KXA1608.INC', 'KXB0402.INC']) fs.copyFileSync(path.join(chips, h), path.join(dir, h));
});
after(() => fs.rmSync(dir, { recursive: true, force: true }));

test('stdout carries nothing but frames, and exit after shutdown is status 0', async () => {
  const s = await startServer({ chip: 'KXA1608' });
  assert.equal(s.init.serverInfo.name, 'zerka');
  assert.ok(s.init.capabilities.semanticTokensProvider.legend.tokenTypes.includes('keyword'));
  const { code } = await s.stop();
  assert.equal(code, 0);
});

test('diagnostics appear and clear while an included file is edited unsaved', async () => {
  const s = await startServer({ chip: 'KXA1608' });
  s.open('MAIN.ASM');
  await s.until((d) => d.has(uri('MAIN.ASM')));
  s.open('INC/LEVEL2.INC');
  s.conn.sendNotification(rpc.DidChangeTextDocumentNotification.type, {
    textDocument: { uri: uri('INC/LEVEL2.INC'), version: 2 },
    contentChanges: [{ range: { start: { line: 1, character: 0 }, end: { line: 1, character: 0 } }, text: '        MVL     NOWHERE\n' }],
  });
  const d = await s.until((m) => (m.get(uri('INC/LEVEL2.INC')) ?? []).length === 1);
  const e = d.get(uri('INC/LEVEL2.INC'))[0];
  assert.deepEqual([e.code, e.source, e.message, e.range.start, e.range.end],
    [5, 'zerka', 'Undefined Symbol [NOWHERE]', { line: 1, character: 16 }, { line: 1, character: 23 }]);
  s.conn.sendNotification(rpc.DidChangeTextDocumentNotification.type, {
    textDocument: { uri: uri('INC/LEVEL2.INC'), version: 3 },
    contentChanges: [{ range: { start: { line: 1, character: 0 }, end: { line: 2, character: 0 } }, text: '' }],
  });
  await s.until((m) => (m.get(uri('INC/LEVEL2.INC')) ?? []).length === 0);
  assert.equal(fs.readFileSync(path.join(dir, 'INC/LEVEL2.INC'), 'utf8'), 'DEEP    EQU     2AH\n');
  assert.ok(!fs.existsSync(path.join(dir, 'MAIN.lst')) && !fs.existsSync(path.join(dir, 'MAIN.hex')));
  await s.stop();
});

test('definition, references and rename across two INCLUDE levels', async () => {
  const s = await startServer({ chip: 'KXA1608' });
  s.open('MAIN.ASM');
  const def = await s.conn.sendRequest(rpc.DefinitionRequest.type, at('MAIN.ASM', 2, 17));
  assert.equal(def[0].uri, uri('INC/LEVEL2.INC'));
  const refs = await s.conn.sendRequest(rpc.ReferencesRequest.type, { ...at('INC/LEVEL2.INC', 0, 1), context: { includeDeclaration: true } });
  assert.deepEqual(refs.map((r) => [r.uri, r.range.start.line]).sort(),
    [[uri('INC/LEVEL2.INC'), 0], [uri('LEVEL1.INC'), 1], [uri('MAIN.ASM'), 2]].sort());
  const edit = await s.conn.sendRequest(rpc.RenameRequest.type, { ...at('MAIN.ASM', 2, 17), newName: 'BOTTOM' });
  assert.deepEqual(Object.keys(edit.changes).sort(), [uri('INC/LEVEL2.INC'), uri('LEVEL1.INC'), uri('MAIN.ASM')].sort());
  await assert.rejects(s.conn.sendRequest(rpc.RenameRequest.type, { ...at('MAIN.ASM', 2, 17), newName: 'start' }),
    /would clash with the label START/);
  await s.stop();
});

test('hover on a symbol, a mnemonic, a register, a bit and a number', async () => {
  write('H.ASM', '        INCLUDE KXA1608.INC\nLIMIT   EQU     0C8H\n        BSF     INTE0, GIE\n        MVL     LIMIT\n');
  const s = await startServer();
  s.open('H.ASM');
  const text = async (l, c) => (await s.conn.sendRequest(rpc.HoverRequest.type, at('H.ASM', l, c)))?.contents.value ?? '';
  assert.match(await text(3, 17), /LIMIT\*\*: EQU = 0C8H \(200\)/);
  assert.match(await text(2, 9), /BSF f, b, a[\s\S]*Encoding: `[01a-z]+`[\s\S]*Words: 1/);
  assert.match(await text(2, 17), /register at 023H, bank 0/);
  assert.match(await text(2, 24), /Bit 7 of INTE0/);
  assert.equal(await text(1, 17), '0C8H = 200 = 1100_1000B');
  await s.stop();
});

test('completion offers the chip core\'s mnemonics only, symbols, registers and bits', async () => {
  write('A.ASM', '        INCLUDE KXA1608.INC\nTWICE   MACRO   SRC, DST\n        ENDM\n        \n        BSF     INTE0, \n        MVL     \n');
  write('B.ASM', '        INCLUDE KXB0402.INC\n        \n');
  const s = await startServer();
  s.open('A.ASM');
  s.open('B.ASM');
  const labels = async (name, l, c) => (await s.conn.sendRequest(rpc.CompletionRequest.type, at(name, l, c))).items;
  const aOps = await labels('A.ASM', 3, 8);
  const bOps = await labels('B.ASM', 1, 8);
  const has = (items, l) => items.some((i) => i.label === l);
  // MULF and RCALL are CX4A instructions the CX4B core lacks.
  assert.ok(has(aOps, 'MULF') && has(aOps, 'RCALL') && has(aOps, 'ORG'));
  assert.ok(has(bOps, 'CALL') && !has(bOps, 'RCALL') && !has(bOps, 'MULF'));
  assert.equal(aOps.find((i) => i.label === 'TWICE').insertText, 'TWICE ${1:SRC}, ${2:DST}');
  const bits = await labels('A.ASM', 4, 23);
  assert.ok(has(bits, 'GIE') && has(bits, 'E0IE'));
  const operands = await labels('A.ASM', 5, 16);
  assert.ok(has(operands, 'INTE0') && has(operands, 'STATUS') && !has(operands, 'MULF'));
  await s.stop();
});

test('semantic tokens of a macro-heavy file', async () => {
  write('S.ASM', 'ADD2    MACRO   A\n        ADDL    A ; add\n        ENDM\nTWO     MACRO   B\n        ADD2    B\n        ADD2    B\n        ENDM\n        TWO     10H\n');
  const s = await startServer({ chip: 'KXA1608' });
  s.open('S.ASM');
  const legend = s.init.capabilities.semanticTokensProvider.legend.tokenTypes;
  const { data } = await s.conn.sendRequest(rpc.SemanticTokensRequest.type, { textDocument: { uri: uri('S.ASM') } });
  const tokens = [];
  let line = 0, ch = 0;
  for (let i = 0; i < data.length; i += 5) {
    line += data[i];
    ch = data[i] === 0 && i > 0 ? ch + data[i + 1] : data[i + 1];
    tokens.push(`${line}:${ch}:${data[i + 2]}:${legend[data[i + 3]]}`);
  }
  assert.deepEqual(tokens, [
    '0:0:4:function', '0:8:5:macro',
    '1:8:4:keyword', '1:16:1:parameter', '1:18:5:comment', '2:8:4:macro',
    '3:0:3:function', '3:8:5:macro', '4:8:4:function', '4:16:1:parameter',
    '5:8:4:function', '5:16:1:parameter', '6:8:4:macro', '7:8:3:function', '7:16:3:number',
  ]);
  await s.stop();
});

test('formatting a messy file aligns the columns and keeps the words', async () => {
  write('F.ASM', 'start: mvl 5 ;go\n   ; note\n  addf  sum ,  1,0   ; add\nDONE:  JMP DONE\n');
  const s = await startServer({ chip: 'KXA1608' });
  s.open('F.ASM');
  const edits = await s.conn.sendRequest(rpc.DocumentFormattingRequest.type,
    { textDocument: { uri: uri('F.ASM') }, options: { tabSize: 8, insertSpaces: true } });
  assert.deepEqual(edits.map((e) => [e.range.start.line, e.newText]), [
    [0, 'start:  mvl     5               ;go'],
    [2, '        addf    sum ,  1,0      ; add'],
    [3, 'DONE:   JMP     DONE'],
  ]);
  await s.stop();
});

test('malformed frames get error answers and the server stays up', async () => {
  const proc = spawn(zerka, ['lsp'], { stdio: ['pipe', 'pipe', 'pipe'] });
  let out = '';
  proc.stdout.on('data', (d) => { out += d; });
  proc.stdin.write('Content-Length: 7\r\n\r\n{broken');
  proc.stdin.write('Content-Length: x\r\n\r\n');
  const body = JSON.stringify({ jsonrpc: '2.0', id: 9, method: 'shutdown' });
  proc.stdin.write(`Content-Length: ${body.length}\r\n\r\n${body}`);
  proc.stdin.end();
  const code = await new Promise((r) => proc.on('exit', r));
  const frames = out.split(/Content-Length: \d+\r\n\r\n/).filter(Boolean).map((f) => JSON.parse(f));
  assert.deepEqual(frames.map((f) => f.error?.code ?? 'ok'), [-32700, -32700, -32002]);
  assert.equal(code, 1); // the input ended without "exit"
});
