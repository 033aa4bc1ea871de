// Operation command lines checked against the registered templates before any frame is read.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct FlowCommand {
    std::string line;       // as the user typed it
    std::string operation;  // the registered name, e.g. "DrevlinDIS"
    std::string waveName;   // the wave the line names: it receives the stack
    std::string outputX;    // the waves the operation makes, e.g. "M_DISDrevlin_X"
    std::string outputY;
    std::string settings;   // the values the operation runs with, defaults included, e.g. "preset 1"
    bool pixels = false;    // /PXL: displacements stay in pixels
    std::string fileLabel;  // names the command's result files: the operation, numbered when repeated
};

// Parse `line` against the template its operation registered, as Tavra's command line does, without running
// it. Return 0, or EXITCODE_COMMAND with the host's message naming the refused token (or saying that the
// line names no wave for the stack).
int32_t PrepareFlowCommand(const std::string& line, FlowCommand* command, std::string* message);

// Prepare every line and give repeated operations distinct file labels ("DrevlinDIS", "DrevlinDIS-2").
// A wave name that is also an output name of one of the commands is refused: the run would overwrite
// the stack. Return 0, or EXITCODE_COMMAND with a message.
int32_t PrepareFlowCommands(const std::vector<std::string>& lines, std::vector<FlowCommand>* commands,
                            std::string* message);
