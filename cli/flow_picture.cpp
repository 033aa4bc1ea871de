// Pictures of flow fields: colour-wheel coding with a legend, one pair or a labelled montage, as PNG.
#include "cli/flow_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "cli/cli_errors.h"
#include "cli/output_file.h"

namespace {

// The wheel: hues from red through yellow, green, cyan, blue and magenta back to red, with more steps
// where the eye tells hues apart well (the colour coding of Baker et al.'s flow benchmark).
struct HueSegment {
    int32_t steps;
    std::array<int32_t, 3> from;  // red, green, blue at the segment's start
    std::array<int32_t, 3> to;    // at its end
};

const HueSegment HUE_SEGMENTS[] = {
    {15, {255, 0, 0}, {255, 255, 0}},    // red to yellow
    {6, {255, 255, 0}, {0, 255, 0}},     // yellow to green
    {4, {0, 255, 0}, {0, 255, 255}},     // green to cyan
    {11, {0, 255, 255}, {0, 0, 255}},    // cyan to blue
    {13, {0, 0, 255}, {255, 0, 255}},    // blue to magenta
    {6, {255, 0, 255}, {255, 0, 0}},     // magenta to red
};

constexpr int32_t PICTURE_LABEL_HEIGHT = 22;
constexpr int32_t PICTURE_GAP = 6;
constexpr int32_t LEGEND_WIDTH = 210;
constexpr int32_t LEGEND_WHEEL_RADIUS = 60;
constexpr int32_t LEGEND_HEIGHT = 360;
const cv::Scalar PICTURE_BACKGROUND(48, 48, 48);
const cv::Scalar PICTURE_TEXT(235, 235, 235);

using WheelTable = std::vector<std::array<double, 3>>;  // red, green, blue in 0..1

const WheelTable& Wheel()
{
    static const WheelTable wheel = [] {
        WheelTable table;
        for (const HueSegment& segment : HUE_SEGMENTS) {
            for (int32_t i = 0; i < segment.steps; ++i) {
                std::array<double, 3> colour{};
                for (int c = 0; c < 3; ++c) {
                    const int32_t level = segment.from[c] + (segment.to[c] - segment.from[c]) * i / segment.steps;
                    colour[c] = level / 255.0;
                }
                table.push_back(colour);
            }
        }
        return table;
    }();
    return wheel;
}

uint8_t ToByte(double level)
{
    if (!(level > 0.0)) {
        return 0;
    }
    if (level >= 1.0) {
        return 255;
    }
    return static_cast<uint8_t>(std::floor(level * 255.0 + 0.5));
}

// Hershey fonts know ASCII only: the micro sign becomes "u", other non-ASCII characters "?".
std::string AsciiText(const std::string& text)
{
    std::string ascii;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            ascii.push_back(static_cast<char>(byte));
        } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xB5) {
            ascii.push_back('u');
            ++i;
        } else if (byte == 0xCE && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBC) {
            ascii.push_back('u');
            ++i;
        } else if ((byte & 0xC0) != 0x80) {
            ascii.push_back('?');
        }
    }
    return ascii;
}

std::string FormatLength(double value, const std::string& unit)
{
    char number[32];
    std::snprintf(number, sizeof number, "%.3g", value);
    return std::string(number) + " " + (unit.empty() ? std::string("px") : AsciiText(unit));
}

void PutText(cv::Mat* picture, const std::string& text, cv::Point origin, double scale = 0.45)
{
    cv::putText(*picture, text, origin, cv::FONT_HERSHEY_SIMPLEX, scale, PICTURE_TEXT, 1, cv::LINE_AA);
}

double LongestVector(const std::vector<FlowPicturePair>& pairs, size_t count)
{
    double longest = 0.0;
    for (const FlowPicturePair& pair : pairs) {
        for (size_t i = 0; i < count; ++i) {
            const double length = std::hypot(static_cast<double>(pair.x[i]), static_cast<double>(pair.y[i]));
            if (std::isfinite(length)) {
                longest = std::max(longest, length);
            }
        }
    }
    return longest;
}

