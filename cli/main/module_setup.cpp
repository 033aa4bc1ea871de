// Loading Drevlin-64.zek into the stand-in host and passing its notices on to standard error.
#include "cli/main/module_setup.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "cli/main/exit_codes.h"
#include "host/host_operations.h"
#include "host/module_loader.h"
#include "host/stand_in_host.h"

namespace {

// Notices already passed on; the host keeps every notice since HostReset.
size_t forwardedNotices = 0;

std::string ExecutableFolder()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

bool IsRegularFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

int32_t FindModuleFile(const std::string& requested, std::string* path, std::string* message)
{
    if (!requested.empty()) {
        if (!IsRegularFile(requested)) {
            *message = "module file " + requested + " does not exist";
            return EXITCODE_MODULE;
        }
        // dlopen searches the library path for a bare file name; an absolute path loads this very file.
        std::error_code error;
        *path = std::filesystem::absolute(requested, error).string();
        if (error) *path = requested;
        return EXITCODE_OK;
    }
    const std::string folder = ExecutableFolder();
    if (folder.empty()) {
        *message = std::string("cannot tell where the program lies to find ") + MODULE_FILE_NAME + "; use --module";
        return EXITCODE_MODULE;
    }
    const std::filesystem::path candidates[] = {std::filesystem::path(folder) / MODULE_FILE_NAME,
                                                std::filesystem::path(folder).parent_path() / MODULE_FILE_NAME};
    for (const std::filesystem::path& candidate : candidates) {
        if (IsRegularFile(candidate.string())) {
            *path = candidate.string();
            return EXITCODE_OK;
        }
    }
    *message = std::string(MODULE_FILE_NAME) + " is neither in " + candidates[0].parent_path().string() + " nor in " +
               candidates[1].parent_path().string() + "; build it or use --module";
    return EXITCODE_MODULE;
}

int32_t LoadDrevlinModule(const std::string& path, std::string* message)
{
    HostReset(HostConfig());
    forwardedNotices = 0;
    int32_t zekMainReturn = 0;
    int64_t zekResult = 0;
    std::string error;
    if (HostLoadModule(path.c_str(), &zekMainReturn, &zekResult, &error) != 0) {
        *message = path + ": " + error;
        return EXITCODE_MODULE;
    }
    ForwardModuleNotices();
    if (zekResult != 0) {
        const int32_t code = zekResult >= INT32_MIN && zekResult <= INT32_MAX ? static_cast<int32_t>(zekResult) : -1;
        *message = path + " refused to start: " + HostErrorMessage(code) + " (error " + std::to_string(zekResult) + ")";
        return EXITCODE_MODULE;
    }
    if (HostRegisteredOperations().empty()) {
        *message = path + " registered no operations";
        return EXITCODE_MODULE;
    }
    return EXITCODE_OK;
}

void ForwardModuleNotices()
{
    const std::vector<std::string> notices = HostNotices();
    // A progress bar may stand on the current line of a terminal: the notices start on a clean one.
    if (forwardedNotices < notices.size() && isatty(STDERR_FILENO) == 1) std::fputs("\r\033[K", stderr);
    for (; forwardedNotices < notices.size(); ++forwardedNotices) {
        std::string text = notices[forwardedNotices];
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
        for (char& c : text) {
            if (c == '\r') c = '\n';
        }
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}
