#pragma once

#include <Foundation/NSObject.h>
#include <Foundation/NSURL.h>

#include <string>

// How a request may use locally cached replies. The platform keeps no cache, so every
// policy loads from the network.
enum NSURLRequestCachePolicy {
    NSURLRequestUseProtocolCachePolicy = 0,
    NSURLRequestReloadIgnoringLocalCacheData = 1,
    NSURLRequestReturnCacheDataElseLoad = 2,
    NSURLRequestReturnCacheDataDontLoad = 3,
    NSURLRequestReloadIgnoringLocalAndRemoteCacheData = 4,
    NSURLRequestReloadRevalidatingCacheData = 5,
};

// A GET request for a URL: no body, no headers of the caller's own.
class NSURLRequest : public NSObject {
public:
    static constexpr double defaultTimeoutInterval = 60.0;

    // A null URL is allowed: a connection for it fails with "unsupported URL".
    static Ref<NSURLRequest> requestWithURL(NSURL* url);
    static Ref<NSURLRequest> requestWithURL(NSURL* url, NSURLRequestCachePolicy cachePolicy,
                                            double timeoutInterval);

    const char* className() const override { return "NSURLRequest"; }
    std::string description() const override;

    NSURL* URL() const { return m_url.get(); }
    NSURLRequestCachePolicy cachePolicy() const { return m_cachePolicy; }
    // Seconds the request may stay idle, nothing arriving, before it fails.
    double timeoutInterval() const { return m_timeoutInterval; }
    std::string HTTPMethod() const { return "GET"; }

protected:
    NSURLRequest(NSURL* url, NSURLRequestCachePolicy cachePolicy, double timeoutInterval)
        : m_url(url), m_cachePolicy(cachePolicy), m_timeoutInterval(timeoutInterval) {}

    Ref<NSURL> m_url;
    NSURLRequestCachePolicy m_cachePolicy;
    double m_timeoutInterval;
};

class NSMutableURLRequest : public NSURLRequest {
public:
    static Ref<NSMutableURLRequest> requestWithURL(NSURL* url);
    static Ref<NSMutableURLRequest> requestWithURL(NSURL* url, NSURLRequestCachePolicy cachePolicy,
                                                   double timeoutInterval);

    const char* className() const override { return "NSMutableURLRequest"; }
    void setURL(NSURL* url) { m_url = url; }
    void setCachePolicy(NSURLRequestCachePolicy policy) { m_cachePolicy = policy; }
    void setTimeoutInterval(double seconds) { m_timeoutInterval = seconds; }

private:
    using NSURLRequest::NSURLRequest;
};
