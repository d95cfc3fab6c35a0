// `zerka dap`: the Debug Adapter Protocol server on standard input and output, or for one client
// on a loopback TCP port (--listen tcp:127.0.0.1:PORT).
#include "cli/commands.h"
#include "cli/cli_options.h"

#include "dap/dap_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <memory>

namespace zerka::cli {
namespace {

constexpr const char* kDapPrefix = "zerka dap: ";

struct DapOptions {
    std::string listen;
};

// "tcp:127.0.0.1:PORT" (or localhost): the port, or nothing.
std::optional<uint16_t> loopbackPort(const std::string& address) {
    for (const std::string host : {"tcp:127.0.0.1:", "tcp:localhost:"}) {
        if (address.rfind(host, 0) != 0) continue;
        const std::string port = address.substr(host.size());
        if (port.empty() || port.size() > 5 ||
            port.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const int n = std::stoi(port);
        if (n < 1 || n > 65535) return std::nullopt;
        return uint16_t(n);
    }
    return std::nullopt;
}

int serveStdio(CliContext& ctx) {
    // Only protocol messages may reach standard output: the server writes to a copy of it, and
    // anything else that writes to descriptor 1 lands on standard error.
    std::cout.flush();
    const int out = ::dup(STDOUT_FILENO);
    if (out < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        ctx.err << kDapPrefix << "cannot set up standard output\n";
        return kExitFailed;
    }
    dap::DapServer server(STDIN_FILENO, out, &ctx.err);
    const int status = server.serve();
    ::close(out);
    return status == 0 ? kExitOk : kExitFailed;
}

int serveTcp(const std::string& address, CliContext& ctx) {
    const std::optional<uint16_t> port = loopbackPort(address);
    if (!port) {
        ctx.err
            << kDapPrefix << "--listen \"" << address
            << "\" is not tcp:127.0.0.1:PORT (a port from 1 to 65535 on the loopback address)\n";
        return kExitUsage;
    }
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        ctx.err << kDapPrefix << "cannot open a socket\n";
        return kExitFailed;
    }
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(*port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0 ||
        ::listen(listener, 1) < 0) {
        ctx.err << kDapPrefix << "cannot listen on " << address << " (address in use?)\n";
        ::close(listener);
        return kExitUsage;
    }
    ctx.err << kDapPrefix << "listening on " << address << '\n';
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    ::close(listener);
    if (client < 0) {
        ctx.err << kDapPrefix << "no client connected\n";
        return kExitFailed;
    }
    int status = 0;
    {
        dap::DapServer server(client, client, &ctx.err);
        status = server.serve();
    }
    ::close(client);
    return status == 0 ? kExitOk : kExitFailed;
}

} // namespace

void registerDapCommand(CLI::App& app, CliContext& ctx) {
    auto o = std::make_shared<DapOptions>();
    CLI::App* sub = app.add_subcommand(
        "dap", "Debug Adapter Protocol server for editors (VS Code, Neovim, Emacs...): on standard "
               "input and output, or for one client with --listen. The launch request names the "
               "program (.asm, .prj or .cfg), the chip and the assembler switches");
    sub->add_option("--listen", o->listen, "Serve one client at tcp:127.0.0.1:PORT instead")
        ->check(notEmpty());
    sub->callback([o, &ctx] {
        // A client that closes its end must not kill the server with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        ctx.exitCode = o->listen.empty() ? serveStdio(ctx) : serveTcp(o->listen, ctx);
    });
}

} // namespace zerka::cli
