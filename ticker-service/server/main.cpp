// marrowfin ticker-service [--bind ADDR] [--port N] [--seed N] [--market simulated|live]
//                          [--upstream NAME=URL]... [--fresh S] [--stale S] [limits]
//
// Serves the ticker replies of all sixteen currencies, from a simulated market or from
// today's exchanges, until SIGINT or SIGTERM. Prints "listening on http://ADDR:PORT/" once
// it accepts connections.

#include "HttpServer.h"
#include "LiveService.h"
#include "MoneyFormat.h"
#include "SimulatedMarket.h"

#include <CLI/CLI.hpp>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr const char* kName = "marrowfin ticker-service";
// A stop lets the replies on their way finish for at most this long.
constexpr auto kStopGrace = std::chrono::milliseconds(1500);
// File descriptors kept for what is not a client connection (refusals included).
constexpr rlim_t kSpareDescriptors = 512;
constexpr unsigned kMaxThreads = 4;
constexpr size_t kMaxConnectionsCap = 1'000'000;

struct Options {
    std::string bind = "127.0.0.1";
    int port = 0;
    std::optional<uint64_t> seed;
    std::string market = "simulated";
    std::vector<std::string> upstreams; // NAME=URL
    double fresh = 30;
    double stale = 600;
    ticker::ServerLimits limits;
    double headTimeout = 5;
    double idleTimeout = 10;
};

std::chrono::milliseconds milliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
}

// Fills `options`; gives an exit status when the program is done already (help, or a
// usage error reported in one line on stderr).
std::optional<int> parse(int argc, char** argv, Options& options) {
    CLI::App app{"Serve BTC ticker replies from a simulated market or from today's exchanges.",
                 kName};
    app.add_option("--bind", options.bind, "address to listen on")->capture_default_str();
    app.add_option("--port", options.port, "port to listen on; 0 picks a free one")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    app.add_option("--seed", options.seed, "seed of the market; from the clock when absent");
    app.add_option("--market", options.market,
                   "where the replies come from: a simulated market, or today's exchanges")
        ->check(CLI::IsMember({"simulated", "live"}))
        ->capture_default_str();
    app.add_option("--upstream", options.upstreams,
                   "NAME=URL: the base URL of a live source (kraken, bitstamp, ecb, cbr)")
        ->check([](const std::string& value) -> std::string {
            const size_t equals = value.find('=');
            if (equals == std::string::npos ||
                !ticker::liveDefaultBases().contains(value.substr(0, equals)))
                return "expected NAME=URL with NAME one of kraken, bitstamp, ecb, cbr";
            const std::string url = value.substr(equals + 1);
            if (!url.starts_with("http://") && !url.starts_with("https://"))
                return "the URL of " + value.substr(0, equals) + " must be http:// or https://";
            return {};
        });
    app.add_option("--fresh", options.fresh,
                   "seconds between two requests to one exchange, at least (live market)")
        ->check(CLI::Range(1.0, 86400.0))
        ->capture_default_str();
    app.add_option("--stale", options.stale,
                   "seconds a ticker may be served after it was fetched (live market)")
        ->check(CLI::Range(1.0, 86400.0))
        ->capture_default_str();
    app.add_option("--max-connections", options.limits.maxConnections,
                   "open connections at most (and as the open-file limit allows); past it, "
                   "503")
        ->check(CLI::Range(size_t{1}, kMaxConnectionsCap))
        ->capture_default_str();
    app.add_option("--max-per-address", options.limits.maxPerAddress,
                   "open connections from one client address at most; past it, 503")
        ->check(CLI::Range(size_t{1}, kMaxConnectionsCap))
        ->capture_default_str();
    app.add_option("--head-timeout", options.headTimeout,
                   "seconds a client has to send a whole request head")
        ->check(CLI::Range(0.001, 3600.0))
        ->capture_default_str();
    app.add_option("--idle-timeout", options.idleTimeout,
                   "seconds a keep-alive connection may wait for its next request")
        ->check(CLI::Range(0.001, 3600.0))
        ->capture_default_str();
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
    if (options.stale < options.fresh) {
        // Figures would go stale between two fetches, and replies would fail in between.
        std::fprintf(stderr, "%s: --stale must be at least --fresh (see --help)\n", kName);
        return 2;
    }
    options.limits.headTimeout = milliseconds(options.headTimeout);
    options.limits.idleTimeout = milliseconds(options.idleTimeout);
    return std::nullopt;
}

// Raises the open-file limit as far as allowed, and keeps the connection cap within it, so
// that the cap, not the process running out of descriptors, is what a client meets.
void fitConnectionsToDescriptors(ticker::ServerLimits& limits) {
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0)
        return;
    if (files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
        getrlimit(RLIMIT_NOFILE, &files);
    }
    if (files.rlim_cur == RLIM_INFINITY)
        return;
    const rlim_t usable = files.rlim_cur > 2 * kSpareDescriptors
                              ? files.rlim_cur - kSpareDescriptors
                              : files.rlim_cur / 2;
    limits.maxConnections = std::min<size_t>(limits.maxConnections, usable);
}

ticker::LiveOptions liveOptions(const Options& options) {
    constexpr double kMicrosPerSecond = 1e6;
    ticker::LiveOptions live;
    for (const std::string& upstream : options.upstreams) {
        const size_t equals = upstream.find('=');
        live.bases[upstream.substr(0, equals)] = upstream.substr(equals + 1);
    }
    live.fresh = static_cast<ticker::Micros>(options.fresh * kMicrosPerSecond);
    live.stale = static_cast<ticker::Micros>(options.stale * kMicrosPerSecond);
    return live;
}

std::string urlHost(const std::string& address) {
    return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const auto status = parse(argc, argv, options))
        return *status;
    fitConnectionsToDescriptors(options.limits);

    const uint64_t seed = options.seed.value_or(
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));

    std::string error;
    auto format = ticker::MoneyFormat::create(error);
    if (!format) {
        std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
        return 1;
    }
    // SIGINT and SIGTERM are taken by sigwait below, never by a handler: block them before
    // any thread starts, so every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::optional<ticker::SimulatedMarket> simulated;
    std::optional<ticker::LiveService> live;
    ticker::ReplySource* market = nullptr;
    if (options.market == "live") {
        live.emplace(liveOptions(options), std::move(format), [](const std::string& line) {
            std::fprintf(stderr, "%s: %s\n", kName, line.c_str());
        });
        market = &live->source();
    } else {
        market = &simulated.emplace(seed, std::move(format));
    }

    auto server = ticker::HttpServer::listen(options.bind, static_cast<uint16_t>(options.port),
                                             *market, options.limits, error);
    if (!server) {
        std::fprintf(stderr, "%s: cannot listen on %s port %d: %s\n", kName, options.bind.c_str(),
                     options.port, error.c_str());
        return 1;
    }
    const int port = server->port();

    server->start(std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads));

    // The socket is listening: connections made from now on are accepted.
    std::printf("listening on http://%s:%d/\n", urlHost(options.bind).c_str(), port);
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server->stop(kStopGrace);
    return 0;
}
