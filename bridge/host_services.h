// General host services of the catalogue that the flow operations use.
#pragma once
#include <cstdint>

// Registers a command-line operation (message 187). Returns 0 or a host error code;
// 978 without calling the host when called off the main thread.
int32_t RegisterOperation(const char* commandTemplate, const char* numericOutputs, const char* stringOutputs,
                          int32_t blockSize, const void* executeFunction, int32_t options);

// Shows a text (ending in "\r") in the host's notice output (message 8); any thread.
int64_t PostNotice(const char* text);
