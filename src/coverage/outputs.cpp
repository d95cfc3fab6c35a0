#include "coverage/outputs.h"

#include "core/atomic_file.h"
#include "coverage/lcov.h"
#include "coverage/profile.h"
#include "upcentre/core/cpu_state.h"

#include <filesystem>

namespace zerka::coverage {

namespace fs = std::filesystem;

Program programOf(const CpuState& cpu, const Engine& engine, const AssemblyResult& result) {
    Program p{engine, {}, labelsOf(result)};
    p.words.resize(cpu.programSize());
    for (uint32_t a = 0; a < cpu.programSize(); ++a)
        p.words[a] = cpu.ProgramWord(a);
    return p;
}

bool writeOutputs(const Report& report, const OutputRequest& request, std::ostream& table,
                  std::string& error) {
    if (!request.coverage.empty()) {
        LcovFile file = lcovOf(report);
        std::error_code ec;
        if (request.append && fs::exists(request.coverage, ec)) {
            std::string old;
            if (!readFileBytes(request.coverage, old)) {
                error = "cannot read \"" + request.coverage + "\"";
                return false;
            }
            LcovParse parsed = parseLcov(old);
            if (!parsed.file) {
                error = "\"" + request.coverage + "\" is not an lcov trace file (" + parsed.error +
                        "); it was left as it is";
                return false;
            }
            mergeLcov(*parsed.file, file);
            file = std::move(*parsed.file);
        }
        std::string why;
        if (!writeFileAtomic(request.coverage, lcovText(file), &why)) {
            error = "cannot write \"" + request.coverage + "\"" + (why.empty() ? "" : ": " + why);
            return false;
        }
    }
    if (request.profile == "-") {
        table << profileTable(report);
    } else if (!request.profile.empty()) {
        std::string why;
        if (!writeFileAtomic(request.profile, profileJson(report), &why)) {
            error = "cannot write \"" + request.profile + "\"" + (why.empty() ? "" : ": " + why);
            return false;
        }
    }
    return true;
}

} // namespace zerka::coverage
