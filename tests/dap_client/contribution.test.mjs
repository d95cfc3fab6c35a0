// The VS Code extension's debugger contribution against the adapter it starts: every attribute
// of a snippet is declared, every declared attribute is one the adapter takes, and each snippet
// launches a shipped example. ZERKA names the zerka executable.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { spawn } from 'node:child_process';
import testsupport from '@vscode/debugadapter-testsupport';

const { DebugClient } = testsupport;
const here = path.dirname(new URL(import.meta.url).pathname);
const zerka = process.env.ZERKA;
assert.ok(zerka && fs.existsSync(zerka), 'ZERKA must name the built zerka executable');
const pkg = JSON.parse(fs.readFileSync(path.join(here, '../../editors/vscode/package.json'), 'utf8'));
const debuggers = pkg.contributes.debuggers;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zerka-vscode-'));
fs.copyFileSync(path.join(here, '../../examples/sum_cx4a.asm'), path.join(work, 'main.asm'));
after(() => fs.rmSync(work, { recursive: true, force: true }));

// A snippet body as VS Code inserts it with its placeholders at their defaults.
function expand(value, unitSocket) {
    if (typeof value !== 'string') return value;
    let v = value.replace(/^\^"(.*)"$/, '$1').replace(/\\\$/g, '$');
    v = v.replace(/\$\{\d+:([^}]*)\}/g, '$1').replace(/\$\{workspaceFolder\}/g, work);
    return v.startsWith('unix:') ? `unix:${unitSocket}` : v;
}

async function serveUnit(t) {
    const sock = path.join(work, `unit${Math.random().toString(36).slice(2)}.sock`);
    const unit = spawn(zerka, ['target', '--listen', `unix:${sock}`, '--chip', 'KXA1608'], { stdio: ['ignore', 'pipe', 'pipe'] });
    t.after(() => unit.kill());
    await new Promise((resolve) => unit.stderr.on('data', (d) => { if (/serving/.test(d)) resolve(); }));
    return sock;
}

// Launches `config` and stops at the entry; the console messages of the adapter.
async function launchAndStop(t, config) {
    const dc = new DebugClient(zerka, 'dap', 'zerka');
    dc.defaultTimeout = 10000;
    await dc.start();
    t.after(() => dc.stop());
    const out = [];
    dc.on('output', (e) => out.push(e.body.output));
    await dc.initializeRequest({ adapterID: config.type, linesStartAt1: true, columnsStartAt1: true });
    const initialized = dc.waitForEvent('initialized');
    await dc.launchRequest(config);
    await initialized;
    const stopped = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    assert.equal((await stopped).body.reason, 'entry');
    const frame = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0];
    assert.equal(frame.source.path, path.join(work, 'main.asm'));
    return out.join('');
}

test('the contribution declares the debugger type zerka with launch attributes and both snippets', () => {
    assert.equal(debuggers.length, 1);
    assert.equal(debuggers[0].type, 'zerka');
    const launch = debuggers[0].configurationAttributes.launch;
    assert.deepEqual(launch.required, ['program']);
    const declared = Object.keys(launch.properties);
    const labels = debuggers[0].configurationSnippets.map((s) => s.label);
    assert.deepEqual(labels, ['Zerka: debug on the simulator', 'Zerka: debug on the emulator']);
    for (const s of debuggers[0].configurationSnippets)
        for (const key of Object.keys(s.body))
            if (!['type', 'request', 'name'].includes(key)) assert.ok(declared.includes(key), `${s.label}: ${key} is declared`);
    assert.ok(pkg.contributes.breakpoints.some((b) => b.language === 'zerka-asm'));
});

for (const snippet of debuggers[0].configurationSnippets) {
    test(`the snippet "${snippet.label}" launches a shipped example`, async (t) => {
        const config = {};
        const sock = snippet.body.target === 'emulator' ? await serveUnit(t) : '';
        for (const [k, v] of Object.entries(snippet.body)) config[k] = expand(v, sock);
        const out = await launchAndStop(t, config);
        assert.doesNotMatch(out, /not known/);
    });
}

test('every declared attribute is one the adapter takes; a misspelt one is named', async (t) => {
    const props = debuggers[0].configurationAttributes.launch.properties;
    const sock = await serveUnit(t);
    const sample = {
        program: path.join(work, 'main.asm'), chip: 'KXA1608', lib: path.join(path.dirname(zerka), 'INCLUDE'),
        include: [work], target: 'emulator', connect: `unix:${sock}`, stopOnEntry: true,
    };
    const config = { type: 'zerka', request: 'launch', name: 'all' };
    for (const [key, p] of Object.entries(props)) {
        if (key in sample) config[key] = sample[key];
        else if (p.type === 'boolean') config[key] = false;
        else if (p.enum) config[key] = p.enum[0];
        else assert.fail(`no sample value for ${key}`);
    }
    assert.doesNotMatch(await launchAndStop(t, config), /not known/);
    const out = await launchAndStop(t, { type: 'zerka', request: 'launch', name: 'typo',
        program: path.join(work, 'main.asm'), chip: 'KXA1608', stopOnEntry: true, stopOnEntri: true });
    assert.match(out, /launch attribute "stopOnEntri" is not known/);
});
