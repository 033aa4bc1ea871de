// Speed of the numeric conversion loops: every ordered pair of kinds on 1 Mi elements, in
// gigabytes of destination per second (counter "GB"), beside memcpy of the same number of
// destination bytes and beside the same conversion done element by element through a float64
// in a plain loop. On a busy machine run with repetitions and random interleaving and read
// the "max" aggregates of GB, e.g.
//   numconv_bench --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
//                 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "numconv/conversion_dispatch.h"
#include "numconv/conversion_rules.h"

namespace {

constexpr int64_t BENCH_ELEMENTS = int64_t{1} << 20;

struct BenchKind {
    const char* name;
    int32_t bytes;
    int32_t form;
};

#define NUMCONV_BENCH_KINDS(X) \
    X(Int8, int8_t, 1, NUMFORM_SIGNED) X(UInt8, uint8_t, 1, NUMFORM_UNSIGNED) X(Int16, int16_t, 2, NUMFORM_SIGNED) \
    X(UInt16, uint16_t, 2, NUMFORM_UNSIGNED) X(Int32, int32_t, 4, NUMFORM_SIGNED)                              \
    X(UInt32, uint32_t, 4, NUMFORM_UNSIGNED) X(Int64, int64_t, 8, NUMFORM_SIGNED)                              \
    X(UInt64, uint64_t, 8, NUMFORM_UNSIGNED) X(Float32, float, 4, NUMFORM_FLOAT) X(Float64, double, 8, NUMFORM_FLOAT)

#define NUMCONV_BENCH_KIND_ENTRY(NAME, TYPE, BYTES, FORM) {#NAME, BYTES, FORM},
const BenchKind BENCH_KINDS[10] = {NUMCONV_BENCH_KINDS(NUMCONV_BENCH_KIND_ENTRY)};
#undef NUMCONV_BENCH_KIND_ENTRY

// Typical data: small integers of both signs, or fractional values for float kinds.
std::vector<unsigned char> MakeSource(const BenchKind& kind) {
    std::vector<unsigned char> bytes(size_t(BENCH_ELEMENTS * kind.bytes));
    for (int64_t i = 0; i < BENCH_ELEMENTS; ++i) {
        const double value = kind.form == NUMFORM_FLOAT ? double(i % 2000) * 0.37 - 300.0
                             : kind.form == NUMFORM_SIGNED ? double((i * 37) % 201 - 100)
                                                           : double((i * 37) % 251);
        unsigned char element[8] = {};
        if (kind.form == NUMFORM_FLOAT && kind.bytes == 4) {
            const float narrow = float(value);
            std::memcpy(element, &narrow, 4);
        } else if (kind.form == NUMFORM_FLOAT) {
            std::memcpy(element, &value, 8);
        } else {
            const int64_t integer = int64_t(value);
            std::memcpy(element, &integer, size_t(kind.bytes));  // little-endian: low bytes
        }
        std::memcpy(&bytes[size_t(i * kind.bytes)], element, size_t(kind.bytes));
    }
    return bytes;
}

void SetRate(benchmark::State& state, int32_t destinationBytes) {
    const double gigabytes = double(BENCH_ELEMENTS) * destinationBytes / 1e9;
    state.counters["GB"] = benchmark::Counter(gigabytes, benchmark::Counter::kIsIterationInvariantRate);
}

void BenchConvert(benchmark::State& state, int32_t s, int32_t d) {
    const std::vector<unsigned char> source = MakeSource(BENCH_KINDS[s]);
    std::vector<unsigned char> destination(size_t(BENCH_ELEMENTS * BENCH_KINDS[d].bytes));
    for (auto _ : state) {
        ConvertNumbersByLayout(source.data(), destination.data(), BENCH_ELEMENTS, BENCH_KINDS[s].bytes,
                               BENCH_KINDS[s].form, BENCH_KINDS[d].bytes, BENCH_KINDS[d].form);
        benchmark::ClobberMemory();
    }
    SetRate(state, BENCH_KINDS[d].bytes);
}

void BenchMemcpy(benchmark::State& state, int32_t bytes) {
    const std::vector<unsigned char> source(size_t(BENCH_ELEMENTS * bytes), 0x5A);
    std::vector<unsigned char> destination(source.size());
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    SetRate(state, bytes);
}

// The same conversion by way of a float64 for every element: read as float64, write back from
// float64, in a plain loop over typed elements.
template <typename S, typename D>
void BenchThroughDouble(benchmark::State& state, int32_t s, int32_t d) {
    const std::vector<unsigned char> sourceBytes = MakeSource(BENCH_KINDS[s]);
    std::vector<S> source(static_cast<size_t>(BENCH_ELEMENTS));
    std::memcpy(source.data(), sourceBytes.data(), sourceBytes.size());
    std::vector<D> destination(static_cast<size_t>(BENCH_ELEMENTS));
    for (auto _ : state) {
        const S* in = source.data();
        D* out = destination.data();
        for (int64_t i = 0; i < BENCH_ELEMENTS; ++i) {
            const double value = ConvertNumberElement<double>(in[i]);
            out[i] = ConvertNumberElement<D>(value);
        }
        benchmark::ClobberMemory();
    }
    SetRate(state, BENCH_KINDS[d].bytes);
}

// With repetitions, the "max" aggregate of the GB counter is the best rate seen: on a shared
// machine the least disturbed repetition.
double MaximumOf(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// Registers, for every destination kind, the pair's loop and right after it the same pair
// through float64, so that the two run close together in time.
template <typename S>
void RegisterSourceRow(int32_t s) {
    int32_t d = 0;
#define NUMCONV_BENCH_PAIR(NAME, TYPE, BYTES, FORM)                                                         \
    if (d != s) {                                                                                           \
        const std::string pair = std::string(BENCH_KINDS[s].name) + "To" + #NAME;                           \
        benchmark::RegisterBenchmark(("Convert/" + pair).c_str(),                                           \
                                     [s, d](benchmark::State& state) { BenchConvert(state, s, d); })        \
            ->Unit(benchmark::kMicrosecond)                                                                 \
            ->ComputeStatistics("max", MaximumOf);                                                          \
        benchmark::RegisterBenchmark(("ThroughDouble/" + pair).c_str(),                                     \
                                     [s, d](benchmark::State& state) { BenchThroughDouble<S, TYPE>(state, s, d); }) \
            ->Unit(benchmark::kMicrosecond)                                                                 \
            ->ComputeStatistics("max", MaximumOf);                                                          \
    }                                                                                                       \
    ++d;
    NUMCONV_BENCH_KINDS(NUMCONV_BENCH_PAIR)
#undef NUMCONV_BENCH_PAIR
}

bool RegisterNumconvBenchmarks() {
    for (int32_t bytes : {1, 2, 4, 8}) {
        benchmark::RegisterBenchmark((std::string("Memcpy/") + std::to_string(bytes) + "MiB").c_str(),
                                     [bytes](benchmark::State& state) { BenchMemcpy(state, bytes); })
            ->Unit(benchmark::kMicrosecond)
            ->ComputeStatistics("max", MaximumOf);
    }
    int32_t s = 0;
#define NUMCONV_BENCH_ROW(NAME, TYPE, BYTES, FORM) RegisterSourceRow<TYPE>(s++);
    NUMCONV_BENCH_KINDS(NUMCONV_BENCH_ROW)
#undef NUMCONV_BENCH_ROW
    return true;
}

[[maybe_unused]] const bool numconvBenchmarksRegistered = RegisterNumconvBenchmarks();

}  // namespace

BENCHMARK_MAIN();
