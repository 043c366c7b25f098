#pragma once

#include <Foundation/NSObject.h>

#include <string>
#include <string_view>

// An absolute URL. The text is kept as given; its parts are read with curl's URL parser,
// so what NSURL accepts is what the URL loading can address.
class NSURL : public NSObject {
public:
    // Null for a text that is no absolute URL (no scheme, no host, blanks, bad port).
    // Any scheme is accepted here; the loading decides what it can fetch.
    static Ref<NSURL> URLWithString(std::string_view text);

    const char* className() const override { return "NSURL"; }
    std::string description() const override { return m_text; }
    bool isEqual(const NSObject* other) const override;

    const std::string& absoluteString() const { return m_text; }
    // Lower case, e.g. "http".
    std::string scheme() const { return m_scheme; }
    std::string host() const { return m_host; }
    // Percent-decoded; "/" when the URL names no path.
    std::string path() const { return m_path; }

private:
    NSURL(std::string text, std::string scheme, std::string host, std::string path)
        : m_text(std::move(text)), m_scheme(std::move(scheme)), m_host(std::move(host)),
          m_path(std::move(path)) {}

    std::string m_text, m_scheme, m_host, m_path;
};
