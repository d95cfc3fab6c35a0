#pragma once
// `zerka dap`: a Debug Adapter Protocol server over one byte stream (standard input and output,
// or one TCP client). Requests are translated to the debugging session (DapSession) and its
// answers back to protocol messages; nothing else is written to the output stream.
//
// One thread: a free run turns inside the uP centre, which calls the run's yield hook between
// time slices; the hook reads what the client sent meanwhile, so pause (and any request that
// only reads or edits state) is answered while the program runs.
#include "core/framing.h"
#include "core/ui_host.h"
#include "dap/dap_session.h"
#include "dap/reverse_recorder.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zerka::dap {

class DapServer : public UiHost {
  public:
    // Reads requests from `inFd`, writes to `outFd`; diagnostics go to `log` (may be null).
    DapServer(int inFd, int outFd, std::ostream* log = nullptr);
    ~DapServer() override;
    // Serves until the client disconnects or closes its stream.
    int serve();

    // UiHost: the session's message boxes become output events.
    Button messageBox(MessageType type, const std::string& text, Buttons buttons) override;
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}

  private:
    using json = nlohmann::json;
    struct SourceBreakpoint {
        int id = 0;
        int line = 0; // as asked
        int actual = 0;
        std::optional<BreakpointEntry> entry;
        std::string message;
    };
    struct AddressBreakpoint {
        int id = 0;
        std::string text; // instruction reference or function name as asked
        std::optional<uint32_t> address;
        std::string message;
    };
    struct DataBreakpoint {
        int id = 0;
        std::optional<uint32_t> address; // the data address watched, when accepted
        std::string name;                // what the client called it
        std::string message;
        uint8_t mask = 0, data = 0; // the emulator's watch: stop when (byte & mask) becomes data
    };
    enum class RunKind { Continue, Next, StepIn, StepInstruction, StepOut };

    // --- the stream --------------------------------------------------------------------------
    bool pump(int timeoutMs);
    void send(const json& message);
    void respond(const json& request, const json& body = json::object());
    void fail(const json& request, const std::string& message);
    void event(const std::string& name, const json& body = json::object());
    void output(const std::string& category, const std::string& text);

    // --- requests ----------------------------------------------------------------------------
    void dispatch(const json& request);
    void whileRunning(const json& request);
    void initialize(const json& r);
    void launch(const json& r);
    void configurationDone(const json& r);
    void setBreakpoints(const json& r);
    void setInstructionBreakpoints(const json& r);
    void setFunctionBreakpoints(const json& r);
    // The reply to either list of address breakpoints; function breakpoints also name their
    // source line.
    json addressBreakpointsReply(const std::vector<AddressBreakpoint>& list, bool withSourceLine);
    void dataBreakpointInfo(const json& r);
    void setDataBreakpoints(const json& r);
    void threads(const json& r);
    void stackTrace(const json& r);
    void scopes(const json& r);
    void variables(const json& r);
    void setVariable(const json& r);
    void evaluate(const json& r);
    void readMemory(const json& r);
    void writeMemory(const json& r);
    void disassemble(const json& r);
    void restart(const json& r);
    void terminate(const json& r, bool disconnect);
    void runControl(const json& r, RunKind kind);
    void reverse(const json& r, bool toBreakpoint);

    // --- run control -------------------------------------------------------------------------
    void execute(RunKind kind);
    void waitForEmulator();
    bool reportLostLink();
    void onYield();
    void reportStop(const std::string& defaultReason);
    void applyBreakpoints();
    // Data breakpoints: the watched bytes as a run starts and at every time slice; a change
    // stops the run, and the recording finds the instruction that made it.
    std::vector<uint32_t> watchedAddresses() const;
    json changedDataBreakpoints(uint64_t p);
    void watchStart();
    bool watchCheck();
    bool stopAtDataChange(RunKind kind, uint64_t end);

    // --- values --------------------------------------------------------------------------------
    std::string byteText(uint8_t v) const;
    std::string wordText(uint32_t v) const;
    json byteVariable(const std::string& name, uint32_t address, bool withBits);
    json sourceOf(int tab);
    std::optional<std::pair<int, int>> lineOf(uint32_t address);
    std::optional<uint32_t> dataAddressOf(const std::string& expression, std::string* error);
    std::optional<uint32_t> registerAddress(const std::string& name) const;
    std::string labelBefore(uint32_t address, uint32_t* labelAddress = nullptr) const;
    std::optional<uint32_t> labelAddress(const std::string& name) const;
    int tabOfPath(const std::string& path);
    bool ready(const json& r);

    int in_;
    int out_;
    std::ostream* log_;
    FrameParser reader_;
    std::deque<json> queue_;
    int seq_ = 1;
    bool closed_ = false;
    bool done_ = false;

    std::unique_ptr<DapSession> session_;
    std::unique_ptr<ReverseRecorder> recorder_;
    bool launched_ = false;
    bool configured_ = false;
    bool stopOnEntry_ = false;
    bool hexValues_ = true;
    std::string lastMessage_; // the last message box text (a failed bring-up says why)

    // run state
    bool running_ = false;
    bool pauseAsked_ = false;
    bool sleepStop_ = false;
    bool endAsked_ = false; // terminate, disconnect or restart arrived during a run
    std::vector<json> deferred_;

    // breakpoints as the client asked for them
    int nextId_ = 1;
    std::map<std::string, std::vector<SourceBreakpoint>> sourceBreakpoints_;
    std::vector<AddressBreakpoint> instructionBreakpoints_;
    std::vector<AddressBreakpoint> functionBreakpoints_;
    std::vector<DataBreakpoint> dataBreakpoints_;
    std::vector<uint8_t> watchValues_; // the watched bytes as the run started
    uint64_t watchFrom_ = 0;           // recorder position of the last check
    std::optional<uint64_t> watchHit_; // where the first change was found
    bool watchMidRun_ = false;         // found between two time slices: the run stopped there
};

} // namespace zerka::dap