// The legend: the wheel drawn in image directions (a pixel right of the centre shows the colour of a
// displacement to the right), its axes, and the length at the rim.
void DrawLegend(cv::Mat* picture, cv::Point corner, double maxMagnitude, const std::string& unit)
{
    const cv::Point centre(corner.x + LEGEND_WIDTH / 2, corner.y + 44 + LEGEND_WHEEL_RADIUS);
    const int32_t radius = LEGEND_WHEEL_RADIUS;
    for (int32_t dy = -radius; dy <= radius; ++dy) {
        for (int32_t dx = -radius; dx <= radius; ++dx) {
            if (dx * dx + dy * dy > radius * radius) {
                continue;
            }
            picture->at<cv::Vec3b>(centre.y + dy, centre.x + dx) =
                FlowColour(static_cast<double>(dx) / radius, static_cast<double>(dy) / radius);
        }
    }
    cv::circle(*picture, centre, radius + 1, PICTURE_TEXT, 1, cv::LINE_AA);
    PutText(picture, "flow colour key", cv::Point(corner.x + 10, corner.y + 16));
    PutText(picture, "+x", cv::Point(centre.x + radius + 6, centre.y + 5));
    PutText(picture, "-x", cv::Point(centre.x - radius - 24, centre.y + 5));
    PutText(picture, "+y", cv::Point(centre.x - 9, centre.y + radius + 18));
    PutText(picture, "-y", cv::Point(centre.x - 9, centre.y - radius - 6));
    const char* const lines[] = {"hue: direction", "saturation: length", "x right = dimension 0 +",
                                 "y down = dimension 1 +", "white: no motion"};
    int32_t baseline = centre.y + radius + 48;
    for (const char* line : lines) {
        PutText(picture, line, cv::Point(corner.x + 10, baseline));
        baseline += 20;
    }
    PutText(picture, "rim: " + FormatLength(maxMagnitude, unit), cv::Point(corner.x + 10, baseline));
    PutText(picture, "darker: longer than rim", cv::Point(corner.x + 10, baseline + 20));
}

int32_t RenderFlowPictureBody(const std::vector<FlowPicturePair>& pairs, int32_t width, int32_t height,
                              const FlowPictureOptions& options, cv::Mat* picture, double* usedMaxMagnitude,
                              std::string* message)
{
    if (pairs.empty() || width <= 0 || height <= 0) {
        *message = "a flow picture needs at least one pair and a positive size";
        return CLI_ERR_ARGUMENT;
    }
    for (const FlowPicturePair& pair : pairs) {
        if (pair.x == nullptr || pair.y == nullptr) {
            *message = "a flow picture pair lacks its data";
            return CLI_ERR_ARGUMENT;
        }
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    double maxMagnitude = options.maxMagnitude;
    if (!(maxMagnitude > 0.0) || !std::isfinite(maxMagnitude)) {
        maxMagnitude = LongestVector(pairs, count);
        if (!(maxMagnitude > 0.0)) {
            maxMagnitude = 1.0;  // no motion at all: everything is white whatever the scale
        }
    }
    *usedMaxMagnitude = maxMagnitude;

    int32_t tileWidth = width;
    int32_t tileHeight = height;
    if (options.maxTileSide > 0 && std::max(width, height) > options.maxTileSide) {
        const double shrink = static_cast<double>(options.maxTileSide) / std::max(width, height);
        tileWidth = std::max(1, static_cast<int32_t>(std::lround(width * shrink)));
        tileHeight = std::max(1, static_cast<int32_t>(std::lround(height * shrink)));
    }
    const auto tileCount = static_cast<int32_t>(pairs.size());
    const auto columns = static_cast<int32_t>(std::ceil(std::sqrt(static_cast<double>(tileCount))));
    const int32_t rows = (tileCount + columns - 1) / columns;
    const int32_t cellWidth = tileWidth + PICTURE_GAP;
    const int32_t cellHeight = PICTURE_LABEL_HEIGHT + tileHeight + PICTURE_GAP;
    const int32_t gridWidth = PICTURE_GAP + columns * cellWidth;
    const int32_t gridHeight = PICTURE_GAP + rows * cellHeight;
    picture->create(std::max(gridHeight, LEGEND_HEIGHT), gridWidth + LEGEND_WIDTH, CV_8UC3);
    picture->setTo(PICTURE_BACKGROUND);

    cv::Mat colours;
    cv::Mat tile;
    for (int32_t i = 0; i < tileCount; ++i) {
        const FlowPicturePair& pair = pairs[static_cast<size_t>(i)];
        RenderFlowColours(pair.x, pair.y, width, height, maxMagnitude, &colours);
        if (tileWidth != width || tileHeight != height) {
            cv::resize(colours, tile, cv::Size(tileWidth, tileHeight), 0, 0, cv::INTER_AREA);
        } else {
            tile = colours;
        }
        const int32_t left = PICTURE_GAP + (i % columns) * cellWidth;
        const int32_t top = PICTURE_GAP + (i / columns) * cellHeight;
        tile.copyTo((*picture)(cv::Rect(left, top + PICTURE_LABEL_HEIGHT, tileWidth, tileHeight)));
        const std::string label = "pair " + std::to_string(pair.pairIndex) + " (frames " +
                                  std::to_string(pair.pairIndex) + "-" + std::to_string(pair.pairIndex + 1) + ")";
        PutText(picture, label, cv::Point(left, top + PICTURE_LABEL_HEIGHT - 7));
    }
    DrawLegend(picture, cv::Point(gridWidth, 0), maxMagnitude, options.unit);
    return CLI_OK;
}

}  // namespace

