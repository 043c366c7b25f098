#pragma once

#include <Foundation/NSObject.h>

#include <string>

// The domain of URL loading errors; their codes are libcurl's CURLcode values.
inline constexpr const char* NSURLErrorDomain = "NSURLErrorDomain";

// A failure, as a value: a domain, a code within it, and a text for people.
class NSError : public NSObject {
public:
    NSError(std::string domain, long code, std::string localizedDescription)
        : m_domain(std::move(domain)), m_code(code),
          m_localizedDescription(std::move(localizedDescription)) {}
    static Ref<NSError> errorWithDomain(std::string domain, long code,
                                        std::string localizedDescription) {
        return make<NSError>(std::move(domain), code, std::move(localizedDescription));
    }

    const char* className() const override { return "NSError"; }
    // The localized description: the text "%@" shows in a log line.
    std::string description() const override { return m_localizedDescription; }

    const std::string& domain() const { return m_domain; }
    long code() const { return m_code; }
    const std::string& localizedDescription() const { return m_localizedDescription; }

private:
    std::string m_domain;
    long m_code;
    std::string m_localizedDescription;
};
