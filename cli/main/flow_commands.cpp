// Checking operation command lines with the host's template parser and describing their settings.
#include "cli/main/flow_commands.h"

#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli/main/exit_codes.h"
#include "host/command_template.h"
#include "host/host_operations.h"

namespace {

// The flow operations this program knows: the waves each makes.
struct KnownOperation {
    const char* name;
    const char* outputX;
    const char* outputY;
};

const KnownOperation KNOWN_OPERATIONS[] = {
    {"DrevlinFarneback", "M_FarnebackDrevlin_X", "M_FarnebackDrevlin_Y"},
    {"DrevlinDIS", "M_DISDrevlin_X", "M_DISDrevlin_Y"},
};

// What an operation runs with when a value is not given, and whether it takes the value as an integer
// (truncated toward zero, as the operations do).
struct ParameterDefault {
    const char* name;
    double value;
    bool integer;
};

const ParameterDefault PARAMETER_DEFAULTS[] = {
    {"pyr_scale", 0.5, false}, {"levels", 3, true},        {"winsize", 15, true}, {"iterations", 3, true},
    {"poly_n", 5, true},       {"poly_sigma", 1.2, false}, {"preset", 1, true},
};

// Keywords without values and how the summary shows them, given and not given; /PXL shows as the unit.
struct SwitchKeyword {
    const char* keyword;
    const char* given;
    const char* absent;
};

const SwitchKeyword SWITCH_KEYWORDS[] = {
    {"G", "flags 256 (Gaussian window)", "flags 0"},
};

// The wave name the template parser met in the line; the lookup answers a placeholder so parsing goes on.
struct WaveCapture {
    std::string name;
    int placeholder = 0;
};

void* CaptureWave(void* context, const char* name)
{
    auto* capture = static_cast<WaveCapture*>(context);
    capture->name = name;
    return &capture->placeholder;
}

std::string FormatNumber(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// The value as the operation takes it: integers truncated toward zero, clamped to the 32-bit range.
std::string EffectiveValue(double value, bool integer)
{
    if (!integer) return FormatNumber(value);
    if (std::isnan(value)) return "0";
    if (value >= 2147483647.0) return "2147483647";
    if (value <= -2147483648.0) return "-2147483648";
    return std::to_string(static_cast<int32_t>(value));
}

double ReadBlockReal(const std::vector<uint8_t>& block, uint32_t offset)
{
    double value = 0.0;
    if (static_cast<size_t>(offset) + sizeof value <= block.size())
        std::memcpy(&value, block.data() + offset, sizeof value);
    return value;
}

bool ReadBlockGiven(const std::vector<uint8_t>& block, uint32_t offset)
{
    int32_t word = 0;
    if (static_cast<size_t>(offset) + sizeof word <= block.size())
        std::memcpy(&word, block.data() + offset, sizeof word);
    return word != 0;
}

void AppendSetting(std::string* settings, const std::string& text)
{
    if (!settings->empty()) *settings += ", ";
    *settings += text;
}

// Describe every keyword's value as the operation will use it, in template order.
void DescribeSettings(const CommandTemplate& tmpl, const std::vector<uint8_t>& block, FlowCommand* command)
{
    for (const CmdTemplateKeyword& keyword : tmpl.keywords) {
        const bool given = ReadBlockGiven(block, keyword.givenOffset);
        if (keyword.params.empty()) {
            const SwitchKeyword* known = nullptr;
            for (const SwitchKeyword& entry : SWITCH_KEYWORDS) {
                if (strcasecmp(entry.keyword, keyword.name.c_str()) == 0) known = &entry;
            }
            if (strcasecmp(keyword.name.c_str(), "PXL") == 0) {
                command->pixels = given;
            } else if (known != nullptr) {
                AppendSetting(&command->settings, given ? known->given : known->absent);
            } else if (given) {
                AppendSetting(&command->settings, "/" + keyword.name);
            }
            continue;
        }
        for (const CmdTemplateParam& param : keyword.params) {
            const ParameterDefault* fallback = nullptr;
            for (const ParameterDefault& entry : PARAMETER_DEFAULTS) {
                if (param.name == entry.name) fallback = &entry;
            }
            const bool integer = fallback != nullptr && fallback->integer;
            if (given) {
                AppendSetting(&command->settings,
                              param.name + " " + EffectiveValue(ReadBlockReal(block, param.valueOffset), integer));
            } else if (fallback != nullptr) {
                AppendSetting(&command->settings, param.name + " " + EffectiveValue(fallback->value, integer));
            }
        }
    }
}

const KnownOperation* FindKnownOperation(const std::string& name)
{
    for (const KnownOperation& known : KNOWN_OPERATIONS) {
        if (strcasecmp(known.name, name.c_str()) == 0) return &known;
    }
    return nullptr;
}

// The first word of a command line.
std::string FirstWord(const std::string& line)
{
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return std::string();
    const size_t end = line.find_first_of(" \t/", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int32_t Refuse(const std::string& text, std::string* message)
{
    *message = text;
    return EXITCODE_COMMAND;
}

}  // namespace

int32_t PrepareFlowCommand(const std::string& line, FlowCommand* command, std::string* message)
{
    *command = FlowCommand();
    command->line = line;
    const std::string word = FirstWord(line);
    const HostOperationInfo* registered = nullptr;
    const std::vector<HostOperationInfo> operations = HostRegisteredOperations();
    for (const HostOperationInfo& info : operations) {
        if (strcasecmp(info.name.c_str(), word.c_str()) == 0) registered = &info;
    }
    const KnownOperation* known = FindKnownOperation(word);
    if (registered == nullptr || known == nullptr) {
        std::string names;
        for (const HostOperationInfo& info : operations) names += (names.empty() ? "" : " or ") + info.name;
        return Refuse("\"" + line + "\" is not a command line of " + names +
                          (word.empty() ? std::string() : " (\"" + word + "\" is no such operation)"),
                      message);
    }
    CommandTemplate tmpl;
    std::string error;
    if (ParseCommandTemplate(registered->commandTemplate, &tmpl, &error) != 0) {
        return Refuse(registered->name + "'s template cannot be read: " + error, message);
    }
    WaveCapture capture;
    std::vector<uint8_t> block;
    if (FillParameterBlock(tmpl, line, CaptureWave, &capture, &block, &error) != 0) {
        return Refuse(registered->name + ": " + error, message);
    }
    if (capture.name.empty()) {
        return Refuse(
            "\"" + line + "\" names no wave to hold the stack; end it with a wave name, e.g. \"" + line + " stack\"",
            message);
    }
    command->operation = registered->name;
    command->waveName = capture.name;
    command->outputX = known->outputX;
    command->outputY = known->outputY;
    command->fileLabel = registered->name;
    DescribeSettings(tmpl, block, command);
    return EXITCODE_OK;
}

int32_t PrepareFlowCommands(const std::vector<std::string>& lines, std::vector<FlowCommand>* commands,
                            std::string* message)
{
    commands->clear();
    for (const std::string& line : lines) {
        FlowCommand command;
        if (const int32_t status = PrepareFlowCommand(line, &command, message)) return status;
        int32_t repeats = 1;
        for (const FlowCommand& earlier : *commands) {
            if (earlier.operation == command.operation) ++repeats;
        }
        if (repeats > 1) command.fileLabel += "-" + std::to_string(repeats);
        commands->push_back(command);
    }
    for (const FlowCommand& command : *commands) {
        for (const FlowCommand& other : *commands) {
            if (strcasecmp(command.waveName.c_str(), other.outputX.c_str()) == 0 ||
                strcasecmp(command.waveName.c_str(), other.outputY.c_str()) == 0) {
                return Refuse("\"" + command.line + "\": the stack's wave " + command.waveName +
                                  " is also an output of " + other.operation + "; name the stack's wave differently",
                              message);
            }
        }
    }
    return EXITCODE_OK;
}
