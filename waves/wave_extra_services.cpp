// The further wave services: plain forwards generated from their table, and the few with a twist.
#include "waves/wave_extra_services.h"

#include "bridge/bridge_memory.h"
#include "bridge/bridge_state.h"
#include "bridge/host_dispatch.h"
#include "waves/wave_services.h"

#define DREVLIN_UNPACK(...) __VA_ARGS__
#define DREVLIN_DEFINE_WAVE_SERVICE(code, count, params, words) \
    int64_t WaveService##code params { return InvokeHost##count(code, DREVLIN_UNPACK words); }
DREVLIN_PLAIN_WAVE_SERVICES(DREVLIN_DEFINE_WAVE_SERVICE)
#undef DREVLIN_DEFINE_WAVE_SERVICE

int64_t WaveService1After7(uint64_t a1)
{
    return WaveService1(static_cast<uint64_t>(WaveService7(a1)));
}

int64_t WaveService93(WaveHandle wave)
{
    if (const WaveHeaderBlock* header = DirectWaveHeader(wave)) return header->field93;
    return InvokeHost1(93, WordFromAddress(wave));
}

int64_t WaveService94(WaveHandle wave)
{
    if (const WaveHeaderBlock* header = DirectWaveHeader(wave)) return header->field94;
    return InvokeHost1(94, WordFromAddress(wave));
}

int64_t WaveService95(WaveHandle wave)
{
    if (const WaveHeaderBlock* header = DirectWaveHeader(wave)) return header->field95;
    return InvokeHost1(95, WordFromAddress(wave));
}

int64_t WaveService97(uint64_t a1)
{
    if (hostVersion >= 700) return InvokeHost1(97, a1);
    auto original = reinterpret_cast<Handle>(static_cast<uintptr_t>(InvokeHost1(54, a1)));
    if (!original) return 0;
    Handle copy = original;
    if (BridgeHandToHand(&copy) != 0) return 0;
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(copy));
}

int64_t WaveService224(WaveHandle wave)
{
    if (!wave) return 0;
    int64_t scratch = 0;
    return InvokeHost2(224, WordFromAddress(wave), WordFromAddress(&scratch));
}

int64_t WaveService225(WaveHandle* waveVariable)
{
    if (!waveVariable || !*waveVariable) return 0;
    return InvokeHost1(225, WordFromAddress(waveVariable));
}
