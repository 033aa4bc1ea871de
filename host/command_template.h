// The host's reading of operation command templates and the parameter blocks built from command lines.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Result codes of template and command-line parsing (0 is success).
enum : int32_t {
    CMDTEMPLATE_ERR_TEMPLATE = 9101,     // the template itself is malformed
    CMDTEMPLATE_ERR_OPERATION = 9102,    // the command names another operation, or none
    CMDTEMPLATE_ERR_KEYWORD = 9103,      // a keyword the template does not declare
    CMDTEMPLATE_ERR_DUPLICATE = 9104,    // a keyword given twice
    CMDTEMPLATE_ERR_SYNTAX = 9105,       // missing '=', value or brace, wrong value count, trailing junk
    CMDTEMPLATE_ERR_NUMBER = 9106,       // a value that is not a number or lies outside the 64-bit real range
    CMDTEMPLATE_ERR_NO_WAVE = 9107,      // a wave name that names no wave
    CMDTEMPLATE_ERR_UNSUPPORTED = 9108,  // a text value: this host does not make text handles
    CMDTEMPLATE_ERR_NO_FIELD = 9109,     // no field of that name in the block
    CMDTEMPLATE_ERR_MEMORY = 9110        // out of memory while parsing
};

// Parameter kinds a template may declare; each value takes 8 bytes in the block.
enum : int32_t {
    CMDPARAM_NUMBER = 1,  // 64-bit real
    CMDPARAM_WAVE = 2,    // WaveHandle
    CMDPARAM_STRING = 3   // handle to text (laid out, but not filled by this host)
};

// One declared parameter and where it lives in the block.
struct CmdTemplateParam {
    std::string name;
    int32_t kind;
    uint32_t valueOffset;
    uint32_t wordOffset;  // keyword parameter: its paramWord; positional parameter: its given-word
};

// One declared keyword: bare, with one parameter, or with a {…} group of parameters.
struct CmdTemplateKeyword {
    std::string name;  // without the slash, as the template writes it
    bool grouped;
    uint32_t givenOffset;
    std::vector<CmdTemplateParam> params;
};

// One named byte range of the block, e.g. "PSGiven", "pyr_scale", "PSParamWords", "hostTrailer".
struct CmdTemplateField {
    std::string name;
    uint32_t offset;
    uint32_t size;
};

struct CommandTemplate {
    std::string text;
    std::string operationName;
    std::vector<CmdTemplateKeyword> keywords;
    std::vector<CmdTemplateParam> positionals;
    std::vector<CmdTemplateField> fields;  // in block order, covering the block without gaps
    uint32_t blockSize;
};

// Resolves a wave name as the user wrote it; returns the WaveHandle, or null when no such wave exists.
using CmdWaveLookup = void* (*)(void* context, const char* name);

// Parses a template and derives its block layout.
// Return 0 on success, or CMDTEMPLATE_ERR_TEMPLATE with a message naming the offending token.
int32_t ParseCommandTemplate(std::string_view text, CommandTemplate* tmpl, std::string* error);

// Finds a block field by its exact name.
// Return 0 on success, or CMDTEMPLATE_ERR_NO_FIELD if the template has no such field.
int32_t FindTemplateField(const CommandTemplate& tmpl, std::string_view name, CmdTemplateField* field);

// Parses a command line against a template into a zero-initialised block of the template's size,
// resolving wave names through lookupWave. On failure the block is left empty and the message
// names the offending token. Return 0 on success, or one of the CMDTEMPLATE_ERR_ codes.
int32_t FillParameterBlock(const CommandTemplate& tmpl, std::string_view commandLine,
                           CmdWaveLookup lookupWave, void* context, std::vector<uint8_t>* block,
                           std::string* error);
