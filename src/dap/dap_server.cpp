#include "dap/dap_server.h"

#include "asm/expression.h"
#include "core/number.h"
#include "core/text.h"
#include "upcentre/run/step_rules.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <set>

namespace zerka::dap {

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

constexpr int kThreadId = 1;
// Variable references: the scopes, then a register's bits, a bank's rows and a row's bytes.
constexpr int kRegistersRef = 1;
constexpr int kDataRef = 2;
constexpr int kSymbolsRef = 3;
constexpr int kBitsRef = 0x10000;  // + data address
constexpr int kBankRef = 0x20000;  // + bank index
constexpr int kRowRef = 0x30000;   // + row start address
constexpr int kFrameStride = 1000; // frame ids: level + 1
constexpr uint32_t kRowBytes = 16;

const char* const kStatusBits[8] = {"-", "-", "-", "C", "DC", "N", "OV", "Z"};
const char* const kStackBits[8] = {"FULL", "UNDERFLOW", "OVERFLOW", "-", "-", "-", "-", "-"};

std::string base64Encode(const std::vector<uint8_t>& bytes) {
    static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += t[v >> 18], out += t[(v >> 12) & 63], out += t[(v >> 6) & 63], out += t[v & 63];
    }
    if (i + 1 == bytes.size()) {
        const uint32_t v = bytes[i] << 16;
        out += t[v >> 18], out += t[(v >> 12) & 63], out += "==";
    } else if (i + 2 == bytes.size()) {
        const uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8);
        out += t[v >> 18], out += t[(v >> 12) & 63], out += t[(v >> 6) & 63], out += '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> base64Decode(const std::string& s) {
    std::vector<uint8_t> out;
    uint32_t acc = 0;
    int bits = 0;
    for (char c : s) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=')
            break;
        else
            return std::nullopt;
        acc = (acc << 6) | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(uint8_t(acc >> bits));
        }
    }
    return out;
}

// "0x0012", "0012H", "18": a number in the client's or the assembler's notation.
std::optional<int64_t> numberOf(std::string text) {
    while (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        try {
            size_t used = 0;
            const long long v = std::stoll(text.substr(2), &used, 16);
            if (used == text.size() - 2) return v;
        } catch (...) {
        }
        return std::nullopt;
    }
    if (const auto v = parseNumber(toUpperAscii(text))) return *v;
    return std::nullopt;
}

// The emulator's watch condition: "== V" or "& M == V" (M = 0xFF when not given).
bool watchCondition(std::string text, uint8_t* mask, uint8_t* data) {
    std::erase(text, ' ');
    uint8_t m = 0xFF;
    if (!text.empty() && text.front() == '&') {
        const size_t eq = text.find("==");
        if (eq == std::string::npos) return false;
        const auto v = numberOf(text.substr(1, eq - 1));
        if (!v || *v <= 0 || *v > 255) return false;
        m = uint8_t(*v);
        text.erase(0, eq);
    }
    if (!text.starts_with("==")) return false;
    const auto v = numberOf(text.substr(2));
    if (!v || *v < 0 || *v > 255) return false;
    *mask = m;
    *data = uint8_t(*v);
    return true;
}

// The reply entry all breakpoint kinds share: the id, whether it holds, and why it does not.
json breakpointReply(int id, bool verified, const std::string& message) {
    json j{{"id", id}, {"verified", verified}};
    if (!message.empty()) j["message"] = message;
    return j;
}

bool samePath(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

} // namespace

DapServer::DapServer(int inFd, int outFd, std::ostream* log) : in_(inFd), out_(outFd), log_(log) {}

DapServer::~DapServer() = default;

// --- the stream ---------------------------------------------------------------------------------

bool DapServer::pump(int timeoutMs) {
    if (closed_) return false;
    pollfd p{in_, POLLIN, 0};
    const int n = ::poll(&p, 1, timeoutMs);
    if (n < 0) return errno == EINTR;
    if (n == 0) return true;
    char buffer[65536];
    const ssize_t got = ::read(in_, buffer, sizeof buffer);
    if (got < 0) return errno == EINTR || errno == EAGAIN;
    if (got == 0) {
        closed_ = true;
        return false;
    }
    reader_.feed(std::string_view(buffer, size_t(got)));
    while (std::optional<Frame> f = reader_.next()) {
        if (!f->ok) {
            output("stderr", "zerka dap: " + f->error + "\n");
            continue;
        }
        json m = json::parse(f->body, nullptr, false);
        if (m.is_discarded() || !m.is_object() || m.value("type", "") != "request" ||
            !m.contains("command") || !m["command"].is_string()) {
            output("stderr", "zerka dap: a message that is not a request was ignored\n");
            continue;
        }
        queue_.push_back(std::move(m));
    }
    return true;
}

void DapServer::send(const json& message) {
    json m = message;
    m["seq"] = seq_++;
    const std::string frame = frameBody(m.dump(-1, ' ', false, json::error_handler_t::replace));
    size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = ::write(out_, frame.data() + done, frame.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            closed_ = true; // the client went away: nothing more can be said
            return;
        }
        done += size_t(n);
    }
}

void DapServer::respond(const json& request, const json& body) {
    json m{{"type", "response"},
           {"request_seq", request.value("seq", 0)},
           {"success", true},
           {"command", request["command"]}};
    if (!body.empty()) m["body"] = body;
    send(m);
}

void DapServer::fail(const json& request, const std::string& message) {
    send({{"type", "response"},
          {"request_seq", request.value("seq", 0)},
          {"success", false},
          {"command", request["command"]},
          {"message", message},
          {"body", {{"error", {{"id", 1}, {"format", message}, {"showUser", true}}}}}});
}

void DapServer::event(const std::string& name, const json& body) {
    json m{{"type", "event"}, {"event", name}};
    if (!body.empty()) m["body"] = body;
    send(m);
}

void DapServer::output(const std::string& category, const std::string& text) {
    event("output", {{"category", category}, {"output", text}});
    if (log_ && category == "stderr") *log_ << text;
}

Button DapServer::messageBox(MessageType, const std::string& text, Buttons buttons) {
    // Nobody can press the unit's button through the protocol: a sleep is a stop reason.
    if (text != TZk_UP::kAsleepMessage) output("console", text + "\n");
    lastMessage_ = text;
    return buttons == Buttons::Ok ? Button::Ok : Button::Cancel;
}

// --- the loop -----------------------------------------------------------------------------------

int DapServer::serve() {
    while (!done_) {
        if (queue_.empty() && !pump(-1)) break;
        while (!queue_.empty() && !done_) {
            json r = std::move(queue_.front());
            queue_.pop_front();
            dispatch(r);
        }
    }
    return 0;
}

bool DapServer::ready(const json& r) {
    if (launched_) return true;
    fail(r, "no program has been launched");
    return false;
}

