// The binary property-list reader. Objects may be shared: each is made once and its value
// shared by every container that refers to it, while the limits count it at each place, so
// a small file cannot stand for a huge tree. The object graph is walked with an explicit
// stack; a container that holds itself is refused.
#include <Foundation/NSData.h>
#include <Foundation/NSDate.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSPropertyList.h>
#include <Foundation/NSString.h>
#include <Foundation/PlistReaders.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace NSPropertyList {
namespace {

class BinaryReader {
public:
    BinaryReader(std::string_view bytes, std::string& error) : m_bytes(bytes), m_error(error) {}

    Ref<NSObject> read(bool mutableRoot) {
        if (!readTrailer())
            return failed("malformed binary property list");
        if (m_count > kMaxValues)
            return failed("the property list holds too many values");
        m_objects.resize(m_count);
        if (!enter(m_top))
            return nullptr;
        while (!m_path.empty()) {
            Step& step = m_path.back();
            if (step.next < step.refCount) {
                uint64_t child = 0;
                if (!ref(step.refsAt + step.next++ * m_refSize, child) || child >= m_count)
                    return failed("malformed binary property list");
                if (m_objects[child].state == State::OnPath)
                    return failed("binary property list refers to itself");
                if (m_objects[child].state == State::New && !enter(child))
                    return nullptr;
                continue;
            }
            Step done = m_path.back();
            m_path.pop_back();
            if (!finish(done, m_path.empty() && mutableRoot))
                return nullptr;
        }
        return m_objects[m_top].value;
    }

private:
    enum class State : uint8_t { New, OnPath, Made };
    struct Object {
        State state = State::New;
        uint32_t depth = 0;  // containers, itself included
        uint64_t values = 0; // in its expanded tree, itself included
        Ref<NSObject> value;
    };
    struct Step {
        uint64_t object;
        unsigned kind; // 0xA array or set, 0xD dictionary
        uint64_t refsAt;
        uint64_t refCount;
        uint64_t next = 0;
    };

    bool refuse(const char* reason) {
        if (m_error.empty())
            m_error = reason;
        return false;
    }
    Ref<NSObject> failed(const char* reason) {
        refuse(reason);
        return nullptr;
    }

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

    // An object's marker and, after it, where its content starts and how long it is in
    // units of its kind (the count that follows a marker whose low half is 0xF).
    bool header(uint64_t object, uint8_t& marker, uint64_t& start, uint64_t& length) const {
        uint64_t at = 0, raw = 0;
        if (!readUInt(m_tableAt + object * m_offsetSize, m_offsetSize, at) || at >= m_tableAt ||
            !readUInt(at, 1, raw))
            return false;
        marker = static_cast<uint8_t>(raw);
        start = at + 1;
        length = marker & 0xF;
        unsigned kind = marker >> 4;
        if (length == 0xF && kind >= 0x4 && kind != 0x8) {
            uint64_t intMarker = 0;
            if (!readUInt(start, 1, intMarker) || (intMarker >> 4) != 0x1 || (intMarker & 0xF) > 3)
                return false;
            unsigned size = 1u << (intMarker & 0xF);
            if (!readUInt(start + 1, size, length))
                return false;
            start += 1 + size;
        }
        return true;
    }

    // Whether `count` units of `unit` bytes lie inside the object area from `start`.
    bool fits(uint64_t start, uint64_t count, uint64_t unit) const {
        return start <= m_tableAt && count <= (m_tableAt - start) / unit;
    }

    // Starts on an object: a scalar is made at once, a container goes on the path.
    bool enter(uint64_t object) {
        uint8_t marker = 0;
        uint64_t start = 0, length = 0;
        if (!header(object, marker, start, length))
            return refuse("malformed binary property list");
        unsigned kind = marker >> 4;
        if (kind == 0xA || kind == 0xC || kind == 0xD) {
            uint64_t refs = kind == 0xD ? length * 2 : length;
            if (length > m_tableAt || !fits(start, refs, m_refSize))
                return refuse("malformed binary property list");
            m_objects[object].state = State::OnPath;
            m_path.push_back({object, kind == 0xD ? 0xDu : 0xAu, start, refs});
            return true;
        }
        Ref<NSObject> value = scalar(marker, start, length);
        if (!value)
            return refuse("the property list holds a value the platform cannot represent");
        m_objects[object] = {State::Made, 0, 1, std::move(value)};
        return true;
    }

