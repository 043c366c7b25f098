#pragma once

#include <BulletinBoard/BBWeeAppController.h>
#include <Foundation/Foundation.h>
#include <UIKit/UIKit.h>

// The widget: five lines of the BTC ticker (last price, high, low, 24-hour volume,
// average) over a background picture, with a refresh button.
class MarrowfinController : public BBWeeAppController, public NSURLConnectionDelegate {
public:
    MarrowfinController();

    const char* className() const override { return "MarrowfinController"; }
    const NSSelectorTable* selectorTable() const override;

    // The host's calls.
    UIView* view() override;
    std::optional<float> viewHeight() override;
    bool viewDidAppear() override;

    // The refresh button's action.
    void reload(NSObject* sender);
    // Starts one ticker request for the currency in the settings file.
    void DownloadData();

    // The connection's callbacks.
    void connectionDidReceiveResponse(NSURLConnection* connection,
                                      NSURLResponse* response) override;
    void connectionDidReceiveData(NSURLConnection* connection, NSData* data) override;
    void connectionDidFailWithError(NSURLConnection* connection, NSError* error) override;
    void connectionDidFinishLoading(NSURLConnection* connection) override;

    // Properties (retain, nonatomic), each backed by the field of the same name.
    NSMutableData* getResponseData() const { return responseData.get(); }
    void setResponseData(NSMutableData* value);
    UILabel* getLbl() const { return lbl; }
    void setLbl(UILabel* value);
    UILabel* getVolumeLabel() const { return volumeLabel; }
    void setVolumeLabel(UILabel* value);
    UILabel* getAverageLabel() const { return averageLabel; }
    void setAverageLabel(UILabel* value);
    UILabel* getLowLabel() const { return lowLabel; }
    void setLowLabel(UILabel* value);
    UILabel* getHighLabel() const { return highLabel; }
    void setHighLabel(UILabel* value);
    UILabel* getLoadinglabel() const { return loadinglabel; }
    void setLoadinglabel(UILabel* value);

    // The address of the latest ticker request, or null before one named a listed currency.
    NSURL* getURL() const { return url.get(); }

protected:
    ~MarrowfinController() override;

private:
    // The controller owns the container, its address and its response buffer; the label
    // fields are plain references into the container and live exactly as long as it does.
    Ref<UIView> _view;
    Ref<NSURL> url;
    Ref<NSMutableData> responseData;
    UILabel* volumeLabel = nullptr;
    UILabel* averageLabel = nullptr;
    UILabel* lowLabel = nullptr;
    UILabel* highLabel = nullptr;
    UILabel* loadinglabel = nullptr;
    UILabel* lbl = nullptr;

    // A label given through its property setter is retained, as the property says; the
    // holds live here, apart from the plain fields that `view` fills, so a setter never
    // releases a label it did not retain.
    struct LabelHolds {
        Ref<UILabel> volume, average, low, high, loading, last;
    } m_labelHolds;
};