void DapServer::dispatch(const json& r) {
    const std::string c = r["command"];
    const json& a = r.contains("arguments") ? r["arguments"] : json::object();
    try {
        if (c == "initialize") return initialize(r);
        if (c == "launch") return launch(r);
        if (c == "attach") return fail(r, "attach is not offered: use launch");
        if (c == "disconnect") return terminate(r, true);
        if (c == "terminate") return terminate(r, false);
        if (c == "threads") return threads(r);
        if (c == "setExceptionBreakpoints") return respond(r, {{"breakpoints", json::array()}});
        if (!ready(r)) return;
        if (c == "configurationDone") return configurationDone(r);
        if (c == "setBreakpoints") return setBreakpoints(r);
        if (c == "setInstructionBreakpoints") return setInstructionBreakpoints(r);
        if (c == "setFunctionBreakpoints") return setFunctionBreakpoints(r);
        if (c == "dataBreakpointInfo") return dataBreakpointInfo(r);
        if (c == "setDataBreakpoints") return setDataBreakpoints(r);
        if (c == "stackTrace") return stackTrace(r);
        if (c == "scopes") return scopes(r);
        if (c == "variables") return variables(r);
        if (c == "setVariable") return setVariable(r);
        if (c == "evaluate") return evaluate(r);
        if (c == "readMemory") return readMemory(r);
        if (c == "writeMemory") return writeMemory(r);
        if (c == "disassemble") return disassemble(r);
        if (c == "restart") return restart(r);
        if (c == "continue") return runControl(r, RunKind::Continue);
        if (c == "next") return runControl(r, RunKind::Next);
        if (c == "stepIn")
            return runControl(r, a.value("granularity", "") == "instruction"
                                     ? RunKind::StepInstruction
                                     : RunKind::StepIn);
        if (c == "stepOut") return runControl(r, RunKind::StepOut);
        if (c == "pause") return respond(r); // stopped already
        if (c == "stepBack") return reverse(r, false);
        if (c == "reverseContinue") return reverse(r, true);
        fail(r, "\"" + c + "\" is not supported");
    } catch (const json::exception& e) {
        fail(r, std::string("bad arguments: ") + e.what());
    }
}

// A request that arrives while the program runs. Pause stops it; what only reads or edits
// the state is answered between two time slices; what ends the run is taken after it.
void DapServer::whileRunning(const json& r) {
    const std::string c = r["command"];
    if (c == "pause") {
        pauseAsked_ = true;
        session_->up().Stop();
        respond(r);
        return;
    }
    if (c == "disconnect" || c == "terminate" || c == "restart") {
        endAsked_ = true;
        session_->up().Stop();
        deferred_.push_back(r);
        return;
    }
    if (c == "continue" || c == "next" || c == "stepIn" || c == "stepOut" || c == "stepBack" ||
        c == "reverseContinue" || c == "launch" || c == "configurationDone") {
        fail(r, "the program is running: pause it first");
        return;
    }
    dispatch(r);
}

void DapServer::onYield() {
    TZk_UP& up = session_->up();
    // Nothing wakes a sleeping CPU on the simulator: the run ends there.
    if (up.simulatorMode() && up.running() && (up.cpu().sleeping() || up.cpu().idle())) {
        sleepStop_ = true;
        up.Stop();
        return;
    }
    if (!watchHit_ && watchCheck()) {
        watchMidRun_ = true;
        up.Stop();
    }
    recorder_->checkpoint();
    pump(0);
    while (!queue_.empty() && !endAsked_) {
        json r = std::move(queue_.front());
        queue_.pop_front();
        whileRunning(r);
    }
    if (closed_) {
        endAsked_ = true;
        up.Stop();
    }
}

// --- session ------------------------------------------------------------------------------------

void DapServer::initialize(const json& r) {
    respond(r, {{"supportsConfigurationDoneRequest", true},
                {"supportsFunctionBreakpoints", true},
                {"supportsInstructionBreakpoints", true},
                {"supportsSetVariable", true},
                {"supportsEvaluateForHovers", true},
                {"supportsSteppingGranularity", true},
                {"supportsRestartRequest", true},
                {"supportsTerminateRequest", true},
                {"supportsReadMemoryRequest", true},
                {"supportsWriteMemoryRequest", true},
                {"supportsDisassembleRequest", true},
                {"supportsValueFormattingOptions", true},
                {"supportsStepBack", true},
                {"supportsDataBreakpoints", true}});
}

void DapServer::launch(const json& r) {
    if (launched_) return fail(r, "a program has already been launched in this session");
    const json a = r.value("arguments", json::object());
    LaunchSettings s;
    auto text = [&](const char* key) -> std::string {
        if (!a.contains(key)) return {};
        const json& v = a[key];
        if (v.is_string()) return v.get<std::string>();
        if (v.is_number_integer()) return std::to_string(v.get<int64_t>());
        return v.dump();
    };
    auto flag = [&](const char* key) -> std::optional<bool> {
        if (!a.contains(key) || !a[key].is_boolean()) return std::nullopt;
        return a[key].get<bool>();
    };
    s.program = text("program");
    s.chip = text("chip");
    s.lib = text("lib");
    if (a.contains("include") && a["include"].is_array())
        for (const json& d : a["include"])
            if (d.is_string()) s.includeDirs.push_back(d);
    s.list = flag("list"), s.hex = flag("hex"), s.asc = flag("asc"), s.obj = flag("obj");
    s.smart = flag("smart"), s.optimize = flag("optimize"), s.protect = flag("protect");
    s.wdt = flag("wdtJmp0");
    s.fill = text("fill");
    s.acm = text("acm");
    if (a.contains("target")) s.target = text("target");
    s.connect = text("connect");
    stopOnEntry_ = a.value("stopOnEntry", false);
    // A misspelt attribute would silently keep a default: say so. The client's own keys pass.
    static const std::set<std::string> known{
        "program", "chip", "lib", "include", "list", "hex", "asc", "obj", "smart", "optimize",
        "protect", "wdtJmp0", "fill", "acm", "target", "connect", "stopOnEntry",
        // what clients add to every configuration
        "type", "request", "name", "noDebug", "preLaunchTask", "postDebugTask",
        "internalConsoleOptions", "debugServer", "presentation", "suppressMultipleSessionWarning"};
    for (const auto& [key, value] : a.items())
        if (!known.count(key) && !key.starts_with("__"))
            output("console",
                   "zerka dap: launch attribute \"" + key + "\" is not known and was ignored\n");

    session_ = std::make_unique<DapSession>(*this);
    const std::string problem = session_->launch(s);
    // Every assembler message as an editor links it.
    for (const AssemblyError& e : session_->assembly().reports) {
        std::string message = e.text;
        const std::string prefix = e.file + " " + std::to_string(e.line) + ": ";
        if (const size_t at = message.find(prefix); at != std::string::npos)
            message = message.substr(at + prefix.size());
        else if (const size_t close = message.find(")   "); close != std::string::npos)
            message = message.substr(close + 4);
        output("stderr", e.file + ":" + std::to_string(e.line) + ": error " +
                             std::to_string(e.code) + ": " + message + "\n");
    }
    if (!problem.empty()) {
        const bool bringUp = session_->emulator() && !lastMessage_.empty() &&
                             problem.find(lastMessage_) == std::string::npos;
        session_.reset();
        return fail(r, bringUp ? problem + " (" + lastMessage_ + ")" : problem);
    }
    launched_ = true;
    recorder_ = std::make_unique<ReverseRecorder>(session_->up());
    recorder_->start();
    session_->up().setYieldHook([this] { onYield(); });
    respond(r);
    // The unit cannot restore its own state.
    if (session_->emulator())
        event("capabilities", {{"capabilities", {{"supportsStepBack", false}}}});
    event("initialized");
}

