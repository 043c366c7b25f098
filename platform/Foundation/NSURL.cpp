#include <Foundation/NSURL.h>

#include <curl/curl.h>

#include <memory>

namespace {

struct URLHandleFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::string part(CURLU* url, CURLUPart which, unsigned flags = 0) {
    char* text = nullptr;
    if (curl_url_get(url, which, &text, flags) != CURLUE_OK || !text)
        return {};
    std::string result(text);
    curl_free(text);
    return result;
}

} // namespace

Ref<NSURL> NSURL::URLWithString(std::string_view text) {
    // curl reads a C string: a text with a NUL inside would be cut short there.
    if (text.empty() || text.find('\0') != std::string_view::npos)
        return nullptr;
    std::unique_ptr<CURLU, URLHandleFree> url(curl_url());
    if (!url)
        return nullptr;
    std::string owned(text);
    if (curl_url_set(url.get(), CURLUPART_URL, owned.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
        CURLUE_OK)
        return nullptr;
    std::string scheme = part(url.get(), CURLUPART_SCHEME);
    std::string host = part(url.get(), CURLUPART_HOST);
    if (scheme.empty() || host.empty())
        return nullptr;
    std::string path = part(url.get(), CURLUPART_PATH, CURLU_URLDECODE);
    if (path.empty())
        path = "/";
    return adopt(new NSURL(std::move(owned), std::move(scheme), std::move(host), std::move(path)));
}

bool NSURL::isEqual(const NSObject* other) const {
    const auto* url = NSCast<NSURL>(other);
    return url && url->m_text == m_text;
}
