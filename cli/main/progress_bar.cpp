// Drawing the progress bar: carriage return, bar, counts and time left, only on a terminal.
#include "cli/main/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int32_t BAR_WIDTH = 30;

}  // namespace

void FormatDuration(double seconds, char* text, int32_t size)
{
    if (!std::isfinite(seconds) || seconds < 0.0 || seconds > 359999.0) {
        std::snprintf(text, static_cast<size_t>(size), "--:--");
        return;
    }
    const auto whole = static_cast<int64_t>(std::ceil(seconds));
    const auto hours = static_cast<long long>(whole / 3600);
    const auto minutes = static_cast<long long>(whole / 60 % 60);
    const auto rest = static_cast<long long>(whole % 60);
    if (hours > 0) {
        std::snprintf(text, static_cast<size_t>(size), "%lld:%02lld:%02lld", hours, minutes, rest);
    } else {
        std::snprintf(text, static_cast<size_t>(size), "%lld:%02lld", minutes, rest);
    }
}

void StartProgress(ProgressBar* bar, int64_t total, bool wanted)
{
    bar->enabled = wanted && total > 0 && isatty(STDERR_FILENO) == 1;
    bar->total = total;
    bar->start = std::chrono::steady_clock::now();
    bar->drawn = false;
    ShowProgress(bar, 0);
}

void ShowProgress(ProgressBar* bar, int64_t done)
{
    if (!bar->enabled) return;
    const double fraction = bar->total > 0 ? static_cast<double>(done) / static_cast<double>(bar->total) : 1.0;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - bar->start).count();
    char left[32];
    FormatDuration(done > 0 ? elapsed * (1.0 - fraction) / fraction : -1.0, left, sizeof left);
    const auto filled = static_cast<int32_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * BAR_WIDTH));
    std::string line = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(BAR_WIDTH - filled), '.') + "] ";
    std::fprintf(stderr, "%s%lld/%lld pairs, %s left \033[K", line.c_str(), static_cast<long long>(done),
                 static_cast<long long>(bar->total), left);
    std::fflush(stderr);
    bar->drawn = true;
}

void EndProgress(ProgressBar* bar)
{
    if (bar->enabled && bar->drawn) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
    bar->drawn = false;
}