void DapServer::configurationDone(const json& r) {
    respond(r);
    if (configured_) return;
    configured_ = true;
    if (stopOnEntry_) {
        event("stopped",
              {{"reason", "entry"}, {"threadId", kThreadId}, {"allThreadsStopped", true}});
        return;
    }
    execute(RunKind::Continue);
}

void DapServer::threads(const json& r) {
    respond(r, {{"threads", json::array({{{"id", kThreadId}, {"name", "CPU"}}})}});
}

void DapServer::restart(const json& r) {
    if (running_) return whileRunning(r);
    if (session_->sourcesChanged()) {
        const std::string problem = session_->rebuild();
        if (!problem.empty()) {
            fail(r, problem);
            return;
        }
        applyBreakpoints();
    } else {
        session_->commands().reset();
    }
    recorder_->start();
    respond(r);
    if (stopOnEntry_) {
        event("stopped",
              {{"reason", "entry"}, {"threadId", kThreadId}, {"allThreadsStopped", true}});
        return;
    }
    execute(RunKind::Continue);
}

void DapServer::terminate(const json& r, bool disconnect) {
    if (running_) return whileRunning(r);
    if (session_) {
        session_->up().Stop();
        session_->up().setYieldHook({});
    }
    respond(r);
    if (!disconnect) {
        event("terminated");
        return;
    }
    done_ = true;
}

// --- breakpoints --------------------------------------------------------------------------------

int DapServer::tabOfPath(const std::string& path) {
    SourceViewModel& v = session_->source();
    for (int f = 1; f <= v.fileCount(); ++f)
        if (samePath(v.file(f).path(), path)) return f;
    return 0;
}

// The uP centre's list follows what the client asked for: every source, instruction and
// function breakpoint that resolved, as many as the simulator holds.
void DapServer::applyBreakpoints() {
    TZk_UP& up = session_->up();
    std::vector<BreakpointEntry> wanted;
    auto want = [&](const BreakpointEntry& e, std::string& message) {
        const bool have = std::any_of(wanted.begin(), wanted.end(), [&](const BreakpointEntry& w) {
            return w.address == e.address && w.kind == e.kind;
        });
        if (have) return true;
        if (e.address > 0 && writesPclatl(up.instructions(), up.cpu().ProgramWord(e.address - 1))) {
            message = std::string(TZk_UP::kPclatlMessage);
            return false;
        }
        if (wanted.size() >= TZk_UP::kMaxBreakpoints) {
            message = "the simulator holds at most " + std::to_string(TZk_UP::kMaxBreakpoints) +
                      " breakpoints";
            return false;
        }
        wanted.push_back(e);
        return true;
    };
    for (auto& [path, list] : sourceBreakpoints_) {
        const int tab = tabOfPath(path);
        SourceViewModel& v = session_->source();
        for (SourceBreakpoint& b : list) {
            b.entry.reset();
            b.actual = b.line;
            b.message.clear();
            if (!tab) {
                b.message = "not a source file of this build";
                continue;
            }
            for (int32_t row = b.line; row >= 1 && row <= v.rowCount(tab); ++row)
                if (auto e = v.breakpointOfRow(tab, row)) {
                    b.entry = e;
                    b.actual = row;
                    break;
                }
            if (!b.entry) {
                b.message = "no code at or after line " + std::to_string(b.line);
                continue;
            }
            if (!want(*b.entry, b.message)) b.entry.reset();
        }
    }
    for (auto* list : {&instructionBreakpoints_, &functionBreakpoints_})
        for (AddressBreakpoint& b : *list) {
            if (!b.address) continue;
            if (*b.address >= up.cpu().programSize()) {
                b.message = "address outside the program memory";
                b.address.reset();
                continue;
            }
            if (!want(BreakpointEntry{*b.address, BreakpointKind::Address, 0, 0}, b.message))
                b.address.reset();
        }
    // Remove first, then add: the list never overflows (which would drop its oldest entry).
    const std::vector<BreakpointEntry> have = up.breakpoints();
    for (size_t i = up.reservedBreakpoints(); i < have.size(); ++i) {
        const BreakpointEntry& e = have[i];
        if (std::find(wanted.begin(), wanted.end(), e) == wanted.end())
            up.RemoveBreakpoint(e.address, e.kind);
    }
    for (const BreakpointEntry& e : wanted) {
        const auto& now = up.breakpoints();
        if (std::find(now.begin(), now.end(), e) == now.end())
            up.AddBreakpoint(e.address, e.kind, e.file, e.line);
    }
}

void DapServer::setBreakpoints(const json& r) {
    const json& a = r.at("arguments");
    const std::string path = a.at("source").value("path", "");
    std::vector<SourceBreakpoint>& list = sourceBreakpoints_[path];
    list.clear();
    if (a.contains("breakpoints"))
        for (const json& b : a["breakpoints"])
            list.push_back(SourceBreakpoint{nextId_++, b.value("line", 0), 0, {}, {}});
    else if (a.contains("lines"))
        for (const json& l : a["lines"])
            list.push_back(SourceBreakpoint{nextId_++, l.get<int>(), 0, {}, {}});
    applyBreakpoints();
    json out = json::array();
    const int tab = tabOfPath(path);
    for (const SourceBreakpoint& b : list) {
        json j = breakpointReply(b.id, b.entry.has_value(), b.message);
        j["line"] = b.actual;
        if (tab) j["source"] = sourceOf(tab);
        out.push_back(j);
    }
    respond(r, {{"breakpoints", out}});
}

void DapServer::setInstructionBreakpoints(const json& r) {
    instructionBreakpoints_.clear();
    for (const json& b : r.at("arguments").value("breakpoints", json::array())) {
        AddressBreakpoint e{nextId_++, b.value("instructionReference", ""), {}, {}};
        if (const auto v = numberOf(e.text); v && *v >= 0)
            e.address = uint32_t(*v + b.value("offset", 0));
        else
            e.message = "\"" + e.text + "\" is not a program address";
        instructionBreakpoints_.push_back(e);
    }
    applyBreakpoints();
    respond(r, {{"breakpoints", addressBreakpointsReply(instructionBreakpoints_, false)}});
}

