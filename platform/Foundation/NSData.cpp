#include <Foundation/NSData.h>

#include <cstring>

Ref<NSData> NSData::dataWithBytes(const void* bytes, std::size_t length) {
    const uint8_t* begin = static_cast<const uint8_t*>(bytes);
    return make<NSData>(std::vector<uint8_t>(begin, begin + length));
}

std::string NSData::description() const {
    static const char hex[] = "0123456789abcdef";
    std::string text = "<";
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            text.push_back(' ');
        text.push_back(hex[m_bytes[i] >> 4]);
        text.push_back(hex[m_bytes[i] & 0xf]);
    }
    text.push_back('>');
    return text;
}

bool NSData::isEqual(const NSObject* other) const {
    const NSData* data = NSCast<NSData>(other);
    return data && data->m_bytes == m_bytes;
}

void NSMutableData::appendBytes(const void* bytes, std::size_t length) {
    if (length == 0)
        return;
    const uint8_t* begin = static_cast<const uint8_t*>(bytes);
    m_bytes.insert(m_bytes.end(), begin, begin + length);
}
