// Byte layouts shared with the host: the HostLinkRecord Tavra hands to ZEKMain and the
// HostCallbackBlock of the newer call mechanism. Both are 2-byte packed.
#pragma once
#include <cstddef>
#include <cstdint>

enum : int32_t { LINK_RECORD_ITEM_SLOTS = 8, CALLBACK_BLOCK_VERSION = 1000, CALLBACK_BLOCK_MAX_ARGS = 8 };

// The host's callback entry: one address in, its own return value ignored.
using HostCallbackProc = int64_t (*)(void* recordHandleOrBlock);
// The module's message routine: no arguments, no result.
using ZEKEntryProc = void (*)();

#pragma pack(push, 2)
struct HostLinkRecord {
    uint8_t hostReserved0[2];
    int32_t moduleType;
    int64_t result;
    int32_t status;
    HostCallbackProc callback;
    ZEKEntryProc entry;
    uint8_t hostReserved1[16];
    int16_t message;
    uint8_t hostReserved2[6];
    int16_t itemCount;
    int64_t items[LINK_RECORD_ITEM_SLOTS];
};

struct HostCallbackBlock {
    int32_t version;
    HostLinkRecord** linkRecord;
    int32_t message;
    int32_t argCount;
    const uint64_t* args;
    uint64_t reserved[4];
    int64_t result;
};
#pragma pack(pop)

using HostLinkHandle = HostLinkRecord**;

static_assert(offsetof(HostLinkRecord, moduleType) == 2);
static_assert(offsetof(HostLinkRecord, result) == 6);
static_assert(offsetof(HostLinkRecord, status) == 14);
static_assert(offsetof(HostLinkRecord, callback) == 18);
static_assert(offsetof(HostLinkRecord, entry) == 26);
static_assert(offsetof(HostLinkRecord, hostReserved1) == 34);
static_assert(offsetof(HostLinkRecord, message) == 50);
static_assert(offsetof(HostLinkRecord, hostReserved2) == 52);
static_assert(offsetof(HostLinkRecord, itemCount) == 58);
static_assert(offsetof(HostLinkRecord, items) == 60);
static_assert(sizeof(HostLinkRecord) == 124);

static_assert(offsetof(HostCallbackBlock, version) == 0);
static_assert(offsetof(HostCallbackBlock, linkRecord) == 4);
static_assert(offsetof(HostCallbackBlock, message) == 12);
static_assert(offsetof(HostCallbackBlock, argCount) == 16);
static_assert(offsetof(HostCallbackBlock, args) == 20);
static_assert(offsetof(HostCallbackBlock, reserved) == 28);
static_assert(offsetof(HostCallbackBlock, result) == 60);
static_assert(sizeof(HostCallbackBlock) == 68);

// Argument words: addresses unchanged, signed 32-bit values sign-extended, unsigned zero-extended.
inline uint64_t WordFromInt(int32_t value) { return static_cast<uint64_t>(static_cast<int64_t>(value)); }
inline uint64_t WordFromUInt(uint32_t value) { return static_cast<uint64_t>(value); }
inline uint64_t WordFromAddress(const volatile void* address) { return reinterpret_cast<uintptr_t>(address); }
