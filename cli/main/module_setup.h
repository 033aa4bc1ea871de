// Finding the module file and loading it into the stand-in host the way Tavra does at start-up.
#pragma once
#include <cstdint>
#include <string>

// The module's file name on this platform.
constexpr const char* MODULE_FILE_NAME = "Drevlin-64.zek";

// The module file to load: `requested` if given, else Drevlin-64.zek beside the running program,
// else in the folder above it (a build folder keeps the program in cli/).
// Return 0, or EXITCODE_MODULE with a message naming where it looked.
int32_t FindModuleFile(const std::string& requested, std::string* path, std::string* message);

// Start the stand-in host afresh, load the module and run ZEKMain; both operations must be registered.
// Return 0, or EXITCODE_MODULE with a message (the module's own error text when ZEKMain refused).
int32_t LoadDrevlinModule(const std::string& path, std::string* message);

// Print the notices the module posted since the last call to standard error, one line each.
void ForwardModuleNotices();
