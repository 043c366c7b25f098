#include <Foundation/URLLoader.h>

#include <Foundation/NSRunLoop.h>
#include <Foundation/UVSupport.h>

#include <uv.h>

namespace {

// Connections open at once, in use or cached. Transfers beyond it wait for a free one,
// so a thousand started together stay well inside the process's descriptor limit.
constexpr long maxConnections = 128;

} // namespace

// One socket curl asked us to watch; freed in its uv_close callback.
struct URLLoader::Socket {
    uv_poll_t poll;
    curl_socket_t fd;
    CURL* easy; // the transfer curl last named for this socket: the one reading it
    URLLoader* loader;
    int wanted; // CURL_CSELECT_IN / _OUT, what curl asked to hear of

    static void onReady(uv_poll_t* poll, int status, int ready);
};

struct URLLoader::Timer {
    uv_timer_t timer;
};

URLLoader& URLLoader::shared() {
    // Never destroyed: transfers may still be running when the process ends.
    static URLLoader* loader = new URLLoader;
    return *loader;
}

URLLoader::URLLoader() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_multi = curl_multi_init();
    m_timer = new Timer;
    uv_timer_init(NSRunLoop::mainRunLoop()->uvLoop(), &m_timer->timer);
    m_timer->timer.data = this;
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &URLLoader::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &URLLoader::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, maxConnections);
    curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, maxConnections);
}

bool URLLoader::add(CURL* easy, URLTransfer* transfer) {
    curl_easy_setopt(easy, CURLOPT_PRIVATE, static_cast<void*>(transfer));
    if (curl_multi_add_handle(m_multi, easy) != CURLM_OK)
        return false;
    m_easies.insert(easy);
    return true;
}

void URLLoader::remove(CURL* easy) {
    m_easies.erase(easy);
    curl_multi_remove_handle(m_multi, easy);
}

int URLLoader::onSocket(CURL* easy, curl_socket_t fd, int what, void* loaderPointer,
                        void* socketPointer) {
    auto* loader = static_cast<URLLoader*>(loaderPointer);
    auto* socket = static_cast<Socket*>(socketPointer);
    if (what == CURL_POLL_REMOVE) {
        if (socket) {
            curl_multi_assign(loader->m_multi, fd, nullptr);
            uv_poll_stop(&socket->poll);
            UVSupport::closeAndDelete(&socket->poll, socket);
        }
        return 0;
    }
    if (!socket) {
        socket = new Socket{{}, fd, easy, loader, 0};
        if (uv_poll_init_socket(NSRunLoop::mainRunLoop()->uvLoop(), &socket->poll, fd) != 0) {
            delete socket;
            return -1; // curl fails the transfer
        }
        socket->poll.data = socket;
        curl_multi_assign(loader->m_multi, fd, socket);
    }
    socket->easy = easy;
    int events = 0;
    socket->wanted = 0;
    if (what == CURL_POLL_IN || what == CURL_POLL_INOUT) {
        events |= UV_READABLE;
        socket->wanted |= CURL_CSELECT_IN;
    }
    if (what == CURL_POLL_OUT || what == CURL_POLL_INOUT) {
        events |= UV_WRITABLE;
        socket->wanted |= CURL_CSELECT_OUT;
    }
    uv_poll_start(&socket->poll, events, &Socket::onReady);
    return 0;
}

// The socket is ready, or broken: curl does what it can with it.
void URLLoader::Socket::onReady(uv_poll_t* handle, int status, int ready) {
    auto* socket = static_cast<Socket*>(handle->data);
    int flags = 0;
    // An error on the socket (a reset): let curl read or write it, so the failure it
    // reports names the cause ("Connection reset by peer").
    if (status < 0)
        flags = socket->wanted;
    if (ready & UV_READABLE) {
        flags |= CURL_CSELECT_IN;
        socket->loader->noteBytesArrived(socket->easy);
    }
    if (ready & UV_WRITABLE)
        flags |= CURL_CSELECT_OUT;
    socket->loader->socketAction(socket->fd, flags);
}

int URLLoader::onTimer(CURLM*, long timeoutMs, void* loaderPointer) {
    auto* loader = static_cast<URLLoader*>(loaderPointer);
    uv_timer_t* timer = &loader->m_timer->timer;
    if (timeoutMs < 0) {
        uv_timer_stop(timer);
        return 0;
    }
    // curl may ask from outside the loop (a connection being made): the loop's clock
    // may be stale.
    uv_update_time(timer->loop);
    uv_timer_start(
        timer,
        [](uv_timer_t* fired) {
            static_cast<URLLoader*>(fired->data)->socketAction(CURL_SOCKET_TIMEOUT, 0);
        },
        static_cast<uint64_t>(timeoutMs), 0);
    return 0;
}

void URLLoader::socketAction(curl_socket_t fd, int events) {
    int running = 0;
    curl_multi_socket_action(m_multi, fd, events, &running);
    drainMessages();
}

// Told before curl reads the socket, so even bytes that complete nothing curl hands over
// (half a status line, a chunk-size line, a compressed stream's header) count as arriving.
void URLLoader::noteBytesArrived(CURL* easy) {
    if (!m_easies.contains(easy))
        return;
    void* transfer = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &transfer);
    if (transfer)
        static_cast<URLTransfer*>(transfer)->transferReceivedBytes();
}

void URLLoader::drainMessages() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        // The message goes with the handle: copy what we need first.
        CURL* easy = message->easy_handle;
        CURLcode result = message->data.result;
        void* transfer = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &transfer);
        if (transfer)
            static_cast<URLTransfer*>(transfer)->transferDidComplete(result);
    }
}
