// Property lists through libplist. Both directions walk the tree with an explicit stack,
// and every list is measured before libplist sees it, because libplist itself recurses
// (freeing, writing, reading binary) and expands shared binary objects into copies.
#include <Foundation/NSArray.h>
#include <Foundation/NSData.h>
#include <Foundation/NSDate.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSPropertyList.h>
#include <Foundation/NSString.h>

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

constexpr std::size_t kMaxBytes = std::numeric_limits<uint32_t>::max();

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

// --- Measuring an XML list before parsing ------------------------------------------------

// How deep the elements of an XML document nest. Comments, CDATA sections, processing
// instructions and declarations are skipped; quotes inside a tag are honoured. Every
// element counts, not only containers, so the figure is never below the list's depth.
std::size_t xmlElementDepth(std::string_view text) {
    std::size_t depth = 0, deepest = 0;
    std::size_t i = 0;
    auto skipPast = [&](std::string_view end) {
        std::size_t at = text.find(end, i);
        i = at == std::string_view::npos ? text.size() : at + end.size();
    };
    while (i < text.size()) {
        std::size_t lt = text.find('<', i);
        if (lt == std::string_view::npos)
            break;
        i = lt + 1;
        std::string_view rest = text.substr(lt);
        if (rest.starts_with("<!--")) {
            skipPast("-->");
        } else if (rest.starts_with("<![CDATA[")) {
            skipPast("]]>");
        } else if (rest.starts_with("<?")) {
            skipPast("?>");
        } else if (rest.starts_with("<!")) {
            skipPast(">");
        } else if (rest.starts_with("</")) {
            if (depth > 0)
                --depth;
            skipPast(">");
        } else {
            char quote = 0;
            char last = 0;
            while (i < text.size()) {
                char c = text[i++];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
                    last = c;
                }
            }
            if (last != '/' && ++depth > deepest)
                deepest = depth;
        }
    }
    return deepest;
}

// --- Measuring a binary list before parsing -----------------------------------------------

class BinaryShape {
public:
    explicit BinaryShape(std::string_view bytes) : m_bytes(bytes) {}

    // Whether the object graph is well formed, acyclic, at most kMaxDepth containers deep
    // and at most kMaxBinaryValues values once shared objects are expanded.
    bool check(std::string* error) {
        if (!readTrailer())
            return fail(error, "malformed binary property list");
        if (m_count > kMaxBinaryValues)
            return fail(error, "binary property list has too many objects");
        std::vector<uint8_t> state(m_count, 0); // 0 new, 1 on the path, 2 measured
        std::vector<uint32_t> depth(m_count, 0);
        std::vector<uint64_t> values(m_count, 0);
        struct Step {
            uint64_t object;
            Refs refs;
            uint64_t next;
        };
        std::vector<Step> path;
        auto enter = [&](uint64_t object) {
            Refs refs;
            if (!refsOf(object, refs))
                return false;
            state[object] = 1;
            path.push_back({object, refs, 0});
            return true;
        };
        if (!enter(m_top))
            return fail(error, "malformed binary property list");
        while (!path.empty()) {
            Step& step = path.back();
            if (step.next < step.refs.count) {
                uint64_t child = 0;
                if (!ref(step.refs.at + step.next * m_refSize, child) || child >= m_count)
                    return fail(error, "malformed binary property list");
                ++step.next;
                if (state[child] == 1)
                    return fail(error, "binary property list refers to itself");
                if (state[child] == 0 && !enter(child))
                    return fail(error, "malformed binary property list");
                continue;
            }
            uint64_t object = step.object;
            bool container = step.refs.container;
            uint64_t sum = 1;
            uint32_t deepest = 0;
            for (uint64_t k = 0; k < step.refs.count; ++k) {
                uint64_t child = 0;
                ref(step.refs.at + k * m_refSize, child);
                sum += values[child];
                deepest = std::max(deepest, depth[child]);
                if (sum > kMaxBinaryValues)
                    return fail(error, "binary property list expands too far");
            }
            path.pop_back();
            state[object] = 2;
            values[object] = sum;
            depth[object] = deepest + (container ? 1 : 0);
            if (depth[object] > kMaxDepth)
                return fail(error, "property list nests too deep");
        }
        return true;
    }

private:
    struct Refs {
        bool container = false;
        uint64_t at = 0;
        uint64_t count = 0;
    };