void DapServer::setFunctionBreakpoints(const json& r) {
    functionBreakpoints_.clear();
    for (const json& b : r.at("arguments").value("breakpoints", json::array())) {
        AddressBreakpoint e{nextId_++, b.value("name", ""), {}, {}};
        e.address = labelAddress(e.text);
        if (!e.address) e.message = "no label \"" + e.text + "\" in the program";
        functionBreakpoints_.push_back(e);
    }
    applyBreakpoints();
    respond(r, {{"breakpoints", addressBreakpointsReply(functionBreakpoints_, true)}});
}

json DapServer::addressBreakpointsReply(const std::vector<AddressBreakpoint>& list,
                                        bool withSourceLine) {
    json out = json::array();
    for (const AddressBreakpoint& b : list) {
        json j = breakpointReply(b.id, b.address.has_value(), b.message);
        if (b.address) {
            j["instructionReference"] = wordText(*b.address);
            if (const auto at = withSourceLine ? lineOf(*b.address) : std::nullopt) {
                j["source"] = sourceOf(at->first);
                j["line"] = at->second;
            }
        }
        out.push_back(j);
    }
    return out;
}

// The simulator watches the bytes' values: a data breakpoint stops after the instruction that
// changed its byte. Reads are not seen (the engine reports no accesses), so only "write" is
// offered. The emulator's unit has one data watch, which stops when the byte changes to a given
// value: there a data breakpoint needs that value as its condition.
void DapServer::dataBreakpointInfo(const json& r) {
    const json& a = r.at("arguments");
    const std::string name = a.at("name");
    std::optional<uint32_t> address;
    std::string error;
    const int ref = a.contains("variablesReference") && a["variablesReference"].is_number_integer()
                        ? a["variablesReference"].get<int>()
                        : 0;
    if (ref == kRegistersRef) {
        address = registerAddress(name);
    } else if (ref == kSymbolsRef) {
        if (const UpSymbol* s = session_->up().findSymbol(toUpperAscii(name));
            s && s->value >= 0 && s->value < int32_t(CpuState::kDataSize))
            address = uint32_t(s->value);
    } else if (ref >= kRowRef && ref < kRowRef + int(CpuState::kDataSize)) {
        if (const auto v = numberOf(name); v && *v >= 0 && *v < int64_t(CpuState::kDataSize))
            address = uint32_t(*v);
    } else if (ref == 0) {
        address = dataAddressOf(name, &error);
    }
    if (!address)
        return respond(r,
                       {{"dataId", nullptr},
                        {"description",
                         error.empty() ? "\"" + name + "\" is not a byte of data memory" : error}});
    respond(r, {{"dataId", wordText(*address) + ":" + name},
                {"description",
                 name + " (" + wordText(*address) +
                     (session_->emulator() ? "): the emulator stops when it changes to the value "
                                             "of the condition (\"== 0x05\", \"& 0x0F == 0x05\")"
                                           : "): stops after an instruction changes it")},
                {"accessTypes", json::array({"write"})},
                {"canPersist", false}});
}

void DapServer::setDataBreakpoints(const json& r) {
    dataBreakpoints_.clear();
    for (const json& b : r.at("arguments").value("breakpoints", json::array())) {
        DataBreakpoint d{nextId_++, {}, {}, {}};
        const std::string id = b.value("dataId", "");
        const std::string access = b.value("accessType", "write");
        const size_t colon = id.find(':');
        d.name = colon == std::string::npos ? id : id.substr(colon + 1);
        const auto v = numberOf(id.substr(0, colon));
        const std::string condition = b.value("condition", "");
        if (!v || *v < 0 || *v >= int64_t(CpuState::kDataSize))
            d.message = "\"" + id + "\" is not a data address";
        else if (access != "write")
            d.message = std::string(session_->emulator() ? "the emulator" : "the simulator") +
                        " sees a byte change, not a read: only \"write\" is offered";
        else if (!b.value("hitCondition", "").empty())
            d.message = "hit counts on data breakpoints are not offered";
        else if (!session_->emulator() && !condition.empty())
            d.message = "conditions on data breakpoints are offered on the emulator only";
        else if (session_->emulator() && !watchCondition(condition, &d.mask, &d.data))
            d.message = "the emulator's data watch stops when the byte changes to a value: give "
                        "a condition such as \"== 0x05\" or \"& 0x0F == 0x05\"";
        else if (session_->emulator() && !watchedAddresses().empty())
            d.message = "the emulator has one data watch";
        else
            d.address = uint32_t(*v);
        dataBreakpoints_.push_back(d);
    }
    if (session_->emulator()) {
        const DataBreakpoint* on = nullptr;
        for (const DataBreakpoint& d : dataBreakpoints_)
            if (d.address) on = &d;
        if (on)
            session_->setEmulatorWatch(uint16_t(*on->address), on->data, on->mask);
        else
            session_->setEmulatorWatch(0, 0, 0);
    }
    if (running_) watchStart();
    json out = json::array();
    for (const DataBreakpoint& d : dataBreakpoints_)
        out.push_back(breakpointReply(d.id, d.address.has_value(), d.message));
    respond(r, {{"breakpoints", out}});
}

std::vector<uint32_t> DapServer::watchedAddresses() const {
    std::vector<uint32_t> out;
    for (const DataBreakpoint& d : dataBreakpoints_)
        if (d.address) out.push_back(*d.address);
    return out;
}

// The data breakpoints whose byte the instruction ending at position `p` changed; the
// machine is left at `p`.
json DapServer::changedDataBreakpoints(uint64_t p) {
    ReverseRecorder& rec = *recorder_;
    const CpuState& cpu = session_->up().cpu();
    std::vector<uint8_t> before;
    if (p > 0 && rec.seek(p - 1))
        for (uint32_t a : watchedAddresses())
            before.push_back(cpu.ReadData(a));
    json ids = json::array();
    if (!rec.seek(p) || before.empty()) return ids;
    size_t i = 0;
    for (const DataBreakpoint& d : dataBreakpoints_)
        if (d.address && cpu.ReadData(*d.address) != before[i++]) ids.push_back(d.id);
    return ids;
}

void DapServer::watchStart() {
    watchValues_.clear();
    watchHit_.reset();
    watchMidRun_ = false;
    if (!session_->up().simulatorMode()) return;
    for (uint32_t a : watchedAddresses())
        watchValues_.push_back(session_->up().cpu().ReadData(a));
    watchFrom_ = recorder_->position();
}

// True when an instruction since the last check changed a watched byte; the machine is then
// right after the first such instruction (watchHit_). The time slice ran at full speed; going
// over it again instruction by instruction also sees a byte that changed and changed back.
bool DapServer::watchCheck() {
    if (watchHit_) return true;
    if (watchValues_.empty() || !session_->up().simulatorMode()) return false;
    const uint64_t here = recorder_->position();
    if (here == watchFrom_) return false;
    watchHit_ = recorder_->firstChange(watchFrom_, here, watchedAddresses());
    if (!watchHit_) watchFrom_ = here;
    return watchHit_.has_value();
}

