#include <Foundation/NSURLRequest.h>

Ref<NSURLRequest> NSURLRequest::requestWithURL(NSURL* url) {
    return requestWithURL(url, NSURLRequestUseProtocolCachePolicy, defaultTimeoutInterval);
}

Ref<NSURLRequest> NSURLRequest::requestWithURL(NSURL* url, NSURLRequestCachePolicy cachePolicy,
                                               double timeoutInterval) {
    return adopt(new NSURLRequest(url, cachePolicy, timeoutInterval));
}

std::string NSURLRequest::description() const {
    return "<" + std::string(className()) + " " + NSDescription(m_url.get()) + ">";
}

Ref<NSMutableURLRequest> NSMutableURLRequest::requestWithURL(NSURL* url) {
    return requestWithURL(url, NSURLRequestUseProtocolCachePolicy, defaultTimeoutInterval);
}

Ref<NSMutableURLRequest> NSMutableURLRequest::requestWithURL(NSURL* url,
                                                             NSURLRequestCachePolicy cachePolicy,
                                                             double timeoutInterval) {
    return adopt(new NSMutableURLRequest(url, cachePolicy, timeoutInterval));
}
