// The JSON reader on replies as large as a connection may deliver (8 MiB), in the shapes
// that cost a reader most: the processor time a read takes with the widget's look-ups (so a
// busy machine does not inflate it), and what the heap keeps meanwhile, against a reply of
// ordinary size.
// usage: json_read_bench
#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSJSONSerialization.h>
#include <Foundation/NSURLConnection.h>

#include <malloc.h>

#include <ctime>
#include <cstdio>
#include <string>

namespace {

double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::string repeatedUpTo(std::string head, const std::string& item, const std::string& tail,
                         std::size_t size) {
    std::string text = std::move(head);
    while (text.size() + item.size() + tail.size() <= size)
        text += item;
    if (text.back() == ',')
        text.pop_back();
    return text + tail;
}

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

} // namespace

int main() {
    const std::size_t limit = NSURLConnection::maxBodyBytes;
    std::string keys = "{";
    for (std::size_t i = 0; keys.size() + 20 < limit; ++i)
        keys += "\"k" + std::to_string(i) + "\":0,";
    keys.back() = '}';
    const struct {
        const char* name;
        std::string text;
    } shapes[] = {
        {"a ticker reply",
         R"({"data":{"last":{"display":"$1"},"high":{"display":"$2"},"low":{"display":"$0"},)"
         R"("vol":{"value":"3"},"avg":{"display":"$1"}}})"},
        {"[[[[... (unclosed)", std::string(limit, '[')},
        {"[0,0,0,...]", repeatedUpTo("[", "0,", "]", limit)},
        {"[{},{},...]", repeatedUpTo("[", "{},", "]", limit)},
        {"[\"\",\"\",...]", repeatedUpTo("[", "\"\",", "]", limit)},
        {"{\"k0\":0,... } (wide object)", keys},
        {"{\"data\":{\"k0\":0,...}}", "{\"data\":" + keys + "}"},
        {"[\"xxx...\"] (one long string)", "[\"" + std::string(limit - 4, 'x') + "\"]"},
    };
    std::printf("%-32s %12s %9s\n", "reply (8 MiB unless said)", "read CPU ms", "kept MiB");
    for (const auto& shape : shapes) {
        std::size_t before = heapInUse(), peak = before;
        double start = cpuMilliseconds();
        {
            Ref<NSObject> value = NSJSONSerialization::JSONObjectWithBytes(
                shape.text, NSJSONReadingStopAfterFirstValue);
            // What the widget looks at.
            if (const NSDictionary* top = NSCast<NSDictionary>(value.get())) {
                if (const NSDictionary* data = NSCast<NSDictionary>(top->objectForKey("data"))) {
                    for (const char* key : {"last", "low", "high", "vol", "avg"})
                        data->objectForKey(key);
                }
            }
            peak = std::max(peak, heapInUse());
        }
        double ms = cpuMilliseconds() - start;
        std::printf("%-32s %12.1f %9.1f\n", shape.name, ms,
                    static_cast<double>(peak - before) / (1024.0 * 1024.0));
    }
    std::printf("targets: every 8 MiB reply read in under 1000 ms; the host's peak under 64 MiB\n");
}
