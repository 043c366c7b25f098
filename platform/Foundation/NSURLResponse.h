#pragma once

#include <Foundation/NSDictionary.h>
#include <Foundation/NSURL.h>

// What a server answered before the body: the address it came from and the length it announced.
class NSURLResponse : public NSObject {
public:
    NSURLResponse(NSURL* url, long long expectedContentLength)
        : m_url(url), m_expectedContentLength(expectedContentLength) {}

    const char* className() const override { return "NSURLResponse"; }
    std::string description() const override;

    // The address that answered (after redirects).
    NSURL* URL() const { return m_url.get(); }
    // The announced body length, -1 when none was announced.
    long long expectedContentLength() const { return m_expectedContentLength; }

private:
    Ref<NSURL> m_url;
    long long m_expectedContentLength;
};

class NSHTTPURLResponse : public NSURLResponse {
public:
    NSHTTPURLResponse(NSURL* url, long statusCode, Ref<NSDictionary> headerFields,
                      long long expectedContentLength)
        : NSURLResponse(url, expectedContentLength), m_statusCode(statusCode),
          m_headerFields(std::move(headerFields)) {}

    const char* className() const override { return "NSHTTPURLResponse"; }
    std::string description() const override;

    long statusCode() const { return m_statusCode; }
    // Field name as the server spelled it -> value (NSString); a repeated field's values
    // are joined with ", ".
    NSDictionary* allHeaderFields() const { return m_headerFields.get(); }

private:
    long m_statusCode;
    Ref<NSDictionary> m_headerFields;
};
