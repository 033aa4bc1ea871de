// Formatting the run's summary: compact tables, values in the results' own unit.
#include "cli/main/flow_summary.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "cli/sample_kind.h"

namespace {

std::string Number(double value, const char* format = "%.4g")
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string SourceName(const StackSource& source)
{
    switch (source.kind) {
        case STACK_SOURCE_SAMPLE:
            return "built-in sample";
        case STACK_SOURCE_TIFF:
            return source.path + " (TIFF stack)";
        default:
            if (source.framePaths.size() > 0 && source.path != source.framePaths[0]) {
                return source.path + " (folder of " + std::to_string(source.framePaths.size()) + " frame files)";
            }
            return std::filesystem::path(source.framePaths.empty() ? std::string() : source.framePaths[0])
                       .filename()
                       .string() +
                   " ... (" + std::to_string(source.framePaths.size()) + " frame files)";
    }
}

std::string DescribeCalibration(const StackCalibration& c)
{
    if (c.unit.empty()) return "uncalibrated (pixels)";
    std::string text = c.stepX == c.stepY ? Number(c.stepX) : Number(c.stepX) + " x " + Number(c.stepY);
    text += " " + c.unit + " per pixel";
    if (c.frameInterval > 0.0)
        text += ", " + Number(c.frameInterval) + " " + (c.timeUnit.empty() ? "s" : c.timeUnit) + " per frame";
    return text;
}

std::string UnitLabel(const CommandOutputs& outputs)
{
    return outputs.valueUnit.empty() ? std::string("px") : outputs.valueUnit;
}

void PrintPairRow(FILE* out, int64_t pair, const DisplacementStats& stats)
{
    std::fprintf(out, "  %6lld %11.4g %11.4g %11.4g %11.4g\n", static_cast<long long>(pair), stats.meanX, stats.meanY,
                 stats.meanMagnitude, stats.maxMagnitude);
}

void PrintPairTable(FILE* out, const CommandOutputs& outputs)
{
    const auto pairs = static_cast<int64_t>(outputs.pairStats.size());
    std::fprintf(out, "  %6s %11s %11s %11s %11s   (%s)\n", "pair", "mean x", "mean y", "mean |d|", "max |d|",
                 UnitLabel(outputs).c_str());
    for (int64_t i = 0; i < pairs; ++i) {
        if (pairs > SUMMARY_FULL_TABLE_PAIRS && i == SUMMARY_EDGE_ROWS) {
            std::fprintf(out, "  %6s\n", "...");
            i = pairs - SUMMARY_EDGE_ROWS;
        }
        PrintPairRow(out, i, outputs.pairStats[static_cast<size_t>(i)]);
    }
    if (pairs > SUMMARY_FULL_TABLE_PAIRS) {
        // The whole stack in one row: means weighted by the vectors counted, the largest length.
        DisplacementStats all;
        double weight = 0.0;
        for (const DisplacementStats& s : outputs.pairStats) {
            const auto n = static_cast<double>(s.finiteCount);
            all.meanX += s.meanX * n;
            all.meanY += s.meanY * n;
            all.meanMagnitude += s.meanMagnitude * n;
            all.maxMagnitude = std::max(all.maxMagnitude, s.maxMagnitude);
            weight += n;
        }
        if (weight > 0.0) {
            all.meanX /= weight;
            all.meanY /= weight;
            all.meanMagnitude /= weight;
        }
        std::fprintf(out, "  %6s %11.4g %11.4g %11.4g %11.4g\n", "all", all.meanX, all.meanY, all.meanMagnitude,
                     all.maxMagnitude);
    }
}

void PrintEndpointError(FILE* out, const OutputPlan& plan, const CommandOutputs& outputs)
{
    double sum = 0.0;
    double worstPair = 0.0;
    double largest = 0.0;
    int64_t count = 0;
    for (const EndpointErrorStats& e : outputs.pairErrors) {
        sum += e.meanError * static_cast<double>(e.count);
        count += e.count;
        worstPair = std::max(worstPair, e.meanError);
        largest = std::max(largest, e.maxError);
    }
    if (count == 0) return;
    const double mean = sum / static_cast<double>(count);
    const double pixel = plan.sample->pixelSize;
    std::string text = Number(mean) + " " + UnitLabel(outputs);
    if (!outputs.valueUnit.empty()) text += " (" + Number(mean / pixel) + " px)";
    const double truth = std::hypot(plan.sample->shiftX, plan.sample->shiftY);
    std::fprintf(out,
                 "  endpoint error: mean %s against the known %s px per frame; worst pair %s, largest %s"
                 " (%d-pixel border left out)\n",
                 text.c_str(), Number(truth, "%.3g").c_str(), Number(worstPair).c_str(), Number(largest).c_str(),
                 ENDPOINT_ERROR_MARGIN);
}

}  // namespace

