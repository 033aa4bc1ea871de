// Memory through the host's table or its exports, chosen per call.
#include "bridge/bridge_memory.h"

#include "bridge/bridge_state.h"
#include "bridge/host_dispatch.h"
#include "bridge/message_codes.h"

// The table entry of a function, or null when the host left it empty.
template <typename Fn>
static Fn TableEntry(int index)
{
    return reinterpret_cast<Fn>(static_cast<uintptr_t>(hostMemoryTable[index]));
}

// Plain forwarders: table entry if present, else the export.
#define DREVLIN_DEFINE_FORWARD(index, name, ret, params, args)            \
    ret Bridge##name params                                                 \
    {                                                                       \
        if (auto entry = TableEntry<ret(*) params>(index)) return entry args; \
        return name args;                                                   \
    }

// Disposers accept null and then call nothing.
#define DREVLIN_DEFINE_DISPOSE(index, name, ret, params, args)             \
    ret Bridge##name params                                                 \
    {                                                                       \
        if (!p) return;                                                     \
        if (auto entry = TableEntry<ret(*) params>(index)) return entry args; \
        name args;                                                          \
    }

// Resizers on the export road take their outcome from MemError, read at once.
#define DREVLIN_DEFINE_RESIZE(index, name, ret, params, args)              \
    ret Bridge##name params                                                 \
    {                                                                       \
        if (auto entry = TableEntry<ret(*) params>(index)) return entry args; \
        name args;                                                          \
        return MemError();                                                  \
    }

#define DREVLIN_DEFINE_BRIDGE_MEMORY(index, name, road, ret, params, args) \
    DREVLIN_DEFINE_##road(index, name, ret, params, args)
DREVLIN_MEMORY_FUNCTIONS(DREVLIN_DEFINE_BRIDGE_MEMORY)

static const char MEMORY_FUNCTIONS_NAME[] = "QVMemoryFunctions";

void RequestHostMemoryFunctions()
{
    if (hostVersion < 800) return;
    InvokeHost4(MSG_MEMORY_FUNCTIONS, WordFromAddress(MEMORY_FUNCTIONS_NAME), 0, WordFromInt(800),
                WordFromAddress(hostMemoryTable));
}
