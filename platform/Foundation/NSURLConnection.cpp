#include <Foundation/NSURLConnection.h>

#include <Foundation/HTTPHeaderBlock.h>
#include <Foundation/NSRunLoop.h>
#include <Foundation/NSURLConnection+Host.h>
#include <Foundation/URLLoader.h>
#include <Foundation/UVSupport.h>

#include <uv.h>

#include <deque>
#include <memory>

NSURLConnectionDelegate::~NSURLConnectionDelegate() = default;

namespace {

constexpr long maxRedirects = 10;
constexpr const char* unsupportedURL = "unsupported URL";
constexpr const char* timedOut = "The request timed out.";
constexpr const char* tooLarge = "response too large";

// One delegate call waiting for the run loop.
struct Event {
    enum class Kind { Response, Data, Fail, Finish };
    Kind kind;
    Ref<NSObject> object; // the response, the data (an NSMutableData) or the error
};

bool isEnding(Event::Kind kind) {
    return kind == Event::Kind::Fail || kind == Event::Kind::Finish;
}

// What the host sets for every connection of the process, and what connections in flight
// share.
struct AllConnections {
    // CURLOPT_CONNECT_TO entries for the connections made from now on. A connection holds
    // the list it started with, since curl does not copy it.
    std::shared_ptr<curl_slist> connectTo;
    double idleTimeoutOverride = 0; // replaces each request's timeout when > 0
    std::size_t inFlight = 0;
    // Body bytes delivered by the connections in flight, counted against what they may
    // deliver together (they all may have fed one buffer). It starts again once no
    // connection is in flight.
    std::size_t bodyBytesInFlight = 0;

    void connectionStarted() { ++inFlight; }
    void connectionEnded() {
        if (--inFlight == 0)
            bodyBytesInFlight = 0;
    }
    // False, counting nothing, when the bytes would pass `limit`.
    bool takeBodyBytes(std::size_t length, std::size_t limit) {
        if (bodyBytesInFlight + length > limit)
            return false;
        bodyBytesInFlight += length;
        return true;
    }
};

AllConnections& allConnections() {
    // Never destroyed: connections may still be running when the process ends.
    static AllConnections* all = new AllConnections;
    return *all;
}

uint64_t idleMilliseconds(double seconds) {
    double override = allConnections().idleTimeoutOverride;
    if (override > 0)
        seconds = override;
    if (!(seconds > 0))
        seconds = NSURLRequest::defaultTimeoutInterval;
    return UVSupport::milliseconds(seconds);
}

} // namespace

// Everything a running connection holds. curl's callbacks only record what happened into
// `events`; the run loop delivers them afterwards, so the delegate never runs inside curl.
struct NSURLConnection::State final : URLTransfer {
    NSURLConnection* owner = nullptr;
    Ref<NSURLConnection> selfHold;
    Ref<NSObject> delegateObject;
    NSURLConnectionDelegate* delegate = nullptr;
    Ref<NSURLRequest> request;

    CURL* easy = nullptr;
    std::shared_ptr<curl_slist> connectTo;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    uv_timer_t* idleTimer = nullptr;
    uint64_t idleMs = 0;

    HTTPHeaderBlock headers;
    bool responseQueued = false; // for the current header block
    std::size_t bodyBytes = 0;
    bool bodyTooLarge = false;

    std::deque<Event> events;
    bool endQueued = false;
    bool ended = false;
    bool deliveryScheduled = false;
    bool delivering = false;

    bool start();
    void queue(Event::Kind kind, Ref<NSObject> object = nullptr);
    void queueData(const char* bytes, std::size_t length);
    void queueResponse();
    void fail(long code, std::string description);
    void scheduleDelivery();
    void deliver();
    void rearmIdleTimer();
    void stopTransfer();

    void transferReceivedBytes() override { rearmIdleTimer(); }
    bool addressUnsupported(CURLcode result) const;
    void transferDidComplete(CURLcode result) override;
    static size_t onHeader(char* bytes, size_t size, size_t count, void* state);
    static size_t onBody(char* bytes, size_t size, size_t count, void* state);
    static void onIdle(uv_timer_t* timer);
};

NSURLConnection::NSURLConnection() : m_state(std::make_unique<State>()) {
    m_state->owner = this;
}

NSURLConnection::~NSURLConnection() = default;

NSURLRequest* NSURLConnection::originalRequest() const {
    return m_state->request.get();
}

