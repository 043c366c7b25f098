// The settings file under stress:
//   - reading lists at the reader's limits (values, size, depth, shared binary objects),
//     the slowest read against a target of 100 ms, each beside libplist parsing the same
//     bytes, and the hostile files beyond the limits being refused;
//   - writers killed at random moments, and just before their rename, against the
//     temporary files they leave behind (target: at most one).
// usage: settings_file_bench [KILLS]
#include <Foundation/AtomicFile+Testing.h>
#include <Foundation/DeviceRoot.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSPropertyList.h>
#include <Foundation/NSString.h>

#include <plist/plist.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// CPU time of this thread, in milliseconds: the work a read costs, whatever else the
// machine is busy with.
double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The median of `runs` timings of `body`, in milliseconds of CPU time.
template <typename Body>
double median(int runs, Body body) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double start = cpuMilliseconds();
        body();
        times.push_back(cpuMilliseconds() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string xmlDictionary(std::size_t entries) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>";
    for (std::size_t i = 0; i < entries; ++i)
        xml += "<key>" + std::to_string(i) + "</key><true/>";
    return xml + "</dict></plist>\n";
}

std::string xmlArrayOfTrue(std::size_t members) {
    std::string xml = "<plist version=\"1.0\"><array>";
    for (std::size_t i = 0; i < members; ++i)
        xml += "<true/>";
    return xml + "</array></plist>\n";
}

std::string xmlNested(std::size_t depth) {
    std::string xml = "<plist version=\"1.0\">";
    for (std::size_t i = 0; i < depth; ++i)
        xml += "<array>";
    for (std::size_t i = 0; i < depth; ++i)
        xml += "</array>";
    return xml + "</plist>\n";
}

std::string xmlString(std::size_t bytes) {
    return "<plist version=\"1.0\"><dict><key>s</key><string>" + std::string(bytes, 'x') +
           "</string></dict></plist>\n";
}

// The same list in binary form, as the platform writes it.
std::string binaryOf(const std::string& xml) {
    std::string out;
    Ref<NSObject> list = NSPropertyList::objectWithData(xml, false);
    NSPropertyList::dataWithObject(list.get(), NSPropertyList::Format::Binary, out);
    return out;
}

// `levels` arrays, each holding the next `fan` times; four-byte offsets and references.
std::string sharedArrays(uint32_t levels, uint32_t fan) {
    auto be = [](std::string& out, uint64_t value, int size) {
        for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
            out += static_cast<char>((value >> shift) & 0xFF);
    };
    std::string out = "bplist00";
    std::vector<uint32_t> offsets;
    for (uint32_t i = 0; i < levels; ++i) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        uint32_t count = i + 1 < levels ? fan : 0;
        out += "\xAF\x12";
        be(out, count, 4);
        for (uint32_t k = 0; k < count; ++k)
            be(out, i + 1, 4);
    }
    uint64_t table = out.size();
    for (uint32_t offset : offsets)
        be(out, offset, 4);
    out.append(6, '\0');
    out += "\x04\x04";
    be(out, levels, 8);
    be(out, 0, 8);
    be(out, table, 8);
    return out;
}

double libplistParse(const std::string& bytes) {
    return median(3, [&] {
        plist_t root = nullptr;
        if (bytes.starts_with("bplist00"))
            plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
        else
            plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
        plist_free(root);
    });
}

