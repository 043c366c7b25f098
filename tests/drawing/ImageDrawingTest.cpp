#include "DrawingTestSupport.h"

#include <Foundation/DeviceRoot.h>
#include <UIKit/UIButton.h>
#include <UIKit/UIImageView.h>

#include <cairo.h>

#include <cmath>

namespace test {
namespace {

struct Colour {
    int r, g, b;
};

// A picture of four solid quarters: top left, top right, bottom left, bottom right.
void writeQuarters(const std::filesystem::path& file, int side, const Colour (&quarters)[4]) {
    std::filesystem::create_directories(file.parent_path());
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
    cairo_t* cr = cairo_create(surface);
    for (int i = 0; i < 4; ++i) {
        cairo_set_source_rgb(cr, quarters[i].r / 255.0, quarters[i].g / 255.0,
                             quarters[i].b / 255.0);
        cairo_rectangle(cr, (i % 2) * side / 2.0, (i / 2) * side / 2.0, side / 2.0, side / 2.0);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    ASSERT_EQ(cairo_surface_write_to_png(surface, file.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
}

void writeSolid(const std::filesystem::path& file, int side, Colour colour) {
    writeQuarters(file, side, {colour, colour, colour, colour});
}

constexpr Colour kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

bool near(Pixel pixel, Colour colour) {
    return pixel.alpha == 255 && std::abs(pixel.red - colour.r) < 10 &&
           std::abs(pixel.green - colour.g) < 10 && std::abs(pixel.blue - colour.b) < 10;
}

// Pictures live in a device root of the fixture's own, as the phone's files do.
class ImageDrawing : public DrawingTest {
protected:
    void SetUp() override { DeviceRoot::set(m_root.str()); }
    std::filesystem::path phoneFile(const std::string& phonePath) {
        return m_root.path() / phonePath.substr(1);
    }

private:
    TempDir m_root;
};

TEST_F(ImageDrawing, PicturesAreStretchedToFillTheirFrames) {
    writeQuarters(phoneFile("/pictures/quarters.png"), 4, {kRed, kGreen, kBlue, kWhite});
    Ref<UIImage> image = UIImage::imageWithContentsOfFile("/pictures/quarters.png");
    ASSERT_TRUE(image);

    const CGRect frame = CGRectMake(10, 20, 200, 80);
    struct Case {
        const char* name;
        Ref<UIView> view;
    } cases[] = {{"image view", make<UIImageView>(image.get())},
                 {"button", UIButton::buttonWithType(UIButtonTypeCustom)}};
    static_cast<UIButton*>(cases[1].view.get())->setImage(image, 0);
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.view->setFrame(frame);
        Ref<UIView> container = makeContainer();
        container->addSubview(c.view);
        auto picture = draw(*container, 1);
        ASSERT_TRUE(picture);
        EXPECT_EQ(describe(picture->inkBounds()), "10,20 200x80");
        EXPECT_TRUE(near(picture->at(15, 25), kRed));
        EXPECT_TRUE(near(picture->at(205, 25), kGreen));
        EXPECT_TRUE(near(picture->at(15, 95), kBlue));
        EXPECT_TRUE(near(picture->at(205, 95), kWhite));
        // The edges keep their colour to the last pixel, without fading.
        EXPECT_TRUE(near(picture->at(10, 20), kRed));
        EXPECT_TRUE(near(picture->at(209, 99), kWhite));
    }
}

TEST_F(ImageDrawing, TheDoubleSizeFileIsDrawnWhenThereAreTwoPixelsAPoint) {
    struct Case {
        const char* name;
        bool withDoubleSize;
        double scale;
        Colour expected;
    } cases[] = {{"2x file at scale 2", true, 2, kGreen},
                 {"2x file at scale 1", true, 1, kRed},
                 {"no 2x file at scale 2", false, 2, kRed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(phoneFile("/pictures"));
        writeSolid(phoneFile("/pictures/refresh.png"), 4, kRed);
        if (c.withDoubleSize)
            writeSolid(phoneFile("/pictures/refresh@2x.png"), 8, kGreen);
        Ref<UIImage> image = UIImage::imageWithContentsOfFile("/pictures/refresh.png");
        ASSERT_TRUE(image);
        Ref<UIImageView> view = make<UIImageView>(image.get());
        view->setFrame(CGRectMake(0, 0, 66, 110));
        Ref<UIView> container = makeContainer();
        container->addSubview(view);
        auto picture = draw(*container, c.scale);
        ASSERT_TRUE(picture);
        EXPECT_TRUE(near(picture->at(10, 10), c.expected));
    }
}

} // namespace
} // namespace test