Ref<NSURLConnection> NSURLConnection::connectionWithRequest(const NSURLRequest* request,
                                                            NSObject* delegate) {
    auto* delegateInterface = dynamic_cast<NSURLConnectionDelegate*>(delegate);
    if (!request || !delegateInterface)
        return nullptr;
    Ref<NSURLConnection> connection = adopt(new NSURLConnection);
    State& state = *connection->m_state;
    state.request = const_cast<NSURLRequest*>(request);
    state.delegateObject = delegate;
    state.delegate = delegateInterface;

    NSURL* url = request->URL();
    std::string scheme = url ? url->scheme() : std::string();
    if (scheme == "http" || scheme == "https") {
        if (!state.start())
            return nullptr;
    } else {
        state.fail(CURLE_UNSUPPORTED_PROTOCOL, unsupportedURL);
    }
    state.selfHold = connection;
    allConnections().connectionStarted();
    return connection;
}

bool NSURLConnection::State::start() {
    easy = curl_easy_init();
    if (!easy)
        return false;
    curl_easy_setopt(easy, CURLOPT_URL, request->URL()->absoluteString().c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, maxRedirects);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ""); // every encoding curl decodes
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &State::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &State::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    connectTo = allConnections().connectTo;
    if (connectTo)
        curl_easy_setopt(easy, CURLOPT_CONNECT_TO, connectTo.get());

    idleMs = idleMilliseconds(request->timeoutInterval());
    idleTimer = new uv_timer_t;
    uv_timer_init(NSRunLoop::mainRunLoop()->uvLoop(), idleTimer);
    idleTimer->data = this;
    rearmIdleTimer();

    if (!URLLoader::shared().add(easy, this)) {
        stopTransfer();
        return false;
    }
    return true;
}

// Re-armed whenever bytes reach the socket (the loader tells), and also by each header and
// body piece curl hands over: on a connection that several transfers share (HTTP/2) the
// socket names only one of them.
void NSURLConnection::State::rearmIdleTimer() {
    if (!idleTimer)
        return;
    uv_update_time(idleTimer->loop);
    uv_timer_start(idleTimer, &State::onIdle, idleMs, 0);
}

// Stops everything curl and the loop do for this connection; safe to call twice. Never
// from inside a curl callback.
void NSURLConnection::State::stopTransfer() {
    if (idleTimer) {
        uv_timer_stop(idleTimer);
        UVSupport::closeAndDelete(idleTimer);
        idleTimer = nullptr;
    }
    if (easy) {
        URLLoader::shared().remove(easy);
        curl_easy_cleanup(easy);
        easy = nullptr;
    }
    connectTo.reset();
}

size_t NSURLConnection::State::onHeader(char* bytes, size_t size, size_t count,
                                        void* statePointer) {
    auto* state = static_cast<State*>(statePointer);
    std::size_t length = size * count;
    state->rearmIdleTimer();
    HTTPHeaderBlock::Line line = state->headers.add({bytes, length});
    if (line == HTTPHeaderBlock::Line::Status) {
        state->responseQueued = false;
    } else if (line == HTTPHeaderBlock::Line::End && !state->responseQueued) {
        long status = state->headers.status();
        // 1xx: an interim reply, the real one follows. A 3xx with a Location is held back:
        // when curl follows it, the next block replaces it; when not, the first byte of
        // the body or the end of the transfer reports it.
        bool interim = status >= 100 && status < 200;
        bool redirect = status >= 300 && status < 400 && state->headers.has("Location");
        if (!interim && !redirect)
            state->queueResponse();
    }
    return length;
}

size_t NSURLConnection::State::onBody(char* bytes, size_t size, size_t count, void* statePointer) {
    auto* state = static_cast<State*>(statePointer);
    std::size_t length = size * count;
    state->rearmIdleTimer();
    if (state->bodyBytes + length > maxBodyBytes ||
        !allConnections().takeBodyBytes(length, maxBodyBytesInFlight)) {
        state->bodyTooLarge = true;
        return CURL_WRITEFUNC_ERROR; // curl ends the transfer with CURLE_WRITE_ERROR
    }
    state->bodyBytes += length;
    if (!state->responseQueued)
        state->queueResponse();
    state->queueData(bytes, length);
    return length;
}

void NSURLConnection::State::onIdle(uv_timer_t* timer) {
    auto* state = static_cast<State*>(timer->data);
    state->stopTransfer();
    state->fail(CURLE_OPERATION_TIMEDOUT, timedOut);
}

// Whether curl gave up on the address itself (a redirect to another scheme, a malformed
// Location) rather than on what a server sent: curl also reports a reply that is not HTTP
// as an unsupported protocol.
bool NSURLConnection::State::addressUnsupported(CURLcode result) const {
    if (result == CURLE_URL_MALFORMAT)
        return true;
    if (result != CURLE_UNSUPPORTED_PROTOCOL)
        return false;
    char* effective = nullptr;
    curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective);
    Ref<NSURL> url = effective ? NSURL::URLWithString(effective) : nullptr;
    std::string scheme = url ? url->scheme() : std::string();
    return scheme != "http" && scheme != "https";
}

