// The output folder: made when missing, and taken away again after a failed run if it was made for it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Make `folder` and any missing parents; `created` receives the folders made, outermost first.
// Return 0, or EXITCODE_OUTPUT with a message.
int32_t MakeOutputFolder(const std::string& folder, std::vector<std::string>* created, std::string* message);

// Remove the folders MakeOutputFolder made, innermost first, as long as they are empty.
void RemoveCreatedFolders(const std::vector<std::string>& created);
