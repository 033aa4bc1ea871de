// The stand-in host's internal state and its table of services, shared by the host's files.
#pragma once
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "bridge/host_exports.h"
#include "host/stand_in_host.h"

// A request as the callback entry received it, whichever the mechanism.
struct HostRequest {
    int32_t message;
    int32_t argCount;
    const uint64_t* args;
};

using HostServiceProc = int64_t (*)(const HostRequest& request);

struct HostServiceEntry {
    int32_t message;
    int32_t argCount;  // the number of argument words the service takes
    HostServiceProc proc;
};

// Link record storage: the record plus room for slots beyond the eighth, which are the host's.
struct HostRecordStorage {
    HostLinkRecord record;
    int64_t extraItems[8];
};

struct HostState {
    HostConfig config;
    HostRecordStorage storage{};
    HostLinkRecord* recordPointer = nullptr;  // the master pointer the link handle points to
    uint32_t tick = 0;
    uint32_t mainThreadId = 0;
    bool callbackBlockAccepted = false;
    std::vector<std::string> notices;
    std::mutex logMutex;
    std::vector<HostCall> log;
};

HostState& Host();

// Appends a call to the log (thread-safe).
void HostLogCall(const HostCall& call);
// Logs a table function or an export by name.
void HostLogFunction(HostCallRoad road, const char* function);

// Service groups; each host file that serves messages contributes one.
std::span<const HostServiceEntry> HostCoreServices();
std::span<const HostServiceEntry> HostWaveServices();
std::span<const HostServiceEntry> HostOperationServices();
std::span<const HostServiceEntry> HostWaveElementServices();

// Fills the memory table at `table` with the entries the configuration asks for.
void HostFillMemoryTable(uint64_t* table);
// Frees every handle and pointer still allocated (called by HostReset).
void HostReleaseMemory();
// Forgets all waves and operations (called by HostReset).
void HostResetWaves();
void HostResetOperations();

// The allocator without logging, for the host's own use (wave blocks are handles too).
Handle HostNewHandle(int64_t size);
// Gives the handle a new zeroed block of `size` bytes and frees the old one, copying nothing.
int32_t HostReplaceHandleBlock(Handle h, int64_t size);
void HostDisposeHandle(Handle h);
int64_t HostHandleSize(Handle h);