void NSURLConnection::State::transferDidComplete(CURLcode result) {
    bool unsupported = addressUnsupported(result);
    stopTransfer();
    if (bodyTooLarge) {
        fail(CURLE_FILESIZE_EXCEEDED, tooLarge);
    } else if (unsupported) {
        fail(result, unsupportedURL);
    } else if (result != CURLE_OK) {
        // curl's own words for what went wrong ("Received HTTP/0.9 when not allowed").
        std::string description = errorBuffer[0] ? errorBuffer : curl_easy_strerror(result);
        fail(result, std::move(description));
    } else {
        if (!responseQueued)
            queueResponse();
        queue(Event::Kind::Finish);
    }
}

void NSURLConnection::State::queueResponse() {
    responseQueued = true;
    Ref<NSURL> url;
    if (easy) {
        char* effective = nullptr;
        curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective);
        if (effective)
            url = NSURL::URLWithString(effective);
    }
    if (!url)
        url = request->URL();
    queue(Event::Kind::Response,
          make<NSHTTPURLResponse>(url.get(), headers.status(), headers.fields(),
                                  headers.contentLength()));
}

void NSURLConnection::State::queueData(const char* bytes, std::size_t length) {
    // Bytes that arrive in one turn of the loop go out as one chunk.
    if (!events.empty() && events.back().kind == Event::Kind::Data) {
        static_cast<NSMutableData*>(events.back().object.get())->appendBytes(bytes, length);
        return;
    }
    auto data = make<NSMutableData>();
    data->appendBytes(bytes, length);
    queue(Event::Kind::Data, std::move(data));
}

void NSURLConnection::State::fail(long code, std::string description) {
    queue(Event::Kind::Fail,
          NSError::errorWithDomain(NSURLErrorDomain, code, std::move(description)));
}

void NSURLConnection::State::queue(Event::Kind kind, Ref<NSObject> object) {
    if (endQueued)
        return;
    endQueued = isEnding(kind);
    events.push_back({kind, std::move(object)});
    scheduleDelivery();
}

void NSURLConnection::State::scheduleDelivery() {
    if (deliveryScheduled)
        return;
    deliveryScheduled = true;
    Ref<NSURLConnection> connection(owner);
    NSRunLoop::mainRunLoop()->perform([connection] { connection->m_state->deliver(); });
}

void NSURLConnection::State::deliver() {
    deliveryScheduled = false;
    // A delegate that runs the loop inside a callback must not get this connection's
    // next event before the current one returned.
    if (delivering || ended)
        return;
    Ref<NSURLConnection> protect(owner);
    Ref<NSObject> delegateHold = delegateObject;
    delivering = true;
    while (!events.empty() && !ended) {
        Event event = std::move(events.front());
        events.pop_front();
        switch (event.kind) {
        case Event::Kind::Response:
            delegate->connectionDidReceiveResponse(owner,
                                                   static_cast<NSURLResponse*>(event.object.get()));
            break;
        case Event::Kind::Data:
            delegate->connectionDidReceiveData(owner, static_cast<NSData*>(event.object.get()));
            break;
        case Event::Kind::Fail:
            ended = true;
            delegate->connectionDidFailWithError(owner, static_cast<NSError*>(event.object.get()));
            break;
        case Event::Kind::Finish:
            ended = true;
            delegate->connectionDidFinishLoading(owner);
            break;
        }
    }
    delivering = false;
    if (!ended)
        return;
    events.clear();
    allConnections().connectionEnded();
    delegate = nullptr;
    delegateObject = nullptr;
    selfHold = nullptr; // `protect` keeps the connection until this call returns
}

namespace URLLoading {

void setConnectTo(std::vector<std::string> entries) {
    curl_slist* list = nullptr;
    for (const std::string& entry : entries) {
        curl_slist* longer = curl_slist_append(list, entry.c_str());
        if (!longer)
            break;
        list = longer;
    }
    allConnections().connectTo =
        list ? std::shared_ptr<curl_slist>(list, curl_slist_free_all) : nullptr;
}

std::size_t connectionsInFlight() {
    return allConnections().inFlight;
}

void setIdleTimeoutForTesting(double seconds) {
    allConnections().idleTimeoutOverride = seconds > 0 ? seconds : 0;
}

} // namespace URLLoading
