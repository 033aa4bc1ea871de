// The stand-in host: takes Tavra's place for the module. It owns the link record,
// serves the module's messages, exports Tavra's 24 functions, keeps a call log and
// loads module files. Tests, benchmarks and the command-line program drive it from here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "bridge/link_record.h"

// How a request reached the host.
enum HostCallRoad : int32_t {
    HOST_ROAD_RECORD = 0,        // old mechanism: message and items in the link record
    HOST_ROAD_BLOCK = 1,         // HostCallbackBlock
    HOST_ROAD_MEMORY_TABLE = 2,  // a function of the memory table handed over by message 292
    HOST_ROAD_EXPORT = 3,        // one of the executable's exports
};

struct HostCall {
    HostCallRoad road;
    int32_t message;               // service code; -1 for table functions and exports
    int32_t argCount;
    uint64_t args[CALLBACK_BLOCK_MAX_ARGS];
    uint8_t blockBytes[sizeof(HostCallbackBlock)];  // the block as received (block road only)
    std::string function;          // name of the table function or export
    uint32_t threadId;
};

// Memory-table answers to message 292.
enum : uint32_t { HOST_MEMORY_TABLE_ALL = 0xFFFu, HOST_MEMORY_TABLE_NONE = 0u };

struct HostConfig {
    bool answerVersion = true;        // message 238 accepted …
    int32_t versionWord = 8000;       // … with ten times the version in hundredths
    bool acceptCallbackBlock = true;  // message 221
    uint32_t memoryTableMask = HOST_MEMORY_TABLE_ALL;  // which of the twelve entries 292 fills
    bool useExecutableModule = true;  // GetTavraModule answers the running executable, else null
    void* executableModule = nullptr; // when set, GetTavraModule answers this handle instead
    int16_t waveLayoutMarker = 1;     // layout marker written into wave headers
    bool echoNotices = false;         // also print notices (message 8) to standard output
    int32_t refuseRegistration = 0;   // refuse the n-th operation registration (1-based; 0: none) …
    int32_t registrationError = 9020; // … with this code
};

// Error codes of the host's own.
enum : int32_t {
    HOST_ERR_UNSERVED_MESSAGE = 9001,  // a message this host does not serve
    HOST_ERR_BAD_ARGUMENTS = 9002,     // wrong argument count or null where an address is needed
    HOST_ERR_MEMORY_FULL = -108,       // the allocator's out-of-memory code
    HOST_ERR_NIL_HANDLE = -109,        // a null or unknown handle given to the allocator
};

// Starts afresh: new link record, empty log, no waves, no module, tick 0.
void HostReset(const HostConfig& config = HostConfig());
HostConfig& HostSettings();

HostLinkHandle HostLinkRecordHandle();
HostLinkRecord* HostRecord();

// The call log.
std::vector<HostCall> HostCallLog();
void HostClearCallLog();
// Log entries that carried the given service message.
std::vector<HostCall> HostCallsWithMessage(int32_t message);
// Log entries of the named table function or export.
std::vector<HostCall> HostCallsOfFunction(const std::string& function);

// The tick counter the TickCount export answers.
void HostSetTick(uint32_t tick);
void HostAdvanceTick(uint32_t ticks);

// Texts the module posted as notices (message 8).
std::vector<std::string> HostNotices();

// The host's main-thread id (the thread that called HostReset).
uint32_t HostMainThreadId();

// The host's callback entry, as stored in the link record.
extern "C" int64_t TavraCallbackEntry(void* recordHandleOrBlock);