// After a run: back to the instruction that first changed a watched byte, if one did before
// the run's own stop (a step whose last instruction made the change is an ordinary step).
bool DapServer::stopAtDataChange(RunKind kind, uint64_t end) {
    if (!watchCheck()) return false;
    const std::vector<uint8_t> before = watchValues_;
    watchValues_.clear();
    if (*watchHit_ == end && kind != RunKind::Continue && !watchMidRun_) return false;
    const CpuState& cpu = session_->up().cpu();
    json ids = json::array();
    std::string text;
    size_t i = 0;
    for (const DataBreakpoint& d : dataBreakpoints_) {
        if (!d.address) continue;
        const uint8_t now = cpu.ReadData(*d.address);
        if (i < before.size() && now != before[i]) {
            ids.push_back(d.id);
            text += (text.empty() ? "" : ", ") + d.name + " (" + wordText(*d.address) +
                    "): " + byteText(before[i]) + " -> " + byteText(now);
        }
        ++i;
    }
    session_->up().OnStopped().emit();
    event("stopped", {{"reason", "data breakpoint"},
                      {"threadId", kThreadId},
                      {"allThreadsStopped", true},
                      {"description", "data breakpoint"},
                      {"text", text},
                      {"hitBreakpointIds", ids}});
    return true;
}

// --- run control --------------------------------------------------------------------------------

void DapServer::runControl(const json& r, RunKind kind) {
    if (!configured_) configured_ = true;
    respond(r, kind == RunKind::Continue ? json{{"allThreadsContinued", true}} : json::object());
    execute(kind);
}

void DapServer::execute(RunKind kind) {
    TZk_UP& up = session_->up();
    DebugCommands& commands = session_->commands();
    running_ = true;
    pauseAsked_ = sleepStop_ = endAsked_ = false;
    recorder_->resumeForward();
    watchStart();
    const uint64_t before = up.executedInstructions();
    switch (kind) {
    case RunKind::Continue:
        if (up.cpu().sleeping() || up.cpu().idle())
            sleepStop_ = true; // nothing would wake it
        else
            commands.run();
        break;
    case RunKind::Next:
        commands.stepOver();
        break;
    case RunKind::StepIn:
        commands.trace();
        break;
    case RunKind::StepInstruction:
        up.StepInto();
        break;
    case RunKind::StepOut:
        commands.stackOut();
        break;
    }
    if (session_->emulator()) waitForEmulator();
    running_ = false;
    recorder_->checkpoint();
    if (reportLostLink()) return;
    if (endAsked_) {
        std::vector<json> later;
        later.swap(deferred_);
        for (const json& r : later)
            dispatch(r);
        return;
    }
    if (closed_) return;
    if (stopAtDataChange(kind, recorder_->position())) return;
    if (kind != RunKind::Continue && !pauseAsked_) {
        // A step that found the CPU asleep changes nothing: say so.
        if (kind == RunKind::StepInstruction && up.executedInstructions() == before &&
            (up.cpu().sleeping() || up.cpu().idle()))
            sleepStop_ = true;
        reportStop("step");
        return;
    }
    reportStop("pause");
}

// The emulator runs on its own while the run timer polls it; requests are served meanwhile.
void DapServer::waitForEmulator() {
    TZk_UP& up = session_->up();
    while (up.running() && !closed_ && !session_->linkLost()) {
        pump(10);
        while (!queue_.empty() && !endAsked_) {
            json r = std::move(queue_.front());
            queue_.pop_front();
            whileRunning(r);
        }
        if (endAsked_ || closed_) {
            up.Stop();
            break;
        }
        up.RunTimerTick();
    }
}

// A unit that stopped answering ends the session: nothing read from it since is its state.
bool DapServer::reportLostLink() {
    if (!session_ || !session_->linkLost()) return false;
    output("stderr",
           "zerka dap: the link to the target unit was lost (" + session_->unitName() + ")\n");
    event("terminated");
    std::vector<json> later;
    later.swap(deferred_);
    for (const json& r : later)
        dispatch(r);
    return true;
}

void DapServer::reportStop(const std::string& defaultReason) {
    TZk_UP& up = session_->up();
    const uint32_t pc = up.cpu().GetPC();
    json body{{"threadId", kThreadId}, {"allThreadsStopped", true}, {"reason", defaultReason}};
    json hits = json::array();
    if (sleepStop_) {
        body["reason"] = "pause";
        body["description"] = up.cpu().idle() ? "idle" : "sleep";
        body["text"] = "The CPU executed SLP; only a reset wakes it on the simulator";
    } else if (pauseAsked_) {
        body["reason"] = "pause";
    } else if (up.lastStopCause() == StopCause::StackFull) {
        body["reason"] = "exception";
        body["description"] = "stack overflow";
        body["text"] = up.cpu().stackState().text;
    } else if (up.lastStopCause() == StopCause::Breakpoint) {
        for (const AddressBreakpoint& b : instructionBreakpoints_)
            if (b.address == pc) hits.push_back(b.id), body["reason"] = "instruction breakpoint";
        for (const AddressBreakpoint& b : functionBreakpoints_)
            if (b.address == pc && hits.empty())
                hits.push_back(b.id), body["reason"] = "function breakpoint";
        for (const auto& [path, list] : sourceBreakpoints_)
            for (const SourceBreakpoint& b : list)
                if (b.entry && b.entry->address == pc && hits.empty())
                    hits.push_back(b.id), body["reason"] = "breakpoint";
        // The emulator's data watch stops it like a breakpoint, away from every mark.
        if (hits.empty() && session_->emulator())
            for (const DataBreakpoint& d : dataBreakpoints_)
                if (d.address && (up.cpu().ReadData(*d.address) & d.mask) == (d.data & d.mask)) {
                    hits.push_back(d.id);
                    body["reason"] = "data breakpoint";
                    body["description"] = "data breakpoint";
                }
        if (hits.empty() && defaultReason == "pause") body["reason"] = "breakpoint";
    }
    if (!hits.empty()) body["hitBreakpointIds"] = hits;
    event("stopped", body);
}

