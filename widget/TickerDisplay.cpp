// The ticker display: the finished reply read as JSON and written into the five lines.
#include "MarrowfinController.h"

namespace {

// A message to an empty reference does nothing: the labels are empty until the view exists.
void setText(UILabel* label, const Ref<NSString>& text) {
    if (label)
        label->setText(text);
}

// A member of the wrong kind counts as absent.
NSDictionary* objectMember(const NSDictionary* object, const char* key) {
    return object ? NSCast<NSDictionary>(object->objectForKey(key)) : nullptr;
}

NSObject* member(const NSDictionary* object, const char* key) {
    return object ? object->objectForKey(key) : nullptr;
}

// The value as floatValue reads it: a string's leading decimal number, a number's value;
// anything else, or nothing, is 0.
float floatValue(const NSObject* value) {
    if (const NSString* text = NSCast<NSString>(value))
        return text->floatValue();
    if (const NSNumber* number = NSCast<NSNumber>(value))
        return number->floatValue();
    return 0.0f;
}

} // namespace

void MarrowfinController::connectionDidFinishLoading(NSURLConnection*) {
    Ref<NSObject> reply = NSJSONSerialization::JSONObjectWithData(getResponseData(),
                                                                  NSJSONReadingStopAfterFirstValue);
    // A top-level array has no "data".
    NSDictionary* data = objectMember(NSCast<NSDictionary>(reply.get()), "data");
    if (!data)
        return;

    if (loadinglabel)
        loadinglabel->setHidden(true);

    NSDictionary* last = objectMember(data, "last");
    NSDictionary* low = objectMember(data, "low");
    NSDictionary* high = objectMember(data, "high");
    NSDictionary* vol = objectMember(data, "vol");
    NSDictionary* avg = objectMember(data, "avg");

    setText(lbl, NSString::stringWithFormat("Last price: %@ / BTC", member(last, "display")));
    setText(lowLabel, NSString::stringWithFormat("Low: %@ / BTC", member(low, "display")));
    setText(highLabel, NSString::stringWithFormat("High: %@ / BTC", member(high, "display")));
    double volume = floatValue(member(vol, "value"));
    setText(volumeLabel, NSString::stringWithFormat("Volume: %.0f BTC (24h)", volume));
    setText(averageLabel, NSString::stringWithFormat("Average: %@ / BTC", member(avg, "display")));
}