    Ref<NSObject> scalar(uint8_t marker, uint64_t start, uint64_t length) const {
        unsigned kind = marker >> 4;
        switch (kind) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09)
                return NSNumber::numberWithBool(marker == 0x09);
            return nullptr; // null, fill: no platform value stands for them
        case 0x1:
            return integer(marker & 0xF, start);
        case 0x2: {
            uint64_t raw = 0;
            if ((marker & 0xF) == 2 && readUInt(start, 4, raw)) {
                float value;
                uint32_t narrow = static_cast<uint32_t>(raw);
                std::memcpy(&value, &narrow, sizeof value);
                return NSNumber::numberWithDouble(value);
            }
            if ((marker & 0xF) == 3 && readUInt(start, 8, raw)) {
                double value;
                std::memcpy(&value, &raw, sizeof value);
                return NSNumber::numberWithDouble(value);
            }
            return nullptr;
        }
        case 0x3: {
            uint64_t raw = 0;
            if (marker != 0x33 || !readUInt(start, 8, raw))
                return nullptr;
            double seconds;
            std::memcpy(&seconds, &raw, sizeof seconds);
            // The writer can carry a date only within this range.
            if (!std::isfinite(seconds) || seconds <= std::numeric_limits<int32_t>::min() ||
                seconds >= std::numeric_limits<int32_t>::max())
                return nullptr;
            return NSDate::dateWithTimeIntervalSinceReferenceDate(seconds);
        }
        case 0x4:
            if (!fits(start, length, 1))
                return nullptr;
            return NSData::dataWithBytes(m_bytes.data() + start, length);
        case 0x5: { // one byte a character, taken as Latin-1
            if (!fits(start, length, 1))
                return nullptr;
            std::string_view bytes = m_bytes.substr(start, length);
            if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0; }))
                return make<NSString>(std::string(bytes));
            std::string text;
            text.reserve(length * 2);
            for (char c : bytes)
                appendUTF8(text, static_cast<uint8_t>(c));
            return make<NSString>(std::move(text));
        }
        case 0x6: { // UTF-16, big-endian
            if (!fits(start, length, 2))
                return nullptr;
            std::string text;
            text.reserve(length);
            for (uint64_t i = 0; i < length; ++i) {
                uint64_t unit = 0, low = 0;
                readUInt(start + 2 * i, 2, unit);
                uint32_t code = static_cast<uint32_t>(unit);
                if (code >= 0xD800 && code <= 0xDBFF && i + 1 < length &&
                    readUInt(start + 2 * (i + 1), 2, low) && low >= 0xDC00 && low <= 0xDFFF) {
                    code =
                        0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(low) - 0xDC00);
                    ++i;
                } else if (code >= 0xD800 && code <= 0xDFFF) {
                    code = 0xFFFD; // a lone half of a pair
                }
                appendUTF8(text, code);
            }
            return make<NSString>(std::move(text));
        }
        default: // uid and anything unknown
            return nullptr;
        }
    }

    // 1, 2 and 4 bytes are unsigned, 8 signed, 16 a 128-bit number that must fit 64 bits.
    Ref<NSObject> integer(unsigned sizeLog, uint64_t start) const {
        uint64_t value = 0;
        if (sizeLog <= 2) {
            if (!readUInt(start, 1u << sizeLog, value))
                return nullptr;
            return NSNumber::numberWithLongLong(static_cast<int64_t>(value));
        }
        if (sizeLog == 3) {
            if (!readUInt(start, 8, value))
                return nullptr;
            return NSNumber::numberWithLongLong(static_cast<int64_t>(value));
        }
        uint64_t high = 0;
        if (sizeLog != 4 || !readUInt(start, 8, high) || !readUInt(start + 8, 8, value))
            return nullptr;
        if (high == 0)
            return value > static_cast<uint64_t>(INT64_MAX)
                       ? NSNumber::numberWithUnsignedLongLong(value)
                       : NSNumber::numberWithLongLong(static_cast<int64_t>(value));
        if (high == UINT64_MAX && value > static_cast<uint64_t>(INT64_MAX))
            return NSNumber::numberWithLongLong(static_cast<int64_t>(value));
        return nullptr;
    }

    // Makes a container whose members are all made.
    bool finish(const Step& step, bool asMutable) {
        PendingContainer container;
        container.dictionary = step.kind == 0xD;
        uint64_t members = container.dictionary ? step.refCount / 2 : step.refCount;
        uint64_t values = 1;
        uint32_t depth = 0;
        for (uint64_t k = 0; k < step.refCount; ++k) {
            uint64_t child = 0;
            ref(step.refsAt + k * m_refSize, child);
            const Object& made = m_objects[child];
            values += made.values;
            depth = std::max(depth, made.depth);
            if (values > kMaxValues)
                return refuse("binary property list expands too far");
        }
        if (depth + 1 > kMaxDepth)
            return refuse("property list nests too deep");
        for (uint64_t k = 0; k < members; ++k) {
            uint64_t child = 0;
            ref(step.refsAt + k * m_refSize, child);
            if (!container.dictionary) {
                container.items.push_back(m_objects[child].value);
                continue;
            }
            uint64_t valueObject = 0;
            ref(step.refsAt + (members + k) * m_refSize, valueObject);
            const NSString* key = NSCast<NSString>(m_objects[child].value.get());
            if (!key)
                return refuse("a dictionary key that is no string");
            container.entries.insert_or_assign(key->UTF8String(), m_objects[valueObject].value);
        }
        m_objects[step.object] = {State::Made, depth + 1, values, container.finish(asMutable)};
        return true;
    }

    std::string_view m_bytes;
    std::string& m_error;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    uint64_t m_count = 0;
    uint64_t m_top = 0;
    uint64_t m_tableAt = 0;
    std::vector<Object> m_objects;
    std::vector<Step> m_path;
};

} // namespace

Ref<NSObject> readBinary(std::string_view bytes, bool mutableRoot, std::string& error) {
    return BinaryReader(bytes, error).read(mutableRoot);
}

} // namespace NSPropertyList