void readingAtTheLimits(const fs::path& folder) {
    const std::size_t values = NSPropertyList::kMaxValues;
    struct Shape {
        const char* name;
        std::string bytes;
        bool readable;
    } shapes[] = {
        {"XML dictionary, 32,767 keys", xmlDictionary((values - 1) / 2), true},
        {"XML array, 65,535 members", xmlArrayOfTrue(values - 1), true},
        {"XML string of 1 MiB less its markup", xmlString(NSPropertyList::kMaxBytes - 100), true},
        {"XML arrays 512 deep", xmlNested(NSPropertyList::kMaxDepth), true},
        {"binary dictionary, 32,767 keys", binaryOf(xmlDictionary((values - 1) / 2)), true},
        {"binary shared arrays, 1 + 255 + 255^2 values", sharedArrays(3, 255), true},
        {"binary shared arrays, 64 levels of 2 (2^64 values)", sharedArrays(64, 2), false},
        {"XML dictionary, 1,000,000 keys", xmlDictionary(1000000), false},
    };
    std::printf("median CPU time of a read, ours and libplist's parse of the same bytes:\n");
    std::printf("%-52s %9s %10s %12s\n", "list", "bytes", "read (ms)", "libplist (ms)");
    double worst = 0;
    for (const Shape& shape : shapes) {
        fs::path file = folder / "var/mobile/Library/Preferences/bench.plist";
        std::ofstream(file, std::ios::binary) << shape.bytes;
        bool read = false;
        // From the file, as a host reads it; the root of some shapes is no dictionary, so
        // the value read is what counts.
        double ms = median(11, [&] {
            Ref<NSObject> value;
            if (shape.bytes.size() <= NSPropertyList::kMaxBytes) {
                std::string bytes(fs::file_size(file), '\0');
                std::ifstream(file, std::ios::binary).read(bytes.data(), bytes.size());
                value = NSPropertyList::objectWithData(bytes, true);
            }
            read = bool(value) || bool(NSDictionary::dictionaryWithContentsOfFile(
                                      "/var/mobile/Library/Preferences/bench.plist"));
        });
        if (read != shape.readable) {
            std::fprintf(stderr, "%s: %s\n", shape.name, read ? "read" : "refused");
            std::exit(1);
        }
        worst = std::max(worst, ms);
        // libplist would expand the shared arrays and take half a minute over a million keys.
        bool peer = shape.readable;
        char peerText[32] = "(not run)";
        if (peer)
            std::snprintf(peerText, sizeof peerText, "%.2f", libplistParse(shape.bytes));
        std::printf("%-52s %9zu %10.2f %13s%s\n", shape.name, shape.bytes.size(), ms, peerText,
                    shape.readable ? "" : "  refused");
    }
    std::printf("slowest read of a file within or beyond the limits: %.2f ms of CPU time (target "
                "under 100 ms)\n",
                worst);
}

std::size_t temporariesIn(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().filename().string().starts_with(".bench.plist.tmp-");
    return count;
}

Ref<NSDictionary> settings(const char* currency) {
    NSDictionary::Storage entries{{"currency", NSString::stringWithUTF8String(currency)}};
    return make<NSDictionary>(std::move(entries));
}

// Writers SIGKILLed `kills` times: before their rename, or at a random moment of a
// stream of writes. Answers the most temporary files seen lying about after a kill.
std::size_t killedWriters(const fs::path& folder, int kills, bool worstMoment) {
    const char* path = "/var/mobile/Library/Preferences/bench.plist";
    std::mt19937 random(7);
    std::size_t most = 0;
    for (int i = 0; i < kills; ++i) {
        pid_t child = fork();
        if (child == 0) {
            if (worstMoment)
                AtomicFile::setHookBeforeRenameForTesting([](const std::string&) -> bool {
                    ::kill(::getpid(), SIGKILL);
                    return false;
                });
            for (;;)
                settings("EUR")->writeToFile(path, true);
        }
        if (!worstMoment)
            usleep(std::uniform_int_distribution<useconds_t>(0, 3000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        most = std::max(most, temporariesIn(folder));
    }
    return most;
}

} // namespace

int main(int argc, char** argv) {
    int kills = argc > 1 ? std::atoi(argv[1]) : 300;
    fs::path root =
        fs::temp_directory_path() / ("marrowfin-plist-bench." + std::to_string(getpid()));
    fs::path prefs = root / "var/mobile/Library/Preferences";
    fs::create_directories(prefs);
    DeviceRoot::set(root.string());

    std::printf("== reading settings files at and beyond the limits ==\n");
    readingAtTheLimits(root);

    std::printf("\n== temporary files left by killed writers ==\n");
    fs::remove(prefs / "bench.plist");
    std::size_t worst = killedWriters(prefs, kills, true);
    std::printf("%d writers killed just before their rename: at most %zu temporary file(s) "
                "seen, %zu left (target at most 1)\n",
                kills, worst, temporariesIn(prefs));
    worst = killedWriters(prefs, kills, false);
    std::printf("%d writers killed at random moments: at most %zu temporary file(s) seen, %zu "
                "left (target at most 1)\n",
                kills, worst, temporariesIn(prefs));
    fs::remove_all(root);
    return 0;
}
