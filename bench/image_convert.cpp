// Throughput of lumoKralConvert on a 256^3 volume for the conversions the skeletonizer meets
// (any kind to unsigned 8-bit), on the plain and on the clamped path.
#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/image/lumoKralConvert.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr unsigned int kEdge = 256;

template <typename T>
angiolith::detail::DescriptorPtr makeVolume(double scale) {
    angiolith::detail::DescriptorPtr pic =
        angiolith::detail::makeZeroVolume<T>(kEdge, kEdge, kEdge);
    const std::size_t count = static_cast<std::size_t>(kEdge) * kEdge * kEdge;
    auto* data = static_cast<T*>(pic->data);
    for (std::size_t i = 0; i < count; ++i) data[i] = static_cast<T>((i % 251) * scale);
    return pic;
}

template <typename T>
void convertToU8(benchmark::State& state, double scale) {
    const angiolith::detail::DescriptorPtr pic = makeVolume<T>(scale);
    for (auto _ : state) {
        const angiolith::detail::DescriptorPtr out(
            lumoKralConvert(pic.get(), lumoTeskTypeUnsigned, 8));
        benchmark::DoNotOptimize(out->data);
    }
    state.SetItemsProcessed(state.iterations() * kEdge * kEdge * kEdge);
}

void BM_Int16ToU8Plain(benchmark::State& s) { convertToU8<std::int16_t>(s, 1.0); }
void BM_Int16ToU8Clamped(benchmark::State& s) { convertToU8<std::int16_t>(s, 2.0); }
void BM_FloatToU8Plain(benchmark::State& s) { convertToU8<float>(s, 0.5); }
void BM_FloatToU8Clamped(benchmark::State& s) { convertToU8<float>(s, 1.5); }

}  // namespace

BENCHMARK(BM_Int16ToU8Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Int16ToU8Clamped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloatToU8Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloatToU8Clamped)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