// Back one instruction, or to the previous breakpoint hit (else the oldest recorded point):
// the whole machine as it was there.
void DapServer::reverse(const json& r, bool toBreakpoint) {
    if (session_->emulator())
        return fail(r, "the emulator cannot restore its own state: stepBack and reverseContinue "
                       "work on the simulator only");
    ReverseRecorder& rec = *recorder_;
    const uint64_t here = rec.position();
    std::optional<uint64_t> target;
    std::string reason = "step";
    json hitIds = json::array();
    if (toBreakpoint) {
        target = rec.previousBreakpoint(here);
        if (target) reason = "breakpoint";
        // A data breakpoint stops a reverse run too: at the newest change before here.
        const std::vector<uint32_t> watched = watchedAddresses();
        const std::optional<uint64_t> change = rec.previousChange(here, watched);
        if (change && (!target || *change > *target)) {
            target = change;
            reason = "data breakpoint";
            hitIds = changedDataBreakpoints(*change);
        }
    } else if (here > rec.oldest()) {
        target = here - 1;
    }
    const bool oldest = !target;
    if (!target) target = rec.oldest();
    if (!rec.seek(*target)) return fail(r, "the recorded history does not reach that point");
    respond(r);
    // The views and the source line follow as after any stop.
    session_->up().OnStopped().emit();
    json body{{"reason", reason}, {"threadId", kThreadId}, {"allThreadsStopped", true}};
    if (!hitIds.empty()) body["hitBreakpointIds"] = hitIds;
    if (oldest) {
        body["description"] = "oldest recorded point";
        body["text"] = "The recording reaches back no further than instruction " +
                       std::to_string(rec.oldest()) + " of this run";
    }
    event("stopped", body);
}

// --- state --------------------------------------------------------------------------------------

std::string DapServer::byteText(uint8_t v) const {
    return hexValues_ ? "0x" + hexText(v, 2) : std::to_string(v);
}

std::string DapServer::wordText(uint32_t v) const {
    return "0x" + hexText(v, 4);
}

json DapServer::sourceOf(int tab) {
    const SourceFile& f = session_->source().file(tab);
    return {{"name", f.caption()}, {"path", f.path()}};
}

std::optional<std::pair<int, int>> DapServer::lineOf(uint32_t address) {
    const CpuState& c = session_->up().cpu();
    const uint16_t line = c.SourceLineOf(address);
    if (line == 0) return std::nullopt;
    const int tab = session_->source().tabOfFileIndex(c.SourceFileOf(address));
    if (!session_->source().validFile(tab)) return std::nullopt;
    return std::make_pair(tab, int(line));
}

std::string DapServer::labelBefore(uint32_t address, uint32_t* at) const {
    std::string best;
    int64_t bestValue = -1;
    for (const SymbolEntry& e : session_->assembly().labels)
        if (e.value >= 0 && e.value <= int64_t(address) && e.value > bestValue)
            best = e.name, bestValue = e.value;
    if (at) *at = uint32_t(std::max<int64_t>(bestValue, 0));
    return best;
}

std::optional<uint32_t> DapServer::labelAddress(const std::string& name) const {
    const std::string n = toUpperAscii(name);
    for (const SymbolEntry& e : session_->assembly().labels)
        if (e.name == n && e.value >= 0) return uint32_t(e.value);
    return std::nullopt;
}

void DapServer::stackTrace(const json& r) {
    TZk_UP& up = session_->up();
    SourceViewModel& v = session_->source();
    json frames = json::array();
    const uint32_t pc = up.cpu().GetPC();
    auto frameName = [&](uint32_t address) {
        std::string name = labelBefore(address);
        if (address >= 4 && address < 8 && name.empty()) name = "interrupt vector";
        if (address < 4 && name.empty()) name = "reset vector";
        return (name.empty() ? std::string("?") : name) + " (" + wordText(address) + ")";
    };
    json top{{"id", kFrameStride},
             {"name", frameName(pc)},
             {"line", 0},
             {"column", 0},
             {"instructionPointerReference", wordText(pc)}};
    // The source view's current line: inside a macro body it walks the body line by line.
    if (v.validFile(v.highlightFile()) && v.highlightRow() > 0) {
        top["source"] = sourceOf(v.highlightFile());
        top["line"] = v.highlightRow();
        top["column"] = 1;
    } else if (auto at = lineOf(pc)) {
        top["source"] = sourceOf(at->first);
        top["line"] = at->second, top["column"] = 1;
    }
    frames.push_back(top);
    const uint32_t level = up.cpu().ReadData(reg::kStackPointer) & sp::kPointerMask;
    for (uint32_t i = level; i >= 1 && i <= up.cpu().stackDepth(); --i) {
        const uint32_t ret = up.cpu().StackEntry(i) & CpuState::kPcMask;
        // The call is the word before the return address (the first word of a two-word CALL).
        uint32_t call = ret > 0 ? ret - 1 : 0;
        if (call > 0 && up.instructions().decode(up.cpu().ProgramWord(call)).id == OpId::NOPF)
            --call;
        json f{{"id", kFrameStride * int(level - i + 2)},
               {"name", frameName(call)},
               {"line", 0},
               {"column", 0},
               {"instructionPointerReference", wordText(call)}};
        if (auto at = lineOf(call)) {
            f["source"] = sourceOf(at->first);
            f["line"] = at->second, f["column"] = 1;
        }
        frames.push_back(f);
    }
    const size_t start = r["arguments"].value("startFrame", 0);
    const size_t count = r["arguments"].value("levels", 0);
    json page = json::array();
    for (size_t i = start; i < frames.size() && (count == 0 || i < start + count); ++i)
        page.push_back(frames[i]);
    respond(r, {{"stackFrames", page}, {"totalFrames", frames.size()}});
}

void DapServer::scopes(const json& r) {
    json s = json::array();
    s.push_back(
        {{"name", "Registers"}, {"variablesReference", kRegistersRef}, {"expensive", false}});
    s.push_back({{"name", "Data memory"}, {"variablesReference", kDataRef}, {"expensive", true}});
    s.push_back({{"name", "Symbols"}, {"variablesReference", kSymbolsRef}, {"expensive", false}});
    respond(r, {{"scopes", s}});
}

json DapServer::byteVariable(const std::string& name, uint32_t address, bool withBits) {
    json v{{"name", name},
           {"value", byteText(session_->up().cpu().ReadData(address))},
           {"type", "byte at " + wordText(address)},
           {"evaluateName", name},
           {"memoryReference", "data"},
           {"variablesReference", withBits ? kBitsRef + int(address) : 0}};
    return v;
}

std::optional<uint32_t> DapServer::registerAddress(const std::string& name) const {
    const std::string n = toUpperAscii(name);
    if (n == "W" || n == "WREG") return reg::kW;
    if (n == "STATUS") return reg::kStatus;
    if (n == "BSR") return reg::kBsr;
    if (n == "STKPTR") return reg::kStackPointer;
    const ChipModel& chip = session_->chip();
    for (const BitRegister& b : chip.bitRegisters)
        if (toUpperAscii(b.name) == n) return b.address;
    for (const ByteRegister& b : chip.byteRegisters)
        if (!b.unnamed && toUpperAscii(b.name) == n) return b.address;
    return std::nullopt;
}

