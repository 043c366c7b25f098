// Fuzzes the JSON reader: it must never crash, and whatever it accepts must survive a trip
// through the writer: the text written reads back to an equal value and writes the same again.
#include <Foundation/NSDictionary.h>
#include <Foundation/NSJSONSerialization.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fault(const char* what, std::string_view detail) {
    std::fprintf(stderr, "json_reader_fuzz: %s: %.*s\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

// Writes the value and reads it back; answers the text written.
std::string roundTrip(const NSObject* value) {
    std::string error;
    std::string text = NSJSONSerialization::JSONStringFromObject(value, &error);
    if (text.empty())
        fault("an accepted value could not be written", error);
    Ref<NSObject> back = NSJSONSerialization::JSONObjectWithBytes(text, 0, &error);
    if (!back)
        fault("the written text was refused", text + " (" + error + ")");
    if (!back->isEqual(value))
        fault("the written text reads back to another value", text);
    if (NSJSONSerialization::JSONStringFromObject(back) != text)
        fault("writing the value read back gave other text", text);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Ref<NSObject> strict = NSJSONSerialization::JSONObjectWithBytes(bytes, 0);
    Ref<NSObject> first =
        NSJSONSerialization::JSONObjectWithBytes(bytes, NSJSONReadingStopAfterFirstValue);
    if (strict) {
        // Stopping after the first value only ever accepts more, never something else.
        if (!first || !first->isEqual(strict))
            fault("strict and stop-after-first-value readings differ", bytes);
        roundTrip(strict);
    }
    if (first)
        roundTrip(first);
    // Values made from the text as they are asked for match those built at once, whether
    // looked up one key at a time or taken whole.
    Ref<NSObject> built = NSJSONSerialization::JSONObjectWithBytes(
        bytes, NSJSONReadingStopAfterFirstValue | NSJSONReadingMutableContainers);
    if (!built != !first)
        fault("reading with and without building disagree", bytes);
    if (const auto* whole = NSCast<NSDictionary>(built.get())) {
        Ref<NSObject> fresh =
            NSJSONSerialization::JSONObjectWithBytes(bytes, NSJSONReadingStopAfterFirstValue);
        const auto* lazy = NSCast<NSDictionary>(fresh.get());
        for (const auto& [key, value] : whole->entries()) {
            if (!lazy || !value->isEqual(lazy->objectForKey(key)))
                fault("a key looked up differs from the value built", key);
        }
    }
    if (built && !built->isEqual(first))
        fault("the values built and made on demand differ", bytes);
    return 0;
}
