#pragma once

// Platform-internal: the process's one libcurl multi handle, driven by the main run loop
// through curl's multi-socket interface. Keeping one multi for the process keeps its
// connection cache, so keep-alive connections are reused.
#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// One transfer the loader drives. It hears of its end from the loop, after
// curl_multi_socket_action has returned: never from inside a curl callback.
class URLTransfer {
public:
    // Bytes arrived on the transfer's socket (any bytes: a piece of a status line counts).
    virtual void transferReceivedBytes() = 0;
    virtual void transferDidComplete(CURLcode result) = 0;

protected:
    ~URLTransfer() = default;
};

class URLLoader {
public:
    static URLLoader& shared();

    // Starts driving the easy handle; answers false when curl refuses it.
    bool add(CURL* easy, URLTransfer* transfer);
    // Stops driving the easy handle (the caller then cleans it up). Never call this from
    // inside a curl callback.
    void remove(CURL* easy);

    // CURLOPT_CONNECT_TO entries for the connections made from now on. A connection holds
    // the list it started with, since curl does not copy it.
    std::shared_ptr<curl_slist> connectTo() const { return m_connectTo; }
    void setConnectTo(const std::vector<std::string>& entries);

    double idleTimeoutOverride() const { return m_idleTimeoutOverride; }
    void setIdleTimeoutOverride(double seconds) { m_idleTimeoutOverride = seconds; }

    std::size_t connectionsInFlight() const { return m_inFlight; }
    void connectionStarted() { ++m_inFlight; }
    void connectionEnded() {
        if (--m_inFlight == 0)
            m_bodyBytesInFlight = 0;
    }

    // Counts body bytes against what connections in flight together may deliver (they all
    // may have fed one buffer); false, counting nothing, when the bytes would pass `limit`.
    // The count starts again once no connection is in flight.
    bool takeBodyBytes(std::size_t length, std::size_t limit) {
        if (m_bodyBytesInFlight + length > limit)
            return false;
        m_bodyBytesInFlight += length;
        return true;
    }

    URLLoader(const URLLoader&) = delete;
    URLLoader& operator=(const URLLoader&) = delete;

private:
    URLLoader();
    struct Socket;
    static int onSocket(CURL* easy, curl_socket_t fd, int what, void* loader, void* socket);
    static int onTimer(CURLM* multi, long timeoutMs, void* loader);
    void socketAction(curl_socket_t fd, int events);
    void noteBytesArrived(CURL* easy);
    void drainMessages();

    CURLM* m_multi = nullptr;
    std::unordered_set<CURL*> m_easies; // added and not yet removed
    struct Timer;
    Timer* m_timer = nullptr;
    std::shared_ptr<curl_slist> m_connectTo;
    double m_idleTimeoutOverride = 0;
    std::size_t m_inFlight = 0;
    std::size_t m_bodyBytesInFlight = 0;
};
