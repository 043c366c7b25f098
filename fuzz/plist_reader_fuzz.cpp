// Fuzzes the property-list readers (XML and binary): they must never crash nor run past
// their limits, and whatever they accept and the writer can write must read back.
#include <Foundation/NSPropertyList.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Ref<NSObject> value = NSPropertyList::objectWithData(bytes, size % 2 == 0);
    if (!value)
        return 0;
    for (auto format : {NSPropertyList::Format::XML, NSPropertyList::Format::Binary}) {
        std::string written;
        // A string holding a NUL has no form the writer makes; the limits may refuse an
        // expanded copy of shared binary objects.
        if (!NSPropertyList::dataWithObject(value.get(), format, written) ||
            written.size() > NSPropertyList::kMaxBytes)
            continue;
        if (!NSPropertyList::objectWithData(written, false)) {
            std::fprintf(stderr, "plist_reader_fuzz: a written list does not read back: %s\n",
                         written.c_str());
            std::abort();
        }
    }
    return 0;
}
