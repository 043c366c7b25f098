// marrowfin ticker-service [--bind ADDR] [--port N] [--seed N]
//
// Serves the ticker replies of all sixteen currencies from a simulated market, until SIGINT
// or SIGTERM. Prints "listening on http://ADDR:PORT/" once it accepts connections.

#include "MoneyFormat.h"
#include "TickerRoutes.h"

#include <CLI/CLI.hpp>
#include <httplib.h>

#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <thread>

namespace {

constexpr const char* kName = "marrowfin ticker-service";

// Every keep-alive connection holds one pool thread for as long as it stays open, so the
// pool has a thread for each of the 64 clients it is sized for, and a few to spare for
// connections that come and go around them.
constexpr size_t kKeepAliveClients = 64;
constexpr size_t kPoolThreads = kKeepAliveClients + 8;
constexpr int kListenBacklog = 256;
// Requests one connection may carry before the server closes it; clients reconnect.
constexpr size_t kKeepAliveRequests = 100000;
// An idle connection is closed after this long. A stop waits for idle connections to
// close, so this bounds how long SIGTERM takes.
constexpr time_t kKeepAliveSeconds = 1;

struct Options {
    std::string bind = "127.0.0.1";
    int port = 0;
    std::optional<uint64_t> seed;
};

// Fills `options`; gives an exit status when the program is done already (help, or a
// usage error reported in one line on stderr).
std::optional<int> parse(int argc, char** argv, Options& options) {
    CLI::App app{"Serve BTC ticker replies from a simulated market.", kName};
    app.add_option("--bind", options.bind, "address to listen on")->capture_default_str();
    app.add_option("--port", options.port, "port to listen on; 0 picks a free one")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    app.add_option("--seed", options.seed, "seed of the market; from the clock when absent");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        std::string message = e.what();
        if (const auto newline = message.find('\n'); newline != std::string::npos)
            message.resize(newline);
        std::fprintf(stderr, "%s: %s (see --help)\n", kName, message.c_str());
        return 2;
    }
    return std::nullopt;
}

std::string urlHost(const std::string& address) {
    return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const auto status = parse(argc, argv, options))
        return *status;

    const uint64_t seed = options.seed.value_or(
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));

    std::string error;
    auto format = ticker::MoneyFormat::create(error);
    if (!format) {
        std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
        return 1;
    }
    ticker::TickerRoutes routes(seed, std::move(format));

    // SIGINT and SIGTERM are taken by sigwait below, never by a handler: block them before
    // any thread starts, so every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kPoolThreads); };
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(kKeepAliveRequests);
    server.set_keep_alive_timeout(kKeepAliveSeconds);
    server.set_pre_routing_handler([&routes](const httplib::Request& req, httplib::Response& res) {
        routes.answer(req, res);
        return httplib::Server::HandlerResponse::Handled;
    });
    // The library listens with a tiny backlog; remember the socket to give it a real one.
    int listenSocket = -1;
    server.set_socket_options([&listenSocket](int sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listenSocket = sock;
    });

    errno = 0;
    int port = options.port;
    const bool bound = port == 0 ? (port = server.bind_to_any_port(options.bind)) > 0
                                 : server.bind_to_port(options.bind, port);
    if (!bound) {
        const int cause = errno;
        std::fprintf(stderr, "%s: cannot listen on %s port %d%s%s\n", kName, options.bind.c_str(),
                     options.port, cause ? ": " : "", cause ? std::strerror(cause) : "");
        return 1;
    }
    ::listen(listenSocket, kListenBacklog);

    std::atomic<bool> listenerDone{false};
    std::thread listener([&] {
        server.listen_after_bind();
        listenerDone = true;
    });

    // The socket is listening: connections made from now on are accepted.
    std::printf("listening on http://%s:%d/\n", urlHost(options.bind).c_str(), port);
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    // stop() only acts on a running server; a signal may come before the listener got going.
    while (!server.is_running() && !listenerDone)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server.stop();
    listener.join();
    return 0;
}
