#include "MarrowfinController.h"

NS_REGISTER_CLASS(MarrowfinController);

namespace {

constexpr const char* BACKGROUND_PICTURE =
    "/System/Library/WeeAppPlugins/Marrowfin.bundle/Background.png";
constexpr const char* REFRESH_PICTURE =
    "/System/Library/WeeAppPlugins/Marrowfin.bundle/refresh.png";

UILabel* makeLabel(CGRect frame, const char* text) {
    UILabel* label = new UILabel(frame);
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextColor(UIColor::whiteColor());
    label->setText(NSString::stringWithUTF8String(text).get());
    label->setTextAlignment(NSTextAlignmentCenter);
    return label;
}

} // namespace

MarrowfinController::MarrowfinController() = default;

MarrowfinController::~MarrowfinController() = default;

const NSSelectorTable* MarrowfinController::selectorTable() const {
    static const NSSelectorEntry entries[] = {
        NSSelectorMethod<&MarrowfinController::reload>("reload:"),
        NSSelectorMethod<&MarrowfinController::DownloadData>("DownloadData"),
    };
    static const NSSelectorTable table{BBWeeAppController::selectorTable(), entries};
    return &table;
}

std::optional<float> MarrowfinController::viewHeight() {
    return 110.0f;
}

UIView* MarrowfinController::view() {
    if (_view)
        return _view.get();

    _view = adopt(new UIView(CGRectMake(2, 0, 316, *viewHeight())));

    Ref<UIImageView> background =
        make<UIImageView>(UIImage::imageWithContentsOfFile(BACKGROUND_PICTURE).get());
    background->setFrame(CGRectMake(0, 0, 316, *viewHeight()));
    _view->addSubview(background);

    lbl = makeLabel(CGRectMake(0, 7, 316, 21), "");
    _view->addSubview(lbl);
    highLabel = makeLabel(CGRectMake(1, 25, 316, 21), "");
    _view->addSubview(highLabel);
    lowLabel = makeLabel(CGRectMake(1, 43, 316, 21), "");
    _view->addSubview(lowLabel);
    loadinglabel = makeLabel(CGRectMake(1, 43, 316, 21), "Please wait");
    _view->addSubview(loadinglabel);
    volumeLabel = makeLabel(CGRectMake(0, 61, 316, 21), "");
    _view->addSubview(volumeLabel);
    averageLabel = makeLabel(CGRectMake(0, 81, 316, 21), "");
    _view->addSubview(averageLabel);

    Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->addTarget(this, "reload:", UIControlEventTouchUpInside);
    button->setImage(UIImage::imageWithContentsOfFile(REFRESH_PICTURE).get(), UIControlStateNormal);
    button->setFrame(CGRectMake(-4, 0, 66, 114));
    _view->addSubview(button.get());

    // The controller's documented ownership: each label, made with its initialiser, is held
    // by this build until here; the build now gives that hold up, so the container alone
    // keeps the labels alive and the label fields stay plain references into it.
    lbl->release();
    highLabel->release();
    lowLabel->release();
    loadinglabel->release();
    volumeLabel->release();
    averageLabel->release();

    DownloadData();
    return _view.get();
}

bool MarrowfinController::viewDidAppear() {
    DownloadData();
    return true;
}

void MarrowfinController::reload(NSObject*) {
    DownloadData();
}

void MarrowfinController::setResponseData(NSMutableData* value) {
    responseData = value;
}

void MarrowfinController::setLbl(UILabel* value) {
    m_labelHolds.last = lbl = value;
}
void MarrowfinController::setVolumeLabel(UILabel* value) {
    m_labelHolds.volume = volumeLabel = value;
}
void MarrowfinController::setAverageLabel(UILabel* value) {
    m_labelHolds.average = averageLabel = value;
}
void MarrowfinController::setLowLabel(UILabel* value) {
    m_labelHolds.low = lowLabel = value;
}
void MarrowfinController::setHighLabel(UILabel* value) {
    m_labelHolds.high = highLabel = value;
}
void MarrowfinController::setLoadinglabel(UILabel* value) {
    m_labelHolds.loading = loadinglabel = value;
}
