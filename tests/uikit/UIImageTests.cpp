#include <Foundation/DeviceRoot.h>
#include <UIKit/UIKit.h>

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// What the test asks libpng to write: rows of raw samples in the file's own format.
struct PNGFile {
    int width;
    int height;
    int colorType;
    int bitDepth;
    bool interlaced;
    std::vector<uint8_t> samples; // rows packed back to back, as libpng expects them
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha; // tRNS
};

bool writePNG(const std::filesystem::path& path, const PNGFile& file) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const std::size_t stride = file.samples.size() / file.height;
    std::vector<png_bytep> rows(file.height);
    for (int y = 0; y < file.height; ++y)
        rows[y] = const_cast<uint8_t*>(file.samples.data()) + stride * y;
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, out);
        png_set_IHDR(png, info, file.width, file.height, file.bitDepth, file.colorType,
                     file.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (!file.palette.empty())
            png_set_PLTE(png, info, file.palette.data(), static_cast<int>(file.palette.size()));
        if (!file.paletteAlpha.empty())
            png_set_tRNS(png, info, file.paletteAlpha.data(),
                         static_cast<int>(file.paletteAlpha.size()), nullptr);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(out);
    return ok;
}

using RGBA = std::vector<uint8_t>;

// The device root is a fresh folder; pictures lie under its "/pictures".
class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        DeviceRoot::set(root.str());
        std::filesystem::create_directories(root.path() / "pictures");
    }

    std::filesystem::path real(const std::string& name) const {
        return root.path() / "pictures" / name;
    }
    std::string phone(const std::string& name) const { return "/pictures/" + name; }

    Ref<UIImage> writeAndLoad(const std::string& name, const PNGFile& file) {
        EXPECT_TRUE(writePNG(real(name), file));
        return UIImage::imageWithContentsOfFile(phone(name));
    }

    test::TempDir root;
};

TEST_F(ImageFiles, EveryColourTypeBecomesStraightRGBA) {
    struct Case {
        const char* name;
        PNGFile file;
        RGBA expected;
    };
    const Case cases[] = {
        {"rgba keeps straight alpha",
         {2,
          2,
          PNG_COLOR_TYPE_RGBA,
          8,
          false,
          {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40},
          {},
          {}},
         {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40}},
        {"rgb gets opaque alpha",
         {2, 1, PNG_COLOR_TYPE_RGB, 8, false, {255, 0, 0, 1, 2, 3}, {}, {}},
         {255, 0, 0, 255, 1, 2, 3, 255}},
        {"palette with transparency",
         {4,
          1,
          PNG_COLOR_TYPE_PALETTE,
          8,
          false,
          {0, 1, 2, 1},
          {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
          {255, 0}},
         {255, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 0, 255, 0, 0}},
        {"two-bit palette",
         {3,
          1,
          PNG_COLOR_TYPE_PALETTE,
          2,
          false,
          {0b00'01'10'00},
          {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}},
          {}},
         {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}},
        {"grayscale",
         {3, 1, PNG_COLOR_TYPE_GRAY, 8, false, {0, 128, 255}, {}, {}},
         {0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 255, 255}},
        {"one-bit grayscale",
         {2, 1, PNG_COLOR_TYPE_GRAY, 1, false, {0b10'000000}, {}, {}},
         {255, 255, 255, 255, 0, 0, 0, 255}},
        {"grayscale with alpha",
         {2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {100, 50, 200, 255}, {}, {}},
         {100, 100, 100, 50, 200, 200, 200, 255}},
        {"16-bit rgba",
         {1,
          1,
          PNG_COLOR_TYPE_RGBA,
          16,
          false,
          {0xFF, 0xFF, 0x80, 0x80, 0x12, 0x12, 0x00, 0x00},
          {},
          {}},
         {255, 128, 18, 0}},
        {"16-bit grayscale",
         {2, 1, PNG_COLOR_TYPE_GRAY, 16, false, {0x40, 0x40, 0xFF, 0xFF}, {}, {}},
         {64, 64, 64, 255, 255, 255, 255, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<UIImage> image = writeAndLoad("case.png", c.file);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->pixelWidth(), c.file.width);
        EXPECT_EQ(image->pixelHeight(), c.file.height);
        EXPECT_EQ(image->rgba(), c.expected);
        EXPECT_EQ(image->path(), "/pictures/case.png");
    }
}

// Adam7 needs more than 8 by 8 pixels to use all seven passes.
TEST_F(ImageFiles, InterlacedReadsLikeProgressive) {
    PNGFile file{11, 9, PNG_COLOR_TYPE_RGB, 8, true, {}, {}, {}};
    RGBA expected;
    for (int y = 0; y < file.height; ++y) {
        for (int x = 0; x < file.width; ++x) {
            const uint8_t rgb[] = {uint8_t(x * 20), uint8_t(y * 25), uint8_t(x + y)};
            file.samples.insert(file.samples.end(), rgb, rgb + 3);
            expected.insert(expected.end(), rgb, rgb + 3);
            expected.push_back(255);
        }
    }
    Ref<UIImage> interlaced = writeAndLoad("interlaced.png", file);
    ASSERT_TRUE(interlaced);
    EXPECT_EQ(interlaced->rgba(), expected);
}

PNGFile opaqueRGB(int width, int height) {
    return {width, height, PNG_COLOR_TYPE_RGB,
            8,     false,  std::vector<uint8_t>(std::size_t(width) * height * 3, 7),
            {},    {}};
}

TEST_F(ImageFiles, DoubleSizeFileHasHalfTheSizeInPoints) {
    Ref<UIImage> image = writeAndLoad("refresh@2x.png", opaqueRGB(132, 228));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), 2);
    Ref<UIImageView> view = make<UIImageView>(image.get());
    EXPECT_TRUE(CGRectEqualToRect(view->frame(), CGRectMake(0, 0, 66, 114)));
    EXPECT_EQ(image->retainCount(), 2u);

    Ref<UIImageView> empty = make<UIImageView>(nullptr);
    EXPECT_TRUE(CGRectEqualToRect(empty->frame(), CGRectMake(0, 0, 0, 0)));
    EXPECT_FALSE(empty->takesTouches());
}

TEST_F(ImageFiles, ButtonPictureForEachStateFallsBackToNormal) {
    Ref<UIImage> normal = writeAndLoad("normal.png", opaqueRGB(2, 2));
    Ref<UIImage> pressed = writeAndLoad("pressed.png", opaqueRGB(2, 2));
    Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeCustom);
    EXPECT_EQ(button->currentImage(), nullptr);
    button->setImage(normal.get(), UIControlStateNormal);
    EXPECT_EQ(button->imageForState(UIControlStateHighlighted), normal.get());
    button->setImage(pressed.get(), UIControlStateHighlighted);
    EXPECT_EQ(button->currentImage(), normal.get());
    button->setHighlighted(true);
    EXPECT_EQ(button->currentImage(), pressed.get());
    button->setImage(nullptr, UIControlStateHighlighted);
    EXPECT_EQ(button->currentImage(), normal.get());
}

TEST_F(ImageFiles, SideLimitIsInclusive) {
    EXPECT_TRUE(writeAndLoad("widest.png", opaqueRGB(UIImage::kMaxPixelSide, 1)));
    EXPECT_FALSE(writeAndLoad("too-wide.png", opaqueRGB(UIImage::kMaxPixelSide + 1, 1)));
    EXPECT_FALSE(writeAndLoad("too-tall.png", opaqueRGB(1, UIImage::kMaxPixelSide + 1)));
}

// The 4-byte CRC that closes a chunk, over its type and data.
void appendChunk(std::string& file, const char* type, const std::string& data) {
    const uint32_t length = static_cast<uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        file += static_cast<char>(length >> shift);
    std::string body = std::string(type, 4) + data;
    file += body;
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : body) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    crc ^= 0xFFFFFFFFu;
    for (int shift = 24; shift >= 0; shift -= 8)
        file += static_cast<char>(crc >> shift);
}

