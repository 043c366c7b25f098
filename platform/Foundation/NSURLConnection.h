#pragma once

#include <Foundation/NSData.h>
#include <Foundation/NSError.h>
#include <Foundation/NSURLRequest.h>
#include <Foundation/NSURLResponse.h>

#include <memory>

class NSURLConnection;

// What a connection tells its delegate, one call at a time, on the run loop. An interface,
// mixed into an NSObject subclass.
class NSURLConnectionDelegate {
public:
    virtual ~NSURLConnectionDelegate();
    // The final response's headers are in (after redirects), before its first data.
    virtual void connectionDidReceiveResponse(NSURLConnection*, NSURLResponse*) {}
    // The next bytes of the body, decoded, in order.
    virtual void connectionDidReceiveData(NSURLConnection*, NSData*) {}
    // The request failed; nothing follows.
    virtual void connectionDidFailWithError(NSURLConnection*, NSError*) {}
    // The whole body has arrived; nothing follows.
    virtual void connectionDidFinishLoading(NSURLConnection*) {}
};

// An asynchronous HTTP GET. Every callback arrives on the run loop after the call that
// created the connection has returned, and exactly one of finish or fail ends it.
//
// The idle timeout counts from the last byte that arrived (connecting included): a reply
// that trickles in never times out, one that stalls fails with "The request timed out.".
// Redirects are followed; an HTTP error status is no failure. A body of more than 8 MiB
// (decoded) fails with "response too large", and so does the connection whose body would
// take what connections in flight together have delivered past 16 MiB: overlapping
// connections may all feed one buffer. That count starts again when none is in flight. Any other
// failure is described in curl's own words, such as "Received HTTP/0.9 when not allowed" for a
// reply that is not HTTP.
class NSURLConnection : public NSObject {
public:
    static constexpr std::size_t maxBodyBytes = 8 * 1024 * 1024;
    static constexpr std::size_t maxBodyBytesInFlight = 2 * maxBodyBytes;

    // Creates the connection and starts loading at once. `delegate` must be an NSObject
    // that is also an NSURLConnectionDelegate. Null when no connection can be created (no
    // request, a delegate that is none, curl refuses). A request without a URL, or for a
    // URL that is not http or https, gets a connection that fails with "unsupported URL".
    // The connection retains itself and its delegate until it has finished or failed; the
    // caller may drop the result.
    static Ref<NSURLConnection> connectionWithRequest(const NSURLRequest* request,
                                                      NSObject* delegate);

    const char* className() const override { return "NSURLConnection"; }
    NSURLRequest* originalRequest() const;

private:
    NSURLConnection();
    ~NSURLConnection() override;
    struct State;
    std::unique_ptr<State> m_state;
};
