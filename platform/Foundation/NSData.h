#pragma once

#include <Foundation/NSObject.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// A byte buffer.
class NSData : public NSObject {
public:
    NSData() = default;
    explicit NSData(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    static Ref<NSData> dataWithBytes(const void* bytes, std::size_t length);

    const char* className() const override { return "NSData"; }
    // "<68656c6c 6f>": the bytes in hex, in groups of four.
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;

    const uint8_t* bytes() const { return m_bytes.data(); }
    std::size_t length() const { return m_bytes.size(); }
    std::span<const uint8_t> span() const { return m_bytes; }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(m_bytes.data()), m_bytes.size()};
    }

protected:
    std::vector<uint8_t> m_bytes;
};

class NSMutableData : public NSData {
public:
    using NSData::NSData;
    // A new, empty buffer, not owned by the caller beyond the returned Ref.
    static Ref<NSMutableData> data() { return make<NSMutableData>(); }

    const char* className() const override { return "NSMutableData"; }
    void appendBytes(const void* bytes, std::size_t length);
    void appendData(const NSData* data) {
        if (data)
            appendBytes(data->bytes(), data->length());
    }
    // Shortens or lengthens the buffer; new bytes are zero.
    void setLength(std::size_t length) { m_bytes.resize(length); }
};
