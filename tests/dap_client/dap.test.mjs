// zerka dap driven by the debug adapter test client that editors' adapters are tested with.
// ZERKA names the zerka executable. The programs are copied to a temporary folder first: a build
// writes its listing beside the main file.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import net from 'node:net';
import { spawn } from 'node:child_process';
import testsupport from '@vscode/debugadapter-testsupport';

const { DebugClient } = testsupport;
const here = path.dirname(new URL(import.meta.url).pathname);
const zerka = process.env.ZERKA;
assert.ok(zerka && fs.existsSync(zerka), 'ZERKA must name the built zerka executable');

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zerka-dap-'));
for (const f of fs.readdirSync(path.join(here, 'programs')))
    fs.copyFileSync(path.join(here, 'programs', f), path.join(work, f));
fs.copyFileSync(path.join(here, '../../examples/sum_cx4a.asm'), path.join(work, 'sum_cx4a.asm'));
const file = (name) => path.join(work, name);
// The line of the first source line that contains `text`.
const lineOf = (name, text) => {
    const lines = fs.readFileSync(file(name), 'utf8').split('\n');
    const i = lines.findIndex((l) => l.includes(text));
    assert.ok(i >= 0, `${text} in ${name}`);
    return i + 1;
};

after(() => fs.rmSync(work, { recursive: true, force: true }));

async function session(t) {
    const dc = new DebugClient(zerka, 'dap', 'zerka');
    dc.defaultTimeout = 10000;
    await dc.start();
    t.after(() => dc.stop());
    return dc;
}

// Initialize, launch, wait for initialized; stopped at the entry when asked.
async function launch(dc, args) {
    await dc.initializeRequest({ adapterID: 'zerka', linesStartAt1: true, columnsStartAt1: true });
    const initialized = dc.waitForEvent('initialized');
    await dc.launchRequest(args);
    await initialized;
}

async function topFrame(dc) {
    const st = await dc.stackTraceRequest({ threadId: 1 });
    return st.body.stackFrames;
}

async function evaluate(dc, expression, context = 'repl') {
    return (await dc.evaluateRequest({ expression, context })).body.result;
}

test('initialize answers the capabilities the adapter has', async (t) => {
    const dc = await session(t);
    const r = await dc.initializeRequest({ adapterID: 'zerka' });
    for (const c of ['supportsConfigurationDoneRequest', 'supportsReadMemoryRequest',
        'supportsWriteMemoryRequest', 'supportsDisassembleRequest', 'supportsInstructionBreakpoints',
        'supportsFunctionBreakpoints', 'supportsSetVariable', 'supportsEvaluateForHovers',
        'supportsSteppingGranularity', 'supportsRestartRequest', 'supportsTerminateRequest',
        'supportsValueFormattingOptions', 'supportsStepBack', 'supportsDataBreakpoints'])
        assert.equal(r.body[c], true, c);
});

