// Refresh round trips in process, against a ticker service on loopback:
//   - one refresh (reload: until the five labels are set), median and p99 over N, against a
//     bare libcurl GET on a new handle;
//   - N refreshes started at once against N in a row.
// usage: refresh_bench PORT [N]
#include "MarrowfinController.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSRunLoop+Host.h>
#include <Foundation/NSURLConnection+Host.h>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    std::size_t index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

size_t discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

double bareCurlGet(const std::string& url) {
    Clock::time_point start = Clock::now();
    CURL* handle = curl_easy_init();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    // The request the widget's connection sends: it offers every encoding curl decodes, so
    // the service answers both in gzip.
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    CURLcode code = curl_easy_perform(handle);
    curl_easy_cleanup(handle);
    if (code != CURLE_OK) {
        std::fprintf(stderr, "curl: %s\n", curl_easy_strerror(code));
        std::exit(1);
    }
    return millisecondsSince(start);
}

// The texts are set anew by every good reply; a changed average line marks one.
struct Refresher {
    MarrowfinController* controller;
    long finished = 0;

    // Refreshes `count` times at once and runs the loop until every reply has been shown.
    void refreshAndWait(int count) {
        for (int i = 0; i < count; ++i) {
            controller->getVolumeLabel()->setText(nullptr);
            controller->reload(nullptr);
        }
        bool done = NSRunLoop::mainRunLoop()->runUntil(
            [&] {
                return URLLoading::connectionsInFlight() == 0 &&
                       controller->getVolumeLabel()->text() != nullptr;
            },
            60);
        if (!done) {
            std::fprintf(stderr, "refresh did not finish\n");
            std::exit(1);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: refresh_bench PORT [N]\n");
        return 2;
    }
    std::string port = argv[1];
    int n = argc > 2 ? std::atoi(argv[2]) : 1000;
    std::string path = "/api/2/BTCUSD/money/ticker";

    std::filesystem::path root = std::filesystem::temp_directory_path() / "marrowfin-bench-root";
    std::filesystem::create_directories(root / "var/mobile/Library/Preferences");
    std::ofstream(root / "var/mobile/Library/Preferences/org.marrowfin.prefs.plist")
        << "<plist version=\"1.0\"><dict><key>currency</key><string>USD</string></dict></plist>";
    DeviceRoot::set(root.string());
    URLLoading::setConnectTo({"::127.0.0.1:" + port});

    Ref<MarrowfinController> controller = make<MarrowfinController>();
    controller->view();
    NSRunLoop::mainRunLoop()->runUntil([] { return URLLoading::connectionsInFlight() == 0; }, 30);
    Refresher refresher{controller.get()};

    // Warm both sides up.
    for (int i = 0; i < 20; ++i) {
        refresher.refreshAndWait(1);
        bareCurlGet("http://127.0.0.1:" + port + path);
    }

    std::vector<double> widget, curl;
    for (int i = 0; i < n; ++i) {
        Clock::time_point start = Clock::now();
        refresher.refreshAndWait(1);
        widget.push_back(millisecondsSince(start));
        curl.push_back(bareCurlGet("http://127.0.0.1:" + port + path));
    }
    double wMedian = percentile(widget, 0.5), wP99 = percentile(widget, 0.99);
    double cMedian = percentile(curl, 0.5), cP99 = percentile(curl, 0.99);
    std::printf("refresh round trip (%d): median %.3f ms, p99 %.3f ms\n", n, wMedian, wP99);
    std::printf("bare libcurl GET, new handle (%d): median %.3f ms, p99 %.3f ms\n", n, cMedian,
                cP99);
    std::printf("ratio: median %.2fx, p99 %.2fx (target at most 1.3x)\n", wMedian / cMedian,
                wP99 / cP99);

    Clock::time_point inRow = Clock::now();
    for (int i = 0; i < n; ++i)
        refresher.refreshAndWait(1);
    double rowMs = millisecondsSince(inRow);
    Clock::time_point atOnce = Clock::now();
    refresher.refreshAndWait(n);
    double onceMs = millisecondsSince(atOnce);
    std::printf("%d refreshes in a row: %.1f ms; started at once: %.1f ms; ratio %.2fx (target at "
                "most 2x)\n",
                n, rowMs, onceMs, onceMs / rowMs);
    std::filesystem::remove_all(root);
    return 0;
}
