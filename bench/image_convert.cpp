// Throughput of lumoKralConvert on a 256^3 volume for the conversions the skeletonizer meets
// (any kind to unsigned 8-bit), on the plain and on the clamped path.
#include <angiolith/image/lumoKralConvert.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr unsigned int kEdge = 256;

template <typename T>
lumoTeskDescriptor* makeVolume(lumoTeskType_t type, unsigned int bits, double scale) {
    lumoTeskDescriptor* pic = lumoTeskNew();
    pic->type = type;
    pic->bits = bits;
    pic->dim = 3;
    pic->n[0] = pic->n[1] = pic->n[2] = kEdge;
    const std::size_t count = static_cast<std::size_t>(kEdge) * kEdge * kEdge;
    auto* data = static_cast<T*>(std::malloc(count * sizeof(T)));
    for (std::size_t i = 0; i < count; ++i) data[i] = static_cast<T>((i % 251) * scale);
    pic->data = data;
    return pic;
}

template <typename T>
void convertToU8(benchmark::State& state, lumoTeskType_t type, unsigned int bits, double scale) {
    lumoTeskDescriptor* pic = makeVolume<T>(type, bits, scale);
    for (auto _ : state) {
        lumoTeskDescriptor* out = lumoKralConvert(pic, lumoTeskTypeUnsigned, 8);
        benchmark::DoNotOptimize(out->data);
        lumoTeskFree(out);
    }
    state.SetItemsProcessed(state.iterations() * kEdge * kEdge * kEdge);
    lumoTeskFree(pic);
}

void BM_Int16ToU8Plain(benchmark::State& s) {
    convertToU8<std::int16_t>(s, lumoTeskTypeSigned, 16, 1.0);
}
void BM_Int16ToU8Clamped(benchmark::State& s) {
    convertToU8<std::int16_t>(s, lumoTeskTypeSigned, 16, 2.0);
}
void BM_FloatToU8Plain(benchmark::State& s) { convertToU8<float>(s, lumoTeskTypeFloat, 32, 0.5); }
void BM_FloatToU8Clamped(benchmark::State& s) { convertToU8<float>(s, lumoTeskTypeFloat, 32, 1.5); }

}  // namespace

BENCHMARK(BM_Int16ToU8Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Int16ToU8Clamped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloatToU8Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloatToU8Clamped)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