// A signature and a header declaring width x height RGBA, then an IDAT holding `data` (an
// empty zlib stream unless given) and IEND, every checksum right.
std::string headerOnlyPNG(uint32_t width, uint32_t height,
                          const std::string& data = std::string("\x78\x9c\x03\x00\x00\x00\x00\x01",
                                                                8)) {
    std::string file = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    for (uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr += static_cast<char>(v >> shift);
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);
    appendChunk(file, "IHDR", ihdr);
    appendChunk(file, "IDAT", data);
    appendChunk(file, "IEND", "");
    return file;
}

TEST_F(ImageFiles, UnreadableFilesGiveNoPicture) {
    ASSERT_TRUE(writePNG(real("good.png"), opaqueRGB(40, 30)));
    const std::string good = test::readFile(real("good.png"));
    std::string flipped = good;
    flipped[good.find("IDAT") + 10] ^= 0x55; // damages the data and its checksum

    struct Case {
        const char* name;
        std::string content;
    };
    const Case cases[] = {
        {"empty file", ""},
        {"not a PNG", "hello, this is text and no picture at all"},
        {"signature alone", good.substr(0, 8)},
        {"cut in the middle", good.substr(0, good.size() / 2)},
        {"cut before the end chunk", good.substr(0, good.size() - 12)},
        {"damaged image data", flipped},
        {"huge declared size", headerOnlyPNG(20000, 20000)},
        {"large size within the limit but no data for it", headerOnlyPNG(16000, 16000)},
        {"zero width", headerOnlyPNG(0, 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(real("bad.png"), c.content);
        EXPECT_FALSE(UIImage::imageWithContentsOfFile(phone("bad.png")));
    }

    SCOPED_TRACE("missing file, a folder, an empty path");
    EXPECT_FALSE(UIImage::imageWithContentsOfFile(phone("missing.png")));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/pictures"));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile(""));
    // The untouched file still reads, so the cases above failed for their fault alone.
    EXPECT_TRUE(UIImage::imageWithContentsOfFile(phone("good.png")));
}

// The file is read when the picture is made, and its pixels decoded the first time they
// are asked for: what becomes of the file in between does not matter. Data that will not
// inflate inside an otherwise whole file is found only then, and leaves no pixels.
TEST_F(ImageFiles, PixelsAreDecodedWhenFirstAskedFor) {
    ASSERT_TRUE(writePNG(real("good.png"), opaqueRGB(2, 1)));
    Ref<UIImage> image = UIImage::imageWithContentsOfFile(phone("good.png"));
    ASSERT_TRUE(image);
    std::filesystem::remove(real("good.png"));
    EXPECT_EQ(image->rgba(), (RGBA{7, 7, 7, 255, 7, 7, 7, 255}));

    test::writeFile(real("garbled.png"), headerOnlyPNG(2, 1, "no zlib stream at all"));
    Ref<UIImage> garbled = UIImage::imageWithContentsOfFile(phone("garbled.png"));
    ASSERT_TRUE(garbled);
    EXPECT_EQ(garbled->pixelWidth(), 2);
    EXPECT_EQ(garbled->pixelHeight(), 1);
    EXPECT_TRUE(garbled->rgba().empty());
}

} // namespace