void DapServer::variables(const json& r) {
    const json& a = r.at("arguments");
    if (a.contains("format")) hexValues_ = a["format"].value("hex", true);
    const int ref = a.at("variablesReference");
    const CpuState& cpu = session_->up().cpu();
    const ChipModel& chip = session_->chip();
    json out = json::array();
    if (ref == kRegistersRef) {
        out.push_back(byteVariable("W", reg::kW, false));
        out.push_back({{"name", "PC"},
                       {"value", hexValues_ ? wordText(cpu.GetPC()) : std::to_string(cpu.GetPC())},
                       {"variablesReference", 0},
                       {"memoryReference", "program"},
                       {"evaluateName", "PC"}});
        out.push_back(byteVariable("STATUS", reg::kStatus, true));
        out.push_back(byteVariable("BSR", reg::kBsr, false));
        out.push_back(byteVariable("STKPTR", reg::kStackPointer, true));
        std::set<std::string> seen{"W", "PC", "STATUS", "BSR", "STKPTR"};
        for (const BitRegister& b : chip.bitRegisters)
            if (!b.name.empty() && seen.insert(toUpperAscii(b.name)).second)
                out.push_back(byteVariable(b.name, b.address, true));
        for (const ByteRegister& b : chip.byteRegisters)
            if (!b.unnamed && !b.name.empty() && seen.insert(toUpperAscii(b.name)).second)
                out.push_back(byteVariable(b.name, b.address, false));
    } else if (ref >= kBitsRef && ref < kBitsRef + int(CpuState::kDataSize)) {
        const uint32_t address = uint32_t(ref - kBitsRef);
        const uint8_t value = cpu.ReadData(address);
        const BitRegister* b = chip.findBitRegister(uint16_t(address));
        const char* const* fixed = address == reg::kStatus         ? kStatusBits
                                   : address == reg::kStackPointer ? kStackBits
                                                                   : nullptr;
        for (int i = 0; i < 8; ++i) {
            std::string name = b ? b->bits[size_t(i)].name : fixed ? fixed[i] : "-";
            if (address == reg::kStatus || address == reg::kStackPointer) name = fixed[i];
            if (name.empty() || name == "-") continue;
            const int bit = 7 - i;
            out.push_back({{"name", name + " (bit " + std::to_string(bit) + ")"},
                           {"value", std::to_string((value >> bit) & 1)},
                           {"variablesReference", 0}});
        }
    } else if (ref == kDataRef) {
        for (int i = 0; i <= chip.lastBankIndex && i < int(chip.ramBank.size()); ++i) {
            const AddressRange& bank = chip.ramBank[size_t(i)];
            if (bank.end < bank.start) continue;
            const int rows = int((bank.end - bank.start) / kRowBytes + 1);
            out.push_back({{"name", "Bank " + std::to_string(i)},
                           {"value", wordText(bank.start) + ".." + wordText(bank.end)},
                           {"variablesReference", kBankRef + i},
                           {"indexedVariables", rows}});
        }
    } else if (ref >= kBankRef && ref < kBankRef + 16) {
        const AddressRange& bank = chip.ramBank[size_t(ref - kBankRef)];
        const uint32_t rows = (bank.end - bank.start) / kRowBytes + 1;
        const uint32_t first = a.value("start", 0u);
        const uint32_t count = a.value("count", 0u) ? a.value("count", 0u) : rows;
        for (uint32_t k = first; k < rows && k < first + count; ++k) {
            const uint32_t at = bank.start + k * kRowBytes;
            std::string text;
            for (uint32_t b = 0; b < kRowBytes && at + b <= bank.end; ++b)
                text += (b ? " " : "") + hexText(cpu.ReadData(at + b), 2);
            out.push_back({{"name", wordText(at)},
                           {"value", text},
                           {"variablesReference", kRowRef + int(at)},
                           {"memoryReference", "data"}});
        }
    } else if (ref >= kRowRef && ref < kRowRef + int(CpuState::kDataSize)) {
        const uint32_t at = uint32_t(ref - kRowRef);
        for (uint32_t b = 0; b < kRowBytes && at + b < CpuState::kDataSize; ++b)
            out.push_back(byteVariable(wordText(at + b), at + b, false));
    } else if (ref == kSymbolsRef) {
        for (const UpSymbol& s : session_->up().symbols())
            if (s.value >= 0 && s.value < int32_t(CpuState::kDataSize))
                out.push_back(byteVariable(s.name, uint32_t(s.value), false));
    }
    respond(r, {{"variables", out}});
}

void DapServer::setVariable(const json& r) {
    const json& a = r.at("arguments");
    const int ref = a.at("variablesReference");
    const std::string name = a.at("name");
    const std::string value = a.at("value");
    std::optional<uint32_t> address;
    if (ref == kRegistersRef) {
        if (toUpperAscii(name) == "PC") {
            const auto v = numberOf(value);
            if (!v || *v < 0 || uint64_t(*v) >= session_->up().cpu().programSize())
                return fail(r, "\"" + value + "\" is not a program address");
            session_->up().SetPCFromView(uint32_t(*v));
            recorder_->edited();
            const uint32_t pc = session_->up().cpu().GetPC();
            return respond(r, {{"value", hexValues_ ? wordText(pc) : std::to_string(pc)}});
        }
        address = registerAddress(name);
    } else if (ref == kSymbolsRef) {
        if (const UpSymbol* s = session_->up().findSymbol(toUpperAscii(name)))
            address = uint32_t(s->value);
    } else if (ref >= kRowRef && ref < kRowRef + int(CpuState::kDataSize)) {
        if (const auto v = numberOf(name)) address = uint32_t(*v);
    }
    if (!address || *address >= CpuState::kDataSize)
        return fail(r, "\"" + name + "\" cannot be set here");
    const auto v = numberOf(value);
    if (!v || *v < 0 || *v > 255) return fail(r, "\"" + value + "\" is not a byte (0..255)");
    // The register-edit path of the views: recorded, fixed bits applied, written through.
    session_->up().SetRegister(*address, uint8_t(*v));
    recorder_->edited();
    session_->views().refreshAll();
    json body{{"value", byteText(session_->up().cpu().ReadData(*address))}};
    if (ref == kRegistersRef && session_->chip().findBitRegister(uint16_t(*address)))
        body["variablesReference"] = kBitsRef + int(*address);
    respond(r, body);
}

std::optional<uint32_t> DapServer::dataAddressOf(const std::string& expression,
                                                 std::string* error) {
    const std::string e = toUpperAscii(expression);
    if (const auto a = registerAddress(e)) return a;
    std::vector<std::string> keep;
    const TermLookup lookup = [&](std::string_view name) -> std::optional<TermBinding> {
        const std::string n(name);
        int32_t value = 0;
        if (const UpSymbol* s = session_->up().findSymbol(n))
            value = s->value;
        else if (const auto l = labelAddress(n))
            value = int32_t(*l);
        else if (const auto reg = registerAddress(n))
            value = int32_t(*reg);
        else
            return std::nullopt;
        keep.push_back(n);
        return TermBinding{value, keep.back()};
    };
    keep.reserve(64);
    const Evaluation ev = evaluateExpression(e, lookup);
    if (ev.ok) {
        if (ev.value < 0 || ev.value >= int32_t(CpuState::kDataSize)) {
            *error = expression + " = " + std::to_string(ev.value) + " is not a data address";
            return std::nullopt;
        }
        return uint32_t(ev.value);
    }
    if (const auto v = numberOf(expression); v && *v >= 0 && *v < int64_t(CpuState::kDataSize))
        return uint32_t(*v);
    *error = "\"" + expression + "\" is neither a symbol, a register nor an expression";
    return std::nullopt;
}

