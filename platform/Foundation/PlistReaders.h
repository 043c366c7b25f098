#pragma once

#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSObject.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The two property-list readers behind NSPropertyList::objectWithData. Each reads its
// format in one pass, in time linear in its input, keeps every string whole with its
// length (a NUL inside is a character like any other), and refuses a list beyond the
// limits in NSPropertyList.h. On failure, null and a short reason in `error`.
namespace NSPropertyList {

Ref<NSObject> readXML(std::string_view bytes, bool mutableRoot, std::string& error);
Ref<NSObject> readBinary(std::string_view bytes, bool mutableRoot, std::string& error);

// A container being gathered by a reader.
struct PendingContainer {
    bool dictionary = false;
    std::vector<Ref<NSObject>> items;
    NSDictionary::Storage entries;

    Ref<NSObject> finish(bool asMutable) {
        if (dictionary) {
            if (asMutable)
                return make<NSMutableDictionary>(std::move(entries));
            return make<NSDictionary>(std::move(entries));
        }
        if (asMutable)
            return make<NSMutableArray>(std::move(items));
        return make<NSArray>(std::move(items));
    }
};

// Appends code point `c` to `out` as UTF-8.
void appendUTF8(std::string& out, uint32_t c);

} // namespace NSPropertyList