std::string DescribeStack(const StackSource& source)
{
    const StackInfo& info = source.info;
    std::string text = SourceName(source) + ": " + std::to_string(info.width) + " x " + std::to_string(info.height) +
                       " pixels, " + std::to_string(info.frameCount) + " frames, " +
                       DescribeSampleKind(info.sampleKind);
    if (info.sampleKind != STACK_SAMPLE_GRAY8) {
        text += std::string(" converted to 8 bits by ") + ConversionModeName(source.conversion);
        if (info.hasValueRange)
            text += " (" + Number(info.valueMinimum) + ".." + Number(info.valueMaximum) + " onto 0..255)";
    }
    text += ", " + DescribeCalibration(info.calibration);
    if (source.kind == STACK_SOURCE_SAMPLE) {
        text +=
            "; true motion x " + Number(source.sample.shiftX) + ", y " + Number(source.sample.shiftY) + " px per frame";
    }
    return text;
}

void PrintStackSummary(FILE* out, const StackSource& source, int64_t chunkFrames, int64_t chunkCount)
{
    std::fprintf(out, "Stack  %s\n", DescribeStack(source).c_str());
    if (chunkCount > 1) {
        std::fprintf(out, "       streamed in %lld chunks of up to %lld frames, overlapping by one\n",
                     static_cast<long long>(chunkCount), static_cast<long long>(chunkFrames));
    }
}

void PrintCommandSummary(FILE* out, const OutputPlan& plan, const CommandOutputs& outputs)
{
    const FlowCommand& command = outputs.command;
    const auto pairs = static_cast<int64_t>(outputs.pairStats.size());
    std::fprintf(out, "\n%s\n", command.line.c_str());
    std::fprintf(out, "  settings: %s%svalues in %s%s\n", command.settings.c_str(),
                 command.settings.empty() ? "" : "; ", UnitLabel(outputs).c_str(), command.pixels ? " (/PXL)" : "");
    const double perPair = pairs > 0 ? outputs.runSeconds / static_cast<double>(pairs) : 0.0;
    std::fprintf(out, "  time: %s ms per pair (%lld pairs, %lld invocation%s, %s s in all)\n",
                 Number(perPair * 1000.0, "%.3g").c_str(), static_cast<long long>(pairs),
                 static_cast<long long>(outputs.invocations), outputs.invocations == 1 ? "" : "s",
                 Number(outputs.runSeconds, "%.3g").c_str());
    PrintPairTable(out, outputs);
    if (plan.sample != nullptr) PrintEndpointError(out, plan, outputs);
    // A picture per pair can make a long list: name the first few and count the rest.
    std::string files;
    const size_t listed =
        outputs.writtenFiles.size() > SUMMARY_LISTED_FILES ? SUMMARY_LISTED_FILES - 1 : outputs.writtenFiles.size();
    for (size_t i = 0; i < listed; ++i) files += (files.empty() ? "" : ", ") + outputs.writtenFiles[i];
    if (listed < outputs.writtenFiles.size()) {
        files += " and " + std::to_string(outputs.writtenFiles.size() - listed) + " more files";
    }
    std::fprintf(out, "  wrote: %s\n", files.c_str());
}
