// Shared helpers of the input/output library's tests: a scratch folder and a TIFF stack maker.
#pragma once
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tiffio.h>

// A fresh folder per test, removed with everything in it afterwards.
class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "drevlin_cli_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string Path(const std::string& name) const { return folder + "/" + name; }

    // Every name in the folder, hidden ones included, sorted.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder;
};

// How a test TIFF is laid out; defaults make an 8-bit grayscale stack in strips of one row.
struct TestTiffLayout {
    uint16_t bitsPerSample = 8;
    uint16_t samplesPerPixel = 1;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t compression = COMPRESSION_NONE;
    uint32_t rowsPerStrip = 1;
    uint32_t tileSide = 0;  // 16, 32, ... for a tiled file
    std::string description;
    bool withResolution = false;
    float xResolution = 1.0f;
    float yResolution = 1.0f;
    uint16_t resolutionUnit = RESUNIT_NONE;
};

// Write `pages` (raw sample bytes, one vector per page) as a multi-page TIFF; sizes may differ per page.
inline void WriteTestTiff(const std::string& path, const std::vector<std::vector<uint8_t>>& pages,
                          const std::vector<std::pair<uint32_t, uint32_t>>& sizes, const TestTiffLayout& layout)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    for (size_t p = 0; p < pages.size(); ++p) {
        const uint32_t width = sizes[p].first;
        const uint32_t height = sizes[p].second;
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel);
        TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, layout.sampleFormat);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression);
        if (layout.samplesPerPixel == 4) {
            const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        if (p == 0 && !layout.description.empty()) {
            TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, layout.description.c_str());
        }
        if (layout.withResolution) {
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, layout.xResolution);
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, layout.yResolution);
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, layout.resolutionUnit);
        }
        const size_t pixelBytes = layout.bitsPerSample / 8u * layout.samplesPerPixel;
        const size_t rowBytes = width * pixelBytes;
        if (layout.tileSide > 0) {
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, layout.tileSide);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, layout.tileSide);
            std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(tiff)));
            for (uint32_t y = 0; y < height; y += layout.tileSide) {
                for (uint32_t x = 0; x < width; x += layout.tileSide) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (uint32_t r = 0; r < layout.tileSide && y + r < height; ++r) {
                        const size_t columns = std::min(layout.tileSide, width - x);
                        std::copy_n(pages[p].data() + (y + r) * rowBytes + x * pixelBytes, columns * pixelBytes,
                                    tile.data() + r * layout.tileSide * pixelBytes);
                    }
                    ASSERT_GE(TIFFWriteTile(tiff, tile.data(), x, y, 0, 0), 0);
                }
            }
        } else {
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip);
            for (uint32_t row = 0; row < height; ++row) {
                ASSERT_EQ(TIFFWriteScanline(tiff, const_cast<uint8_t*>(pages[p].data() + row * rowBytes), row, 0), 1);
            }
        }
        ASSERT_TRUE(TIFFWriteDirectory(tiff));
    }
    TIFFClose(tiff);
}

// A page of `count` samples of type T, as raw bytes.
template <typename T>
std::vector<uint8_t> RawBytes(const std::vector<T>& values)
{
    const auto* start = reinterpret_cast<const uint8_t*>(values.data());
    return std::vector<uint8_t>(start, start + values.size() * sizeof(T));
}

// Frames with a different value at every pixel and frame: (7 * frame + 3 * x + 5 * y) mod 251.
inline std::vector<std::vector<uint8_t>> PatternFrames(int frames, uint32_t width, uint32_t height)
{
    std::vector<std::vector<uint8_t>> pages(static_cast<size_t>(frames));
    for (int f = 0; f < frames; ++f) {
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                pages[static_cast<size_t>(f)].push_back(static_cast<uint8_t>((7u * f + 3u * x + 5u * y) % 251u));
            }
        }
    }
    return pages;
}
