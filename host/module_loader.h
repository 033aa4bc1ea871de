// Loading a module file the way Tavra does: dlopen, find ZEKMain, call it on the main
// thread with the link record, and keep serving the module's messages.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Loads the module and runs ZEKMain. Returns 0 when the module was loaded and ZEKMain ran
// (its own answer is in *zekMainReturn, the record's result in *zekResult), else 1 with *error set.
int32_t HostLoadModule(const char* path, int32_t* zekMainReturn, int64_t* zekResult, std::string* error);

// Unloads the module, if one is loaded.
void HostUnloadModule();

// The loaded module's handle (as GetZEKModule answers) and file path.
void* HostLoadedModuleHandle();
std::string HostModulePath();

// Sends a message to the module's installed routine with the given items; returns the
// record's result, or -1 when the module installed no routine.
int64_t HostSendModuleMessage(int16_t message, const std::vector<int64_t>& items);