test('launch errors: a missing program, an unknown chip, a program that does not assemble', async (t) => {
    const dc = await session(t);
    await dc.initializeRequest({ adapterID: 'zerka' });
    await assert.rejects(dc.launchRequest({ program: file('nothere.asm') }), /nothere\.asm.*does not exist/);
    await assert.rejects(dc.launchRequest({ program: file('calls.asm'), chip: 'NOCHIP' }), /no chip "NOCHIP"/);

    const dc2 = await session(t);
    await dc2.initializeRequest({ adapterID: 'zerka' });
    const out = [];
    dc2.on('output', (e) => out.push(e.body));
    await assert.rejects(dc2.launchRequest({ program: file('broken.asm'), chip: 'KXA1608' }),
        /Error\(code:\d+\).*broken\.asm 9/);
    const errors = out.filter((o) => o.category === 'stderr' && /broken\.asm:9: error \d+: /.test(o.output));
    assert.equal(errors.length, 1, JSON.stringify(out));
    assert.ok(!/Error\(code/.test(errors[0].output), 'the editor form has no log prefix');
});

test('the shipped example runs free to its sleep with the expected bytes', async (t) => {
    const dc = await session(t);
    await launch(dc, { program: file('sum_cx4a.asm'), chip: 'KXA1608' });
    const stopped = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    const e = await stopped;
    assert.equal(e.body.description, 'sleep');
    const frames = await topFrame(dc);
    // The PC has passed the SLP.
    assert.equal(frames[0].line, lineOf('sum_cx4a.asm', 'RJ      DONE'));
    for (const [name, value] of [['SUM', '0x0F'], ['TWICE', '0x1E'], ['TURNS', '0x05'], ['SQUARE', '0x24']])
        assert.equal(await evaluate(dc, name), value, name);
    assert.equal(await evaluate(dc, 'SUM', 'watch'), '0x0F');
});

test('breakpoints: a comment line in an INCLUDE file moves to its code, the call chain is the stack', async (t) => {
    const dc = await session(t);
    await launch(dc, { program: file('calls.asm'), chip: 'KXA1608' });
    const inc = file('addone.inc');
    const bump = lineOf('addone.inc', 'BUMP:');
    const set = await dc.setBreakpointsRequest({
        source: { path: inc }, breakpoints: [{ line: bump - 1 }, { line: 999 }] });
    assert.equal(set.body.breakpoints[0].verified, true);
    assert.equal(set.body.breakpoints[0].line, bump, 'the blank line moved to BUMP');
    assert.equal(set.body.breakpoints[1].verified, false);
    assert.match(set.body.breakpoints[1].message, /no code/);
    const stopped = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    assert.equal((await stopped).body.reason, 'breakpoint');
    const frames = await topFrame(dc);
    assert.equal(frames.length, 3);
    assert.equal(frames[0].source.path, inc);
    assert.equal(frames[0].line, bump);
    assert.match(frames[0].name, /^BUMP/);
    assert.equal(frames[1].line, lineOf('addone.inc', 'CALL    BUMP'));
    assert.match(frames[1].name, /^ADDONE/);
    assert.equal(frames[2].source.path, file('calls.asm'));
    assert.equal(frames[2].line, lineOf('calls.asm', 'CALL    ADDONE'));

    // stepOut twice: back in ADDONE after its CALL, then in the main file after its CALL.
    let s = dc.waitForEvent('stopped');
    await dc.stepOutRequest({ threadId: 1 });
    assert.equal((await s).body.reason, 'step');
    assert.equal((await topFrame(dc))[0].line, lineOf('addone.inc', 'ADDONE: CALL') + 1);
    s = dc.waitForEvent('stopped');
    await dc.stepOutRequest({ threadId: 1 });
    await s;
    const top = (await topFrame(dc))[0];
    assert.equal(top.source.path, file('calls.asm'));
    assert.equal(top.line, lineOf('calls.asm', 'DCSZ'));
    assert.equal(await evaluate(dc, 'TOTAL'), '0x01');

    // Removing the breakpoint: the next continue runs to the sleep.
    await dc.setBreakpointsRequest({ source: { path: inc }, breakpoints: [] });
    s = dc.waitForEvent('stopped');
    await dc.continueRequest({ threadId: 1 });
    assert.equal((await s).body.description, 'sleep');
    assert.equal(await evaluate(dc, 'TOTAL'), '0x06');
    assert.equal(await evaluate(dc, 'COPY'), '0x06');
});

test('next steps over a CALL and over a macro line; stepIn walks the macro body; function and instruction breakpoints', async (t) => {
    const dc = await session(t);
    await launch(dc, { program: file('calls.asm'), chip: 'KXA1608', stopOnEntry: true });
    const callLine = lineOf('calls.asm', 'CALL    ADDONE');
    await dc.setBreakpointsRequest({ source: { path: file('calls.asm') }, breakpoints: [{ line: callLine }] });
    let s = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    assert.equal((await s).body.reason, 'entry');
    s = dc.waitForEvent('stopped');
    await dc.continueRequest({ threadId: 1 });
    await s;
    assert.equal((await topFrame(dc))[0].line, callLine);
    s = dc.waitForEvent('stopped');
    await dc.nextRequest({ threadId: 1 });
    assert.equal((await s).body.reason, 'step');
    assert.equal((await topFrame(dc))[0].line, lineOf('calls.asm', 'DCSZ'));
    assert.equal(await evaluate(dc, 'TOTAL'), '0x01');

    // A breakpoint on the macro call line stops there; stepIn walks the body line by line
    // (its first line before the PC moves), then back to the line after the call.
    const macroLine = lineOf('calls.asm', 'TWICE   TOTAL');
    const body = lineOf('calls.asm', 'MVF     DST, TOW');
    await dc.setBreakpointsRequest({ source: { path: file('calls.asm') }, breakpoints: [{ line: macroLine }] });
    s = dc.waitForEvent('stopped');
    await dc.continueRequest({ threadId: 1 });
    assert.equal((await s).body.reason, 'breakpoint');
    let frame = (await topFrame(dc))[0];
    assert.equal(frame.line, macroLine);
    const pc = frame.instructionPointerReference;
    const walked = [];
    for (let i = 0; i < 3; ++i) {
        s = dc.waitForEvent('stopped');
        await dc.stepInRequest({ threadId: 1 });
        await s;
        frame = (await topFrame(dc))[0];
        walked.push([frame.line, frame.instructionPointerReference === pc]);
    }
    assert.deepEqual(walked, [[body, true], [body + 1, false], [macroLine + 1, false]]);

    // next on the macro call line runs the whole expansion; a function breakpoint by label
    // (any case) stops at DONE; the disassembly's instruction breakpoint likewise.
    const dc2 = await session(t);
    await launch(dc2, { program: file('calls.asm'), chip: 'KXA1608', stopOnEntry: true });
    await dc2.setBreakpointsRequest({ source: { path: file('calls.asm') }, breakpoints: [{ line: macroLine }] });
    const fb = await dc2.setFunctionBreakpointsRequest({ breakpoints: [{ name: 'done' }, { name: 'NOWHERE' }] });
    assert.equal(fb.body.breakpoints[0].line, lineOf('calls.asm', 'DONE:'));
    assert.equal(fb.body.breakpoints[1].verified, false);
    s = dc2.waitForEvent('stopped');
    await dc2.configurationDoneRequest();
    await s;
    s = dc2.waitForEvent('stopped');
    await dc2.continueRequest({ threadId: 1 });
    await s;
    s = dc2.waitForEvent('stopped');
    await dc2.nextRequest({ threadId: 1 });
    await s;
    assert.equal((await topFrame(dc2))[0].line, macroLine + 1);
    assert.equal(await evaluate(dc2, 'TOTAL'), '0x06');
    s = dc2.waitForEvent('stopped');
    await dc2.continueRequest({ threadId: 1 });
    assert.equal((await s).body.reason, 'function breakpoint');
    assert.equal((await topFrame(dc2))[0].line, lineOf('calls.asm', 'DONE:'));
    await dc2.setFunctionBreakpointsRequest({ breakpoints: [] });
    const dis = (await dc2.disassembleRequest({ memoryReference: 'program', instructionCount: 64 })).body.instructions;
    const bump = dis.find((i) => i.symbol === 'BUMP');
    const ib = await dc2.customRequest('setInstructionBreakpoints', { breakpoints: [{ instructionReference: bump.address }] });
    assert.equal(ib.body.breakpoints[0].verified, true);
    s = dc2.waitForEvent('stopped');
    await dc2.restartRequest({});
    assert.equal((await s).body.reason, 'entry');
    s = dc2.waitForEvent('stopped');
    await dc2.continueRequest({ threadId: 1 });
    assert.equal((await s).body.reason, 'instruction breakpoint');
    assert.equal((await topFrame(dc2))[0].instructionPointerReference, bump.address);
});

test('variables, setVariable, evaluate, memory and disassembly', async (t) => {
    const dc = await session(t);
    await launch(dc, { program: file('calls.asm'), chip: 'KXA1608', stopOnEntry: true });
    let s = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    await s;
    const scopes = (await dc.scopesRequest({ frameId: 1000 })).body.scopes;
    assert.deepEqual(scopes.map((x) => x.name), ['Registers', 'Data memory', 'Symbols']);
    const regs = (await dc.variablesRequest({ variablesReference: scopes[0].variablesReference })).body.variables;
    const status = regs.find((v) => v.name === 'STATUS');
    assert.ok(status && status.variablesReference > 0);
    const bits = (await dc.variablesRequest({ variablesReference: status.variablesReference })).body.variables;
    assert.deepEqual(bits.map((b) => b.name.split(' ')[0]), ['C', 'DC', 'N', 'OV', 'Z']);
    assert.equal(regs.find((v) => v.name === 'PC').value, '0x0000');

    // A register edit goes through and is read back; so does a symbol's byte.
    const w = await dc.setVariableRequest({ variablesReference: scopes[0].variablesReference, name: 'W', value: '0x5A' });
    assert.equal(w.body.value, '0x5A');
    assert.equal(await evaluate(dc, 'W'), '0x5A');
    const total = await dc.setVariableRequest({ variablesReference: scopes[2].variablesReference, name: 'TOTAL', value: '7' });
    assert.equal(total.body.value, '0x07');
    assert.equal(await evaluate(dc, 'TOTAL'), '0x07');
    await assert.rejects(dc.setVariableRequest({ variablesReference: scopes[2].variablesReference, name: 'TOTAL', value: '300' }), /not a byte/);
    // Decimal on request; expressions in the assembler's syntax name data addresses.
    assert.equal((await dc.evaluateRequest({ expression: 'TOTAL', context: 'watch', format: { hex: false } })).body.result, '7');
    await dc.evaluateRequest({ expression: 'TOTAL', context: 'watch', format: { hex: true } });
    assert.equal((await dc.evaluateRequest({ expression: 'COUNT+1', context: 'watch' })).body.type, 'byte at 0x0081');
    assert.equal((await dc.evaluateRequest({ expression: '81H', context: 'watch' })).body.result, '0x07');
    assert.match(await evaluate(dc, 'ADDONE', 'hover'), /^label at 0x00[0-9A-F]{2}, addone\.inc line 3$/);
    await assert.rejects(dc.evaluateRequest({ expression: 'NOSUCH', context: 'repl' }), /neither/);

    // Data memory: banks of 16-byte rows, paged.
    const data = (await dc.variablesRequest({ variablesReference: scopes[1].variablesReference })).body.variables;
    assert.ok(data.length >= 1 && data[0].indexedVariables > 0);
    const rows = (await dc.variablesRequest({ variablesReference: data[0].variablesReference, filter: 'indexed', start: 0, count: 2 })).body.variables;
    assert.deepEqual(rows.map((r) => r.name), ['0x0080', '0x0090']);
    assert.match(rows[0].value, /^00 07 /);

    // readMemory / writeMemory on data and program memory.
    const wr = await dc.customRequest('writeMemory', { memoryReference: 'data', offset: 0x80, data: Buffer.from([0x11, 0x22]).toString('base64') });
    assert.equal(wr.body.bytesWritten, 2);
    const rd = await dc.customRequest('readMemory', { memoryReference: 'data', offset: 0x80, count: 3 });
    assert.deepEqual([...Buffer.from(rd.body.data, 'base64')], [0x11, 0x22, 0x00]);
    assert.equal(await evaluate(dc, 'TOTAL'), '0x22');
    const prog = await dc.customRequest('readMemory', { memoryReference: 'program', offset: 0, count: 4 });
    const word0 = (await evaluate(dc, '@0')).slice(2);
    assert.equal(Buffer.from(prog.body.data, 'base64').toString('hex').toUpperCase().slice(0, 4), word0);
    await assert.rejects(dc.customRequest('writeMemory', { memoryReference: 'program', offset: 1, data: 'AAA=' }), /whole words/);
    await dc.customRequest('writeMemory', { memoryReference: 'program', offset: 0x40, data: Buffer.from([0x12, 0x34]).toString('base64') });
    assert.equal(await evaluate(dc, '@0x20'), '0x1234');

    // Disassembly: address, raw word, text, symbol and line.
    const dis = (await dc.disassembleRequest({ memoryReference: 'program', instructionCount: 8 })).body.instructions;
    assert.equal(dis[0].address, '0x0000');
    assert.match(dis[0].instruction, /^RJ/, 'the smart compiler made the JMP relative');
    assert.equal(dis[0].line, lineOf('calls.asm', 'JMP     START'));
    const start = dis.find((i) => i.symbol === 'START');
    assert.ok(start && /^CLRF/.test(start.instruction), JSON.stringify(dis));
});

test('data breakpoints stop after the instruction that changed the byte, also inside a step over', async (t) => {
    const dc = await session(t);
    await launch(dc, { program: file('calls.asm'), chip: 'KXA1608', stopOnEntry: true });
    let s = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    await s;
    const info = await dc.customRequest('dataBreakpointInfo', { name: 'TOTAL' });
    assert.deepEqual(info.body.accessTypes, ['write']);
    assert.match(info.body.description, /^TOTAL \(0x0081\)/);
    const scopes = (await dc.scopesRequest({ frameId: 1000 })).body.scopes;
    const regInfo = await dc.customRequest('dataBreakpointInfo', { name: 'STATUS', variablesReference: scopes[0].variablesReference });
    assert.match(regInfo.body.dataId, /^0x/);
    const none = await dc.customRequest('dataBreakpointInfo', { name: 'NOSUCH' });
    assert.equal(none.body.dataId, null);
    assert.match(none.body.description, /neither/);
    const set = await dc.customRequest('setDataBreakpoints', { breakpoints: [
        { dataId: info.body.dataId, accessType: 'write' },
        { dataId: info.body.dataId, accessType: 'readWrite' },
        { dataId: '0x9999:FAR', accessType: 'write' }] });
    assert.deepEqual(set.body.breakpoints.map((b) => b.verified), [true, false, false]);
    assert.match(set.body.breakpoints[1].message, /not a read/);
    assert.match(set.body.breakpoints[2].message, /not a data address/);
    const id = set.body.breakpoints[0].id;

    // CLRF TOTAL leaves it 0: the first change is BUMP's increment, the stop is on the word after it.
    const after = lineOf('addone.inc', 'INF     TOTAL') + 1;
    const stop = async (request) => {
        const stopped = dc.waitForEvent('stopped');
        await dc[request]({ threadId: 1 });
        const e = (await stopped).body;
        return { reason: e.reason, ids: e.hitBreakpointIds, text: e.text, line: (await topFrame(dc))[0].line, total: await evaluate(dc, 'TOTAL') };
    };
    assert.deepEqual(await stop('continueRequest'),
        { reason: 'data breakpoint', ids: [id], text: 'TOTAL (0x0081): 0x00 -> 0x01', line: after, total: '0x01' });
    // Back in the main file, a step over the CALL stops inside it where TOTAL changes.
    await stop('stepOutRequest');
    await stop('stepOutRequest');
    assert.equal((await topFrame(dc))[0].line, lineOf('calls.asm', 'DCSZ'));
    await stop('nextRequest');
    assert.equal((await stop('nextRequest')).line, lineOf('calls.asm', 'CALL    ADDONE'));
    const inside = await stop('nextRequest');
    assert.deepEqual([inside.reason, inside.line, inside.total], ['data breakpoint', after, '0x02']);
    // Cleared: the run goes to the sleep.
    await dc.customRequest('setDataBreakpoints', { breakpoints: [] });
    const end = await stop('continueRequest');
    assert.deepEqual([end.reason, end.total], ['pause', '0x06']);
});

test('a data breakpoint deep in a free run finds the exact instruction, in an interrupt too', async (t) => {
    const dc = await session(t);
    await launch(dc, { program: file('churn.asm'), chip: 'KXA1608', stopOnEntry: true });
    let s = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    await s;
    // TICKS changes only in the timer interrupt, thousands of instructions into the run.
    const info = await dc.customRequest('dataBreakpointInfo', { name: '91H' });
    const set = await dc.customRequest('setDataBreakpoints', { breakpoints: [{ dataId: info.body.dataId }] });
    for (const value of ['0x01', '0x02']) {
        s = dc.waitForEvent('stopped');
        await dc.continueRequest({ threadId: 1 });
        assert.equal((await s).body.reason, 'data breakpoint');
        assert.equal(await evaluate(dc, 'TICKS'), value);
        assert.equal((await topFrame(dc))[0].line, lineOf('churn.asm', 'RETI'));
        // One instruction back the byte is as it was.
        s = dc.waitForEvent('stopped');
        await dc.stepBackRequest({ threadId: 1 });
        await s;
        assert.equal(await evaluate(dc, 'TICKS'), '0x0' + (Number(value) - 1));
        s = dc.waitForEvent('stopped');
        await dc.stepInRequest({ threadId: 1, granularity: 'instruction' });
        await s;
    }
    // Backwards the data breakpoint stops at the change before: TICKS as it became 1.
    s = dc.waitForEvent('stopped');
    await dc.reverseContinueRequest({ threadId: 1 });
    const back = (await s).body;
    assert.equal(back.reason, 'data breakpoint');
    assert.deepEqual(back.hitBreakpointIds, [set.body.breakpoints[0].id]);
    assert.equal(await evaluate(dc, 'TICKS'), '0x01');
    assert.equal((await topFrame(dc))[0].line, lineOf('churn.asm', 'RETI'));
    s = dc.waitForEvent('stopped');
    await dc.reverseContinueRequest({ threadId: 1 });
    assert.equal((await s).body.description, 'oldest recorded point');
    assert.equal(await evaluate(dc, 'TICKS'), '0x00');
});

test('stepBack and reverseContinue put the whole state back', async (t) => {
    const dc = await session(t);
    await launch(dc, { program: file('calls.asm'), chip: 'KXA1608', stopOnEntry: true });
    const bump = lineOf('addone.inc', 'BUMP:');
    await dc.setBreakpointsRequest({ source: { path: file('addone.inc') }, breakpoints: [{ line: bump }] });
    let s = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    await s;
    const step = async (request, args = { threadId: 1 }) => {
        const stopped = dc.waitForEvent('stopped');
        await dc[request](args);
        const e = await stopped;
        const f = (await topFrame(dc))[0];
        return { reason: e.body.reason, description: e.body.description, line: f.line, pc: f.instructionPointerReference, total: await evaluate(dc, 'TOTAL'), sp: await evaluate(dc, 'STKPTR') };
    };
    const first = await step('continueRequest');
    const second = await step('continueRequest');
    assert.deepEqual([first.total, second.total], ['0x00', '0x01']);
    // Back to the first hit: TOTAL and the stack as they were there.
    const back = await step('reverseContinueRequest');
    assert.deepEqual(back, { ...first, reason: 'breakpoint' });
    // One instruction back: the CALL BUMP in ADDONE, one level less on the stack.
    const before = await step('stepBackRequest');
    assert.equal(before.line, lineOf('addone.inc', 'ADDONE: CALL'));
    assert.notEqual(before.sp, first.sp);
    // No earlier hit: the oldest recorded point, the entry.
    const oldest = await step('reverseContinueRequest');
    assert.equal(oldest.description, 'oldest recorded point');
    assert.equal(oldest.pc, '0x0000');
    const none = await step('stepBackRequest');
    assert.equal(none.pc, '0x0000');
    // Forward again from the entry: the same first hit.
    assert.deepEqual(await step('continueRequest'), first);
});

test('the same session on the virtual emulator unit; reverse is refused, a lost unit ends the session', async (t) => {
    const sock = path.join(work, 'unit.sock');
    const unit = spawn(zerka, ['target', '--listen', `unix:${sock}`, '--chip', 'KXA1608'], { stdio: ['ignore', 'pipe', 'pipe'] });
    t.after(() => unit.kill());
    await new Promise((resolve) => unit.stderr.on('data', (d) => { if (/serving/.test(d)) resolve(); }));
    const dc = await session(t);
    const caps = [];
    dc.on('capabilities', (e) => caps.push(e.body.capabilities));
    await launch(dc, { program: file('calls.asm'), chip: 'KXA1608', target: 'emulator', connect: `unix:${sock}`, stopOnEntry: true });
    assert.deepEqual(caps, [{ supportsStepBack: false }]);
    const bump = lineOf('addone.inc', 'BUMP:');
    const set = await dc.setBreakpointsRequest({ source: { path: file('addone.inc') }, breakpoints: [{ line: bump }] });
    assert.equal(set.body.breakpoints[0].verified, true);
    let s = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    assert.equal((await s).body.reason, 'entry');
    s = dc.waitForEvent('stopped');
    await dc.continueRequest({ threadId: 1 });
    assert.equal((await s).body.reason, 'breakpoint');
    const frames = await topFrame(dc);
    assert.equal(frames[0].line, bump);
    assert.equal(frames.length, 3);
    s = dc.waitForEvent('stopped');
    await dc.stepOutRequest({ threadId: 1 });
    await s;
    assert.equal((await topFrame(dc))[0].line, lineOf('addone.inc', 'ADDONE: CALL') + 1);
    assert.equal(await evaluate(dc, 'TOTAL'), '0x01');
    // The unit's data watch: the byte changing to a value, one at a time.
    await dc.setBreakpointsRequest({ source: { path: file('addone.inc') }, breakpoints: [] });
    const watch = await dc.customRequest('dataBreakpointInfo', { name: 'TOTAL' });
    assert.match(watch.body.description, /condition/);
    const ws = await dc.customRequest('setDataBreakpoints', { breakpoints: [
        { dataId: watch.body.dataId }, { dataId: watch.body.dataId, condition: '== 0x03' },
        { dataId: watch.body.dataId, condition: '& 0x0F == 2' }] });
    assert.deepEqual(ws.body.breakpoints.map((b) => b.verified), [false, true, false]);
    assert.match(ws.body.breakpoints[0].message, /== 0x05/);
    assert.match(ws.body.breakpoints[2].message, /one data watch/);
    s = dc.waitForEvent('stopped');
    await dc.continueRequest({ threadId: 1 });
    const watched = (await s).body;
    assert.deepEqual([watched.reason, watched.hitBreakpointIds], ['data breakpoint', [ws.body.breakpoints[1].id]]);
    assert.equal(await evaluate(dc, 'TOTAL'), '0x03');
    await dc.customRequest('setDataBreakpoints', { breakpoints: [] });
    const scopes = (await dc.scopesRequest({ frameId: 1000 })).body.scopes;
    const w = await dc.setVariableRequest({ variablesReference: scopes[2].variablesReference, name: 'TOTAL', value: '0x40' });
    assert.equal(w.body.value, '0x40', 'written to the unit and read back');
    await assert.rejects(dc.stepBackRequest({ threadId: 1 }), /emulator cannot restore/);
    await assert.rejects(dc.customRequest('writeMemory', { memoryReference: 'program', offset: 0, data: 'AAA=' }), /written by a build/);
    // The unit goes away: a clear message and the end of the session, no hang.
    const out = [];
    dc.on('output', (e) => out.push(e.body.output));
    const ended = dc.waitForEvent('terminated');
    unit.kill();
    await new Promise((resolve) => unit.on('exit', resolve));
    await dc.stepInRequest({ threadId: 1 });
    await ended;
    assert.ok(out.some((o) => /link to the target unit was lost \(unix:/.test(o)), out.join(''));
});

test('an emulator unit that does not answer fails the launch and names it', async (t) => {
    const dc = await session(t);
    await dc.initializeRequest({ adapterID: 'zerka' });
    await assert.rejects(dc.launchRequest({ program: file('calls.asm'), chip: 'KXA1608', target: 'emulator', connect: `unix:${path.join(work, 'nobody.sock')}` }),
        /nobody\.sock|Connect Error/);
});

test('a chip the unit does not hold fails the launch in words; a unit killed during a run ends the session', async (t) => {
    const sock = path.join(work, 'unit2.sock');
    const unit = spawn(zerka, ['target', '--listen', `unix:${sock}`, '--chip', 'KXA1608'], { stdio: ['ignore', 'pipe', 'pipe'] });
    t.after(() => unit.kill());
    await new Promise((resolve) => unit.stderr.on('data', (d) => { if (/serving/.test(d)) resolve(); }));
    const dc = await session(t);
    await dc.initializeRequest({ adapterID: 'zerka' });
    await assert.rejects(dc.launchRequest({ program: file('spin.asm'), chip: 'KXB0402', target: 'emulator', connect: `unix:${sock}` }),
        /emulator at unix:.*unit2\.sock could not be brought up.*ICE Chip ID Error/);

    const dc2 = await session(t);
    await launch(dc2, { program: file('spin.asm'), chip: 'KXA1608', target: 'emulator', connect: `unix:${sock}` });
    const out = [];
    dc2.on('output', (e) => out.push(e.body.output));
    const ended = dc2.waitForEvent('terminated');
    await dc2.configurationDoneRequest();
    await new Promise((r) => setTimeout(r, 300));
    unit.kill();
    await ended;
    assert.ok(out.some((o) => /link to the target unit was lost/.test(o)), out.join(''));
    // The adapter still answers.
    assert.equal((await dc2.threadsRequest()).body.threads.length, 1);
});

test('pause stops a free run; restart starts again from the entry', async (t) => {
    const dc = await session(t);
    await launch(dc, { program: file('spin.asm'), chip: 'KXA1608' });
    await dc.configurationDoneRequest();
    await new Promise((r) => setTimeout(r, 200));
    const s = dc.waitForEvent('stopped');
    const asked = Date.now();
    await dc.pauseRequest({ threadId: 1 });
    assert.equal((await s).body.reason, 'pause');
    assert.ok(Date.now() - asked < 1000, 'pause answered at once');
    assert.notEqual(await evaluate(dc, '90H'), undefined);
    const before = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0].line;
    assert.ok(before >= lineOf('spin.asm', 'SPIN:'));
    // restart: the run starts over (stopOnEntry was not asked: it runs, and pause stops it again).
    await dc.restartRequest({});
    const s2 = dc.waitForEvent('stopped');
    await dc.pauseRequest({ threadId: 1 });
    assert.equal((await s2).body.reason, 'pause');
    const t2 = dc.waitForEvent('terminated');
    await dc.terminateRequest({});
    await t2;
});

test('restart after an edit assembles again and keeps the breakpoints', async (t) => {
    const name = 'edited.asm';
    fs.copyFileSync(file('calls.asm'), file(name));
    const dc = await session(t);
    await launch(dc, { program: file(name), chip: 'KXA1608', stopOnEntry: true });
    await dc.setFunctionBreakpointsRequest({ breakpoints: [{ name: 'DONE' }] });
    let s = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    await s;
    // Five turns instead of three.
    const text = fs.readFileSync(file(name), 'utf8').replace('MVL     3\n        MVF     COUNT', 'MVL     5\n        MVF     COUNT');
    await new Promise((r) => setTimeout(r, 20));
    fs.writeFileSync(file(name), text);
    s = dc.waitForEvent('stopped');
    await dc.restartRequest({});
    assert.equal((await s).body.reason, 'entry');
    s = dc.waitForEvent('stopped');
    await dc.continueRequest({ threadId: 1 });
    assert.equal((await s).body.reason, 'function breakpoint');
    assert.equal(await evaluate(dc, 'TOTAL'), '0x0A');
});

test('--listen serves one client on a loopback port', async (t) => {
    const port = await new Promise((resolve) => {
        const srv = net.createServer();
        srv.listen(0, '127.0.0.1', () => {
            const p = srv.address().port;
            srv.close(() => resolve(p));
        });
    });
    const child = spawn(zerka, ['dap', '--listen', `tcp:127.0.0.1:${port}`], { stdio: ['ignore', 'pipe', 'pipe'] });
    t.after(() => child.kill());
    let stdout = '';
    child.stdout.on('data', (d) => { stdout += d; });
    await new Promise((resolve) => child.stderr.on('data', (d) => { if (/listening/.test(d)) resolve(); }));
    const dc = new DebugClient(zerka, 'dap', 'zerka');
    await dc.start(port);
    await launch(dc, { program: file('sum_cx4a.asm'), chip: 'KXA1608' });
    const s = dc.waitForEvent('stopped');
    await dc.configurationDoneRequest();
    assert.equal((await s).body.description, 'sleep');
    assert.equal(await evaluate(dc, 'SUM'), '0x0F');
    await dc.disconnectRequest({});
    const code = await new Promise((resolve) => child.on('exit', resolve));
    assert.equal(code, 0);
    assert.equal(stdout, '', 'nothing on standard output in listen mode');
});
