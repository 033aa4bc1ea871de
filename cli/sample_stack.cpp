// The built-in sample stack: a textured scene moving by a known sub-pixel displacement per frame.
#include "cli/sample_stack.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "cli/cli_errors.h"

namespace {

constexpr int32_t SAMPLE_WAVE_COUNT = 64;
constexpr double SAMPLE_SHORTEST_WAVELENGTH = 6.0;
constexpr double SAMPLE_LONGEST_WAVELENGTH = 40.0;
constexpr double SAMPLE_MEAN_LEVEL = 127.5;
constexpr double SAMPLE_CONTRAST = 42.0;  // standard deviation of the texture in grey levels

struct PlaneWave {
    double omegaX;  // radians per pixel along x
    double omegaY;  // radians per pixel along y
    double phase;
    double amplitude;
};

// A small generator of our own, so the scene is the same with every compiler and library.
uint64_t NextRandom(uint64_t* state)
{
    *state += 0x9E3779B97F4A7C15ull;
    uint64_t z = *state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double NextUnit(uint64_t* state)
{
    return static_cast<double>(NextRandom(state) >> 11) * (1.0 / 9007199254740992.0);
}

std::vector<PlaneWave> MakeTexture(uint64_t seed)
{
    std::vector<PlaneWave> waves(SAMPLE_WAVE_COUNT);
    uint64_t state = seed;
    double power = 0.0;
    for (PlaneWave& wave : waves) {
        const double wavelength =
            SAMPLE_SHORTEST_WAVELENGTH * std::pow(SAMPLE_LONGEST_WAVELENGTH / SAMPLE_SHORTEST_WAVELENGTH, NextUnit(&state));
        const double angle = 2.0 * std::numbers::pi * NextUnit(&state);
        wave.omegaX = 2.0 * std::numbers::pi * std::cos(angle) / wavelength;
        wave.omegaY = 2.0 * std::numbers::pi * std::sin(angle) / wavelength;
        wave.phase = 2.0 * std::numbers::pi * NextUnit(&state);
        // Coarser waves a little stronger, so every pyramid level of a flow method finds structure.
        wave.amplitude = std::sqrt(wavelength / SAMPLE_SHORTEST_WAVELENGTH);
        power += 0.5 * wave.amplitude * wave.amplitude;
    }
    const double normalise = SAMPLE_CONTRAST / std::sqrt(power);
    for (PlaneWave& wave : waves) {
        wave.amplitude *= normalise;
    }
    return waves;
}

uint8_t QuantiseLevel(double level)
{
    if (!(level > 0.0)) {
        return 0;
    }
    if (level >= 255.0) {
        return 255;
    }
    return static_cast<uint8_t>(std::floor(level + 0.5));
}

// Render frame `frame`: cos(a + b) = cos a cos b - sin a sin b splits each wave into a column table
// and a row table, so the texture is sampled exactly with one multiply-add pair per wave and pixel.
void RenderFrame(const SampleStackSettings& settings, const std::vector<PlaneWave>& waves,
                 const std::vector<double>& columnCos, const std::vector<double>& columnSin, int64_t frame,
                 uint8_t* destination)
{
    const size_t width = static_cast<size_t>(settings.width);
    const double shiftX = settings.shiftX * static_cast<double>(frame);
    const double shiftY = settings.shiftY * static_cast<double>(frame);
    std::vector<double> level(width);
    for (int32_t y = 0; y < settings.height; ++y) {
        std::fill(level.begin(), level.end(), SAMPLE_MEAN_LEVEL);
        for (size_t k = 0; k < waves.size(); ++k) {
            const PlaneWave& wave = waves[k];
            const double rowPhase = wave.omegaY * (y - shiftY) - wave.omegaX * shiftX + wave.phase;
            const double rowCos = wave.amplitude * std::cos(rowPhase);
            const double rowSin = wave.amplitude * std::sin(rowPhase);
            const double* cosTable = columnCos.data() + k * width;
            const double* sinTable = columnSin.data() + k * width;
            for (size_t x = 0; x < width; ++x) {
                level[x] += cosTable[x] * rowCos - sinTable[x] * rowSin;
            }
        }
        uint8_t* out = destination + static_cast<size_t>(y) * width;
        for (size_t x = 0; x < width; ++x) {
            out[x] = QuantiseLevel(level[x]);
        }
    }
}

}  // namespace

int32_t CheckSampleStackSettings(const SampleStackSettings& settings, std::string* message)
{
    if (settings.width < 8 || settings.width > 8192 || settings.height < 8 || settings.height > 8192) {
        *message = "sample stack frames must be 8 to 8192 pixels wide and high";
        return CLI_ERR_ARGUMENT;
    }
    if (settings.frameCount < 2) {
        *message = "the sample stack needs at least two frames";
        return CLI_ERR_ARGUMENT;
    }
    if (!(std::fabs(settings.shiftX) <= 16.0) || !(std::fabs(settings.shiftY) <= 16.0)) {
        *message = "sample stack shifts must be finite and within 16 pixels per frame";
        return CLI_ERR_ARGUMENT;
    }
    if (!(settings.pixelSize > 0.0) || !std::isfinite(settings.pixelSize)) {
        *message = "the sample stack's pixel size must be positive";
        return CLI_ERR_ARGUMENT;
    }
    return CLI_OK;
}

StackCalibration SampleStackCalibration(const SampleStackSettings& settings)
{
    StackCalibration calibration;
    calibration.stepX = settings.pixelSize;
    calibration.stepY = settings.pixelSize;
    calibration.unit = "\xC2\xB5m";
    return calibration;
}

int32_t RenderSampleFrames(const SampleStackSettings& settings, int64_t first, int64_t count,
                           uint8_t* destination, std::string* message)
{
    const int32_t result = CheckSampleStackSettings(settings, message);
    if (result != CLI_OK) {
        return result;
    }
    if (first < 0 || count < 0 || first > settings.frameCount || count > settings.frameCount - first) {
        *message = std::to_string(count) + " frames from index " + std::to_string(first) +
                   " do not lie within the sample stack's " + std::to_string(settings.frameCount) + " frames";
        return CLI_ERR_ARGUMENT;
    }
    const std::vector<PlaneWave> waves = MakeTexture(settings.seed);
    const size_t width = static_cast<size_t>(settings.width);
    std::vector<double> columnCos(waves.size() * width);
    std::vector<double> columnSin(waves.size() * width);
    for (size_t k = 0; k < waves.size(); ++k) {
        for (size_t x = 0; x < width; ++x) {
            columnCos[k * width + x] = std::cos(waves[k].omegaX * static_cast<double>(x));
            columnSin[k * width + x] = std::sin(waves[k].omegaX * static_cast<double>(x));
        }
    }
    const size_t frameBytes = width * static_cast<size_t>(settings.height);
    for (int64_t i = 0; i < count; ++i) {
        RenderFrame(settings, waves, columnCos, columnSin, first + i, destination + static_cast<size_t>(i) * frameBytes);
    }
    return CLI_OK;
}

int32_t GetSampleTrueDisplacement(const SampleStackSettings& settings, int64_t pairIndex, bool pixels, float* x,
                                  float* y, std::string* message)
{
    const int32_t result = CheckSampleStackSettings(settings, message);
    if (result != CLI_OK) {
        return result;
    }
    if (pairIndex < 0 || pairIndex >= settings.frameCount - 1) {
        *message = "pair " + std::to_string(pairIndex) + " lies outside the sample stack's " +
                   std::to_string(settings.frameCount - 1) + " pairs";
        return CLI_ERR_ARGUMENT;
    }
    // The scene moves rigidly, so every pixel of every pair has the same displacement.
    const double scale = pixels ? 1.0 : settings.pixelSize;
    const auto trueX = static_cast<float>(settings.shiftX * scale);
    const auto trueY = static_cast<float>(settings.shiftY * scale);
    const size_t count = static_cast<size_t>(settings.width) * static_cast<size_t>(settings.height);
    std::fill(x, x + count, trueX);
    std::fill(y, y + count, trueY);
    return CLI_OK;
}