    bool readUInt(uint64_t at, unsigned size, uint64_t& value) const {
        if (size == 0 || size > 8 || at > m_bytes.size() || m_bytes.size() - at < size)
            return false;
        value = 0;
        for (unsigned k = 0; k < size; ++k)
            value = value << 8 | static_cast<uint8_t>(m_bytes[at + k]);
        return true;
    }
    bool ref(uint64_t at, uint64_t& value) const { return readUInt(at, m_refSize, value); }

    bool readTrailer() {
        if (m_bytes.size() < 8 + 32 || !m_bytes.starts_with("bplist00"))
            return false;
        uint64_t t = m_bytes.size() - 32;
        uint64_t offsetSize = 0, refSize = 0, tableAt = 0;
        if (!readUInt(t + 6, 1, offsetSize) || !readUInt(t + 7, 1, refSize) ||
            !readUInt(t + 8, 8, m_count) || !readUInt(t + 16, 8, m_top) ||
            !readUInt(t + 24, 8, tableAt))
            return false;
        if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || m_count == 0 ||
            m_top >= m_count || tableAt < 8 || tableAt > t || m_count > (t - tableAt) / offsetSize)
            return false;
        m_offsetSize = static_cast<unsigned>(offsetSize);
        m_refSize = static_cast<unsigned>(refSize);
        m_tableAt = tableAt;
        return true;
    }

    // Where the object's references lie; none for a scalar. Also refuses dates the
    // platform's date exchange with libplist cannot carry.
    bool refsOf(uint64_t object, Refs& refs) const {
        uint64_t at = 0, marker = 0;
        if (!readUInt(m_tableAt + object * m_offsetSize, m_offsetSize, at) ||
            !readUInt(at, 1, marker))
            return false;
        unsigned kind = static_cast<unsigned>(marker >> 4), info = marker & 0xF;
        if (marker == 0x33) {
            uint64_t raw = 0;
            if (!readUInt(at + 1, 8, raw))
                return false;
            double seconds;
            std::memcpy(&seconds, &raw, sizeof seconds);
            return std::isfinite(seconds) && seconds > std::numeric_limits<int32_t>::min() &&
                   seconds < std::numeric_limits<int32_t>::max();
        }
        if (kind != 0xA && kind != 0xC && kind != 0xD)
            return true;
        uint64_t count = info, start = at + 1;
        if (info == 0xF) {
            uint64_t intMarker = 0;
            if (!readUInt(start, 1, intMarker) || (intMarker >> 4) != 0x1 || (intMarker & 0xF) > 3)
                return false;
            unsigned size = 1u << (intMarker & 0xF);
            if (!readUInt(start + 1, size, count))
                return false;
            start += 1 + size;
        }
        uint64_t memberRefs = kind == 0xD ? count * 2 : count;
        if (count > m_bytes.size() ||
            memberRefs > (m_bytes.size() - std::min<uint64_t>(start, m_bytes.size())) / m_refSize)
            return false;
        refs = {true, start, memberRefs};
        return true;
    }

    std::string_view m_bytes;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    uint64_t m_count = 0;
    uint64_t m_top = 0;
    uint64_t m_tableAt = 0;
};

// --- libplist -> platform values ----------------------------------------------------------

// An integer above the signed range reads the same as a negative one through libplist's
// getter; its XML form tells them apart.
bool isNegativeInteger(plist_t node) {
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    MallocPtr text(xml);
    return text && std::string_view(xml, length).find("<integer>-") != std::string_view::npos;
}

Ref<NSObject> scalarFromNode(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return NSNumber::numberWithBool(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        if (value > static_cast<uint64_t>(INT64_MAX) && !isNegativeInteger(node))
            return NSNumber::numberWithUnsignedLongLong(value);
        return NSNumber::numberWithLongLong(static_cast<int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return NSNumber::numberWithDouble(value);
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        MallocPtr owned(text);
        return make<NSString>(text ? std::string(text) : std::string());
    }
    case PLIST_DATE: {
        int32_t seconds = 0, micros = 0;
        plist_get_date_val(node, &seconds, &micros);
        // libplist narrows its double to 32 bits; the lowest value is what a date beyond
        // that range turns into, so it is refused rather than read as 1901.
        if (seconds == std::numeric_limits<int32_t>::min())
            return nullptr;
        return NSDate::dateWithTimeIntervalSinceReferenceDate(seconds + micros / 1e6);
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        MallocPtr owned(bytes);
        return NSData::dataWithBytes(bytes, bytes ? length : 0);
    }
    default: // uid, stray key, none: no platform value stands for them
        return nullptr;
    }
}

