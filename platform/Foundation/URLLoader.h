#pragma once

// Platform-internal: the process's one libcurl multi handle, driven by the main run loop
// through curl's multi-socket interface. Keeping one multi for the process keeps its
// connection cache, so keep-alive connections are reused. It only moves bytes: what a
// transfer asks for, and when it gives up, is its owner's business.
#include <curl/curl.h>

#include <unordered_set>

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
};