cv::Vec3b FlowColour(double u, double v)
{
    if (!std::isfinite(u) || !std::isfinite(v)) {
        return cv::Vec3b(0, 0, 0);
    }
    const WheelTable& wheel = Wheel();
    const auto steps = static_cast<double>(wheel.size());
    const double length = std::hypot(u, v);
    // Angle of the opposite vector, so a displacement to the right starts the wheel at red.
    const double turn = std::atan2(-v, -u) / std::numbers::pi;  // -1 .. 1
    // All steps around the full turn, so the last colour blends back into red without a seam.
    const double position = (turn + 1.0) / 2.0 * steps;
    const double whole = std::floor(position);
    const double blend = position - whole;
    const size_t lower = whole >= steps ? 0 : static_cast<size_t>(whole);
    const size_t upper = (lower + 1) % wheel.size();
    cv::Vec3b colour;
    for (int c = 0; c < 3; ++c) {
        double level = (1.0 - blend) * wheel[lower][c] + blend * wheel[upper][c];
        level = length <= 1.0 ? 1.0 - length * (1.0 - level) : level * 0.75;
        colour[2 - c] = ToByte(level);  // OpenCV pictures are blue, green, red
    }
    return colour;
}

void RenderFlowColours(const float* x, const float* y, int32_t width, int32_t height, double maxMagnitude,
                       cv::Mat* colours)
{
    colours->create(height, width, CV_8UC3);
    const double scale = 1.0 / maxMagnitude;
    for (int32_t row = 0; row < height; ++row) {
        cv::Vec3b* out = colours->ptr<cv::Vec3b>(row);
        const size_t rowStart = static_cast<size_t>(row) * static_cast<size_t>(width);
        for (int32_t column = 0; column < width; ++column) {
            const size_t i = rowStart + static_cast<size_t>(column);
            out[column] = FlowColour(x[i] * scale, y[i] * scale);
        }
    }
}

int32_t RenderFlowPicture(const std::vector<FlowPicturePair>& pairs, int32_t width, int32_t height,
                          const FlowPictureOptions& options, cv::Mat* picture, double* usedMaxMagnitude,
                          std::string* message)
{
    try {
        return RenderFlowPictureBody(pairs, width, height, options, picture, usedMaxMagnitude, message);
    } catch (const std::exception& error) {
        *message = std::string("the flow picture cannot be drawn: ") + error.what();
        return CLI_ERR_INTERNAL;
    }
}

int32_t WriteFlowPicture(const std::string& path, const std::vector<FlowPicturePair>& pairs, int32_t width,
                         int32_t height, const FlowPictureOptions& options, double* usedMaxMagnitude,
                         std::string* message)
{
    cv::Mat picture;
    int32_t result = RenderFlowPicture(pairs, width, height, options, &picture, usedMaxMagnitude, message);
    if (result != CLI_OK) {
        *message = path + ": " + *message;
        return result;
    }
    std::vector<uint8_t> encoded;
    try {
        if (!cv::imencode(".png", picture, encoded)) {
            *message = path + ": the picture cannot be encoded as PNG";
            return CLI_ERR_INTERNAL;
        }
    } catch (const std::exception& error) {
        *message = path + ": the picture cannot be encoded as PNG (" + error.what() + ")";
        return CLI_ERR_INTERNAL;
    }
    return WriteWholeOutputFile(path, encoded.data(), encoded.size(), message);
}