bool isContainer(plist_t node) {
    plist_type type = plist_get_node_type(node);
    return type == PLIST_ARRAY || type == PLIST_DICT;
}

// A container being read: its node, its iterator, what it has gathered so far.
struct ReadFrame {
    plist_t node;
    bool dictionary;
    void* iter = nullptr;
    std::vector<Ref<NSObject>> items;
    NSDictionary::Storage entries;
    std::string pendingKey; // key of the nested container being read

    ReadFrame(plist_t n) : node(n), dictionary(plist_get_node_type(n) == PLIST_DICT) {
        if (dictionary)
            plist_dict_new_iter(node, &iter);
        else
            plist_array_new_iter(node, &iter);
    }
    ReadFrame(ReadFrame&& other) noexcept
        : node(other.node), dictionary(other.dictionary), iter(std::exchange(other.iter, nullptr)),
          items(std::move(other.items)), entries(std::move(other.entries)),
          pendingKey(std::move(other.pendingKey)) {}
    ReadFrame(const ReadFrame&) = delete;
    ~ReadFrame() { std::free(iter); }

    // The next member, or null at the end; `key` receives a dictionary member's key.
    plist_t next(std::string& key) {
        plist_t item = nullptr;
        if (dictionary) {
            char* rawKey = nullptr;
            plist_dict_next_item(node, iter, &rawKey, &item);
            MallocPtr owned(rawKey);
            key = rawKey ? rawKey : "";
        } else {
            plist_array_next_item(node, iter, &item);
        }
        return item;
    }

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

    void add(Ref<NSObject> value, std::string key) {
        if (dictionary)
            entries.insert_or_assign(std::move(key), std::move(value));
        else
            items.push_back(std::move(value));
    }
};

Ref<NSObject> objectFromNode(plist_t root, bool mutableRoot) {
    if (!isContainer(root))
        return scalarFromNode(root);
    std::vector<ReadFrame> stack;
    stack.emplace_back(root);
    while (true) {
        ReadFrame& top = stack.back();
        std::string key;
        plist_t item = top.next(key);
        if (!item) {
            Ref<NSObject> done = top.finish(stack.size() == 1 && mutableRoot);
            if (stack.size() == 1)
                return done;
            std::string parentKey = std::move(stack[stack.size() - 2].pendingKey);
            stack.pop_back();
            stack.back().add(std::move(done), std::move(parentKey));
            continue;
        }
        if (isContainer(item)) {
            if (stack.size() >= kMaxDepth)
                return nullptr;
            top.pendingKey = std::move(key);
            stack.emplace_back(item);
            continue;
        }
        Ref<NSObject> value = scalarFromNode(item);
        if (!value)
            return nullptr;
        top.add(std::move(value), std::move(key));
    }
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

Ref<NSObject> objectWithData(std::string_view bytes, bool mutableRoot, std::string* error) {
    if (bytes.empty()) {
        fail(error, "empty");
        return nullptr;
    }
    if (bytes.size() > kMaxBytes) {
        fail(error, "too large");
        return nullptr;
    }
    auto length = static_cast<uint32_t>(bytes.size());
    plist_t raw = nullptr;
    if (plist_is_binary(bytes.data(), length)) {
        if (!BinaryShape(bytes).check(error))
            return nullptr;
        plist_from_bin(bytes.data(), length, &raw);
    } else {
        if (xmlElementDepth(bytes) > kMaxDepth + 2) { // + <plist> and a scalar's element
            fail(error, "property list nests too deep");
            return nullptr;
        }
        plist_from_xml(bytes.data(), length, &raw);
    }
    PlistPtr root(raw);
    if (!root) {
        fail(error, "not a property list");
        return nullptr;
    }
    Ref<NSObject> object = objectFromNode(root.get(), mutableRoot);
    if (!object)
        fail(error, "the property list holds a value the platform cannot represent");
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