void DapServer::evaluate(const json& r) {
    const json& a = r.at("arguments");
    if (a.contains("format")) hexValues_ = a["format"].value("hex", true);
    std::string expression = a.at("expression");
    const std::string context = a.value("context", "repl");
    const CpuState& cpu = session_->up().cpu();
    if (!expression.empty() && expression.front() == '@') {
        const auto v = numberOf(expression.substr(1));
        if (!v || *v < 0 || uint64_t(*v) >= cpu.programSize())
            return fail(r, "\"" + expression.substr(1) + "\" is not a program address");
        const uint16_t word = cpu.ProgramWord(uint32_t(*v));
        return respond(r, {{"result", hexValues_ ? wordText(word) : std::to_string(word)},
                           {"type", "program word"},
                           {"variablesReference", 0}});
    }
    const std::string upper = toUpperAscii(expression);
    if (upper == "PC")
        return respond(r, {{"result", wordText(cpu.GetPC())}, {"variablesReference", 0}});
    // Hovering a label: where it is.
    if (context == "hover" && !session_->up().findSymbol(upper))
        if (const auto at = labelAddress(upper)) {
            std::string text = "label at " + wordText(*at);
            if (const auto line = lineOf(*at))
                text += ", " + session_->source().caption(line->first) + " line " +
                        std::to_string(line->second);
            return respond(r, {{"result", text}, {"variablesReference", 0}});
        }
    std::string error;
    const auto address = dataAddressOf(expression, &error);
    if (!address) return fail(r, error);
    json body{{"result", byteText(cpu.ReadData(*address))},
              {"type", "byte at " + wordText(*address)},
              {"memoryReference", "data"},
              {"variablesReference", 0}};
    respond(r, body);
}

void DapServer::readMemory(const json& r) {
    const json& a = r.at("arguments");
    const std::string ref = a.at("memoryReference");
    const int64_t offset = a.value("offset", int64_t(0));
    const int64_t count = a.at("count").get<int64_t>();
    const CpuState& cpu = session_->up().cpu();
    const bool program = ref == "program";
    if (!program && ref != "data") return fail(r, "memoryReference is \"data\" or \"program\"");
    const int64_t size = program ? int64_t(cpu.programSize()) * 2 : int64_t(CpuState::kDataSize);
    if (offset < 0 || count < 0) return fail(r, "offset and count must not be negative");
    std::vector<uint8_t> bytes;
    for (int64_t i = offset; i < offset + count && i < size; ++i) {
        if (program) {
            const uint16_t w = cpu.ProgramWord(uint32_t(i / 2));
            bytes.push_back(i % 2 == 0 ? uint8_t(w >> 8) : uint8_t(w));
        } else {
            bytes.push_back(cpu.ReadData(uint32_t(i)));
        }
    }
    json body{{"address", wordText(uint32_t(offset))}, {"data", base64Encode(bytes)}};
    if (offset + count > size) body["unreadableBytes"] = offset + count - std::max(offset, size);
    respond(r, body);
}

void DapServer::writeMemory(const json& r) {
    const json& a = r.at("arguments");
    const std::string ref = a.at("memoryReference");
    const int64_t offset = a.value("offset", int64_t(0));
    const auto bytes = base64Decode(a.at("data"));
    if (!bytes) return fail(r, "data is not base64");
    TZk_UP& up = session_->up();
    const bool program = ref == "program";
    if (!program && ref != "data") return fail(r, "memoryReference is \"data\" or \"program\"");
    const int64_t size =
        program ? int64_t(up.cpu().programSize()) * 2 : int64_t(CpuState::kDataSize);
    if (offset < 0 || offset + int64_t(bytes->size()) > size)
        return fail(r, "the write goes beyond the " + std::string(program ? "program" : "data") +
                           " memory");
    if (program && session_->emulator())
        return fail(r, "the emulator's program memory is written by a build: change the source "
                       "and restart");
    if (program && (offset % 2 != 0 || bytes->size() % 2 != 0))
        return fail(r, "program memory is written in whole words (two bytes, high byte first)");
    for (size_t i = 0; i < bytes->size(); ++i) {
        if (program) {
            if (i % 2 == 1)
                up.cpu().SetProgramWord(uint32_t((offset + int64_t(i)) / 2),
                                        uint16_t(((*bytes)[i - 1] << 8) | (*bytes)[i]));
        } else {
            up.SetRegister(uint32_t(offset + int64_t(i)), (*bytes)[i]);
        }
    }
    // The snapshots do not hold the program: a program edit starts the recording here.
    if (program)
        recorder_->start();
    else
        recorder_->edited();
    session_->views().refreshAll();
    respond(r, {{"offset", offset}, {"bytesWritten", bytes->size()}});
    event("memory", {{"memoryReference", ref}, {"offset", offset}, {"count", bytes->size()}});
}

void DapServer::disassemble(const json& r) {
    const json& a = r.at("arguments");
    const std::string ref = a.at("memoryReference");
    if (ref != "program" && !numberOf(ref))
        return fail(r, "memoryReference is \"program\" or a program address");
    int64_t base = ref == "program" ? 0 : *numberOf(ref);
    base += a.value("offset", int64_t(0)) / 2 + a.value("instructionOffset", int64_t(0));
    const int64_t count = a.at("instructionCount").get<int64_t>();
    const TZk_UP& up = session_->up();
    json out = json::array();
    for (int64_t i = 0; i < count; ++i) {
        const int64_t at = base + i;
        if (at < 0 || at >= int64_t(up.cpu().programSize())) {
            out.push_back({{"address", wordText(uint32_t(std::max<int64_t>(at, 0)))},
                           {"instruction", ""},
                           {"presentationHint", "invalid"}});
            continue;
        }
        const uint16_t word = up.cpu().ProgramWord(uint32_t(at));
        json d{{"address", wordText(uint32_t(at))},
               {"instructionBytes", hexText(word, 4)},
               {"instruction", up.instructions().disassemble(word)}};
        uint32_t labelAt = 0;
        const std::string label = labelBefore(uint32_t(at), &labelAt);
        if (!label.empty() && labelAt == uint32_t(at)) d["symbol"] = label;
        if (const auto line = lineOf(uint32_t(at))) {
            d["location"] = sourceOf(line->first);
            d["line"] = line->second;
        }
        out.push_back(d);
    }
    respond(r, {{"instructions", out}});
}

} // namespace zerka::dap
