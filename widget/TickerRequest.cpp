// The ticker request: the settings file, the currency's address, the connection and
// the response buffer that every running connection shares.
#include "MarrowfinController.h"
#include "Settings.h"
#include "TickerAddress.h"

namespace {

// Seconds a ticker request may go without a byte before it fails.
constexpr double TICKER_TIMEOUT = 10.0;

} // namespace

void MarrowfinController::DownloadData() {
    Ref<NSDictionary> settings = NSDictionary::dictionaryWithContentsOfFile(PLIST_FILENAME);
    NSObject* currency = settings ? settings->objectForKey("currency") : nullptr;
    if (Ref<NSURL> address = tickerAddressFor(currency))
        url = address;

    Ref<NSMutableURLRequest> request = NSMutableURLRequest::requestWithURL(
        url.get(), NSURLRequestReloadIgnoringLocalCacheData, TICKER_TIMEOUT);
    Ref<NSURLConnection> connection = NSURLConnection::connectionWithRequest(request.get(), this);
    if (connection)
        setResponseData(NSMutableData::data().get());
}

void MarrowfinController::connectionDidReceiveResponse(NSURLConnection*, NSURLResponse*) {
    if (responseData)
        responseData->setLength(0);
}

void MarrowfinController::connectionDidReceiveData(NSURLConnection*, NSData* data) {
    if (responseData)
        responseData->appendData(data);
}

void MarrowfinController::connectionDidFailWithError(NSURLConnection*, NSError* error) {
    NSLog("Connection failed: %@", error);
}
