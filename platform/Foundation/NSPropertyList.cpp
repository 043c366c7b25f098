// Property lists: read by our own readers (PlistXMLReader.cpp, PlistBinaryReader.cpp),
// written through libplist. The writer walks the tree with an explicit stack and refuses
// a tree deeper than the limit, because libplist itself recurses when it frees and writes.
#include <Foundation/NSArray.h>
#include <Foundation/NSData.h>
#include <Foundation/NSDate.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSPropertyList.h>
#include <Foundation/NSString.h>
#include <Foundation/PlistReaders.h>

#include <plist/plist.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace NSPropertyList {
namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using MallocPtr = std::unique_ptr<char, FreeDeleter>;

bool fail(std::string* error, std::string reason) {
    if (error)
        *error = std::move(reason);
    return false;
}

// --- platform values -> libplist ----------------------------------------------------------

plist_t unsignedNode(uint64_t value) {
    // plist_new_uint marks every integer as signed, so a value above the signed range
    // would be written as a negative number; libplist's own XML reader marks it right.
    std::string xml = "<plist><integer>" + std::to_string(value) + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &node);
    return node;
}

// A scalar's node, or null when the value has no property-list form.
plist_t scalarNode(const NSObject* object, std::string* error) {
    if (const NSString* string = NSCast<NSString>(object)) {
        const std::string& text = string->UTF8String();
        if (text.find('\0') != std::string::npos) {
            fail(error, "a string holds a NUL character");
            return nullptr;
        }
        return plist_new_string(text.c_str());
    }
    if (const NSNumber* number = NSCast<NSNumber>(object)) {
        switch (number->kind()) {
        case NSNumber::Kind::Bool:
            return plist_new_bool(number->boolValue() ? 1 : 0);
        case NSNumber::Kind::Int:
            return plist_new_uint(static_cast<uint64_t>(number->longLongValue()));
        case NSNumber::Kind::UInt:
            return unsignedNode(number->unsignedLongLongValue());
        case NSNumber::Kind::Double:
            return plist_new_real(number->doubleValue());
        }
    }
    if (const NSDate* date = NSCast<NSDate>(object)) {
        double seconds = date->timeIntervalSinceReferenceDate();
        double whole = std::trunc(seconds);
        if (!std::isfinite(seconds) || whole <= std::numeric_limits<int32_t>::min() ||
            whole > std::numeric_limits<int32_t>::max()) {
            fail(error, "a date lies beyond the property-list range");
            return nullptr;
        }
        return plist_new_date(static_cast<int32_t>(whole),
                              static_cast<int32_t>(std::lround((seconds - whole) * 1e6)));
    }
    if (const NSData* data = NSCast<NSData>(object))
        return plist_new_data(reinterpret_cast<const char*>(data->bytes()), data->length());
    fail(error, std::string("a ") + (object ? object->className() : "null") +
                    " has no property-list form");
    return nullptr;
}

// A container being written: the platform container, where it has got to, and its node
// (already placed in its parent, so freeing the root frees everything).
struct WriteFrame {
    const NSArray* array;
    const NSDictionary* dictionary;
    plist_t node;
    std::size_t index = 0;
    NSDictionary::Storage::const_iterator entry{};
};

bool startFrame(const NSObject* object, std::vector<WriteFrame>& stack, plist_t& node) {
    if (const NSArray* array = NSCast<NSArray>(object)) {
        node = plist_new_array();
        stack.push_back({array, nullptr, node});
        return true;
    }
    if (const NSDictionary* dictionary = NSCast<NSDictionary>(object)) {
        node = plist_new_dict();
        stack.push_back({nullptr, dictionary, node, 0, dictionary->entries().begin()});
        return true;
    }
    return false;
}

PlistPtr nodeFromObject(const NSObject* root, std::string* error) {
    std::vector<WriteFrame> stack;
    plist_t rootNode = nullptr;
    if (!startFrame(root, stack, rootNode)) {
        rootNode = scalarNode(root, error);
        return PlistPtr(rootNode);
    }
    PlistPtr owner(rootNode);
    while (!stack.empty()) {
        WriteFrame& top = stack.back();
        const NSObject* child = nullptr;
        const std::string* key = nullptr;
        if (top.array) {
            if (top.index == top.array->count()) {
                stack.pop_back();
                continue;
            }
            child = top.array->objectAtIndex(top.index++);
        } else {
            if (top.entry == top.dictionary->entries().end()) {
                stack.pop_back();
                continue;
            }
            key = &top.entry->first;
            child = top.entry->second.get();
            ++top.entry;
            if (key->find('\0') != std::string::npos) {
                fail(error, "a key holds a NUL character");
                return nullptr;
            }
        }
        plist_t parent = top.node;
        plist_t node = nullptr;
        if (startFrame(child, stack, node)) {
            if (stack.size() > kMaxDepth) {
                plist_free(node);
                fail(error, "the value nests too deep");
                return nullptr;
            }
        } else if (!(node = scalarNode(child, error))) {
            return nullptr;
        }
        if (key)
            plist_dict_set_item(parent, key->c_str(), node);
        else
            plist_array_append_item(parent, node);
    }
    return owner;
}

} // namespace

void appendUTF8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

Ref<NSObject> objectWithData(std::string_view bytes, bool mutableRoot, std::string* error) {
    std::string reason;
    Ref<NSObject> object;
    if (bytes.empty())
        reason = "empty";
    else if (bytes.size() > kMaxBytes)
        reason = "too large";
    else if (bytes.starts_with("bplist00"))
        object = readBinary(bytes, mutableRoot, reason);
    else
        object = readXML(bytes, mutableRoot, reason);
    if (!object && error)
        *error = reason.empty() ? "not a property list" : reason;
    return object;
}

bool dataWithObject(const NSObject* root, Format format, std::string& out, std::string* error) {
    PlistPtr node = nodeFromObject(root, error);
    if (!node)
        return false;
    char* bytes = nullptr;
    uint32_t length = 0;
    if (format == Format::XML)
        plist_to_xml(node.get(), &bytes, &length);
    else
        plist_to_bin(node.get(), &bytes, &length);
    MallocPtr owned(bytes);
    if (!bytes)
        return fail(error, "libplist could not write the list");
    out.assign(bytes, length);
    return true;
}

} // namespace NSPropertyList
