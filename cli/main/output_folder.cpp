// Making the output folder and removing it again when a run leaves nothing in it.
#include "cli/main/output_folder.h"

#include <filesystem>

#include "cli/main/exit_codes.h"

int32_t MakeOutputFolder(const std::string& folder, std::vector<std::string>* created, std::string* message)
{
    created->clear();
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(folder, error);
    if (error) {
        *message = "output folder " + folder + ": " + error.message();
        return EXITCODE_OUTPUT;
    }
    // Note which folders are missing now, outermost first, so a failed run can take them away again.
    std::vector<std::string> missing;
    for (std::filesystem::path at = path; !at.empty() && !std::filesystem::exists(at, error); at = at.parent_path()) {
        missing.insert(missing.begin(), at.string());
        if (at == at.parent_path()) break;
    }
    std::filesystem::create_directories(path, error);
    if (error || !std::filesystem::is_directory(path)) {
        RemoveCreatedFolders(missing);
        *message = "output folder " + folder +
                   " cannot be made: " + (error ? error.message() : std::string("a file of that name is in the way"));
        return EXITCODE_OUTPUT;
    }
    *created = missing;
    return EXITCODE_OK;
}

void RemoveCreatedFolders(const std::vector<std::string>& created)
{
    for (auto it = created.rbegin(); it != created.rend(); ++it) {
        std::error_code error;
        if (!std::filesystem::is_empty(*it, error) || error) return;
        std::filesystem::remove(*it, error);
    }
}
