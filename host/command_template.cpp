// The host's reading of operation command templates and the parameter blocks built from command lines.
#include "host/command_template.h"

#include <bit>
#include <charconv>
#include <cstddef>
#include <limits>
#include <system_error>

namespace {

// Every field of a block is a multiple of 2 bytes, so 2-byte packing never inserts padding.
constexpr uint32_t GIVEN_WORD_SIZE = 4;
constexpr uint32_t PARAM_WORD_SIZE = 4;
constexpr uint32_t VALUE_SIZE = 8;
constexpr uint32_t TRAILER_SIZE = 12;
constexpr uint64_t MAX_BLOCK_SIZE = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());

struct Cursor {
    std::string_view text;
    size_t pos;
};

struct KindName {
    const char* name;
    int32_t kind;
};

constexpr KindName PARAM_KINDS[] = {
    {"number", CMDPARAM_NUMBER},
    {"wave", CMDPARAM_WAVE},
    {"string", CMDPARAM_STRING},
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

// Characters that end a value token in a command line.
bool IsDelimiter(char c) {
    return IsSpace(c) || c == ',' || c == '{' || c == '}' || c == '=' || c == '/';
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Names a token in a message; an empty one is the end of the text.
std::string Describe(std::string_view token) { return token.empty() ? "the end" : Quoted(token); }

bool AtEnd(const Cursor& c) { return c.pos >= c.text.size(); }

char Peek(const Cursor& c) { return AtEnd(c) ? '\0' : c.text[c.pos]; }

void SkipSpace(Cursor* c) {
    while (!AtEnd(*c) && IsSpace(c->text[c->pos])) ++c->pos;
}

// Takes a name: a letter followed by letters, digits and underscores; empty if none starts here.
std::string_view TakeName(Cursor* c) {
    size_t start = c->pos;
    if (!IsLetter(Peek(*c))) return {};
    while (!AtEnd(*c) && IsNameChar(c->text[c->pos])) ++c->pos;
    return c->text.substr(start, c->pos - start);
}

// The token at the cursor, left unconsumed, for naming it in a message: a slash with the word after
// it, a single delimiter, or a run up to the next delimiter.
std::string_view WordAt(const Cursor& c) {
    if (AtEnd(c)) return {};
    size_t end = c.pos + 1;
    char first = c.text[c.pos];
    if (first == '/' || !IsDelimiter(first)) {
        while (end < c.text.size() && !IsDelimiter(c.text[end])) ++end;
    }
    return c.text.substr(c.pos, end - c.pos);
}

// Takes a value token up to the next delimiter; a '...' section may hold any character, so quoted
// liberal names pass whole. Returns false on an unterminated quote.
bool TakeValue(Cursor* c, std::string_view* token) {
    size_t start = c->pos;
    while (!AtEnd(*c) && !IsDelimiter(c->text[c->pos])) {
        if (c->text[c->pos] == '\'') {
            size_t close = c->text.find('\'', c->pos + 1);
            if (close == std::string_view::npos) return false;
            c->pos = close;
        }
        ++c->pos;
    }
    *token = c->text.substr(start, c->pos - start);
    return true;
}

// Digits with an optional point and an optional exponent; at least one mantissa digit.
bool IsDecimalLiteral(std::string_view s) {
    size_t i = 0;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t expStart = i;
        while (i < s.size() && IsDigit(s[i])) ++i;
        if (i == expStart) return false;
    }
    return i == s.size();
}

enum : int32_t { REAL_OK = 0, REAL_NOT_NUMBER = 1, REAL_OUT_OF_RANGE = 2 };

// Reads a decimal or scientific literal, NaN or Inf, each with an optional sign.
int32_t ParseReal(std::string_view token, double* value) {
    bool negative = false;
    std::string_view body = token;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        negative = body[0] == '-';
        body.remove_prefix(1);
    }
    double v = 0.0;
    if (EqualsNoCase(body, "nan")) {
        v = std::numeric_limits<double>::quiet_NaN();
    } else if (EqualsNoCase(body, "inf")) {
        v = std::numeric_limits<double>::infinity();
    } else {
        if (!IsDecimalLiteral(body)) return REAL_NOT_NUMBER;
        const char* end = body.data() + body.size();
        std::from_chars_result r = std::from_chars(body.data(), end, v, std::chars_format::general);
        if (r.ec == std::errc::result_out_of_range) return REAL_OUT_OF_RANGE;
        if (r.ec != std::errc() || r.ptr != end) return REAL_NOT_NUMBER;
    }
    *value = negative ? -v : v;
    return REAL_OK;
}

void PutU32(std::vector<uint8_t>* block, uint32_t at, uint32_t v) {
    for (uint32_t i = 0; i < 4; ++i) (*block)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutU64(std::vector<uint8_t>* block, uint32_t at, uint64_t v) {
    for (uint32_t i = 0; i < 8; ++i) (*block)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// ---- Templates ----

int32_t TemplateError(std::string* error, std::string_view text, const std::string& message) {
    *error = "bad template: " + message + " in " + Quoted(text);
    return CMDTEMPLATE_ERR_TEMPLATE;
}

// Parses "kind:name" at the cursor.
int32_t ParseParamDecl(Cursor* c, std::string* error, CmdTemplateParam* param) {
    SkipSpace(c);
    size_t start = c->pos;
    std::string_view kind = TakeName(c);
    if (kind.empty()) return TemplateError(error, c->text, "expected a parameter, got " + Describe(WordAt(*c)));
    SkipSpace(c);
    if (Peek(*c) != ':') return TemplateError(error, c->text, "missing \":\" after " + Quoted(kind));
    ++c->pos;
    SkipSpace(c);
    std::string_view name = TakeName(c);
    if (name.empty()) {
        return TemplateError(error, c->text,
                             "missing parameter name after " + Quoted(c->text.substr(start, c->pos - start)));
    }
    param->kind = 0;
    for (const KindName& k : PARAM_KINDS) {
        if (EqualsNoCase(kind, k.name)) param->kind = k.kind;
    }
    if (param->kind == 0) return TemplateError(error, c->text, "unknown parameter kind " + Quoted(kind));
    param->name = std::string(name);
    param->valueOffset = 0;
    param->wordOffset = 0;
    return 0;
}

// Parses "{kind:name, ...}" at the cursor, which stands on the brace.
int32_t ParseParamGroup(Cursor* c, std::string* error, CmdTemplateKeyword* keyword) {
    ++c->pos;
    for (;;) {
        CmdTemplateParam param;
        if (int32_t err = ParseParamDecl(c, error, &param)) return err;
        keyword->params.push_back(std::move(param));
        SkipSpace(c);
        if (AtEnd(*c)) {
            return TemplateError(error, c->text, "unterminated \"{\" after " + Quoted("/" + keyword->name));
        }
        char next = c->text[c->pos++];
        if (next == '}') return 0;
        if (next != ',') {
            --c->pos;
            return TemplateError(error, c->text, "expected \",\" or \"}\" before " + Quoted(WordAt(*c)));
        }
    }
}

// Parses "/NAME", "/NAME=kind:name" or "/NAME={...}" at the cursor, which stands on the slash.
int32_t ParseKeywordDecl(Cursor* c, std::string* error, CommandTemplate* tmpl) {
    Cursor slash = *c;
    ++c->pos;
    std::string_view name = TakeName(c);
    if (name.empty()) return TemplateError(error, c->text, "bad keyword " + Quoted(WordAt(slash)));
    for (const CmdTemplateKeyword& k : tmpl->keywords) {
        if (EqualsNoCase(k.name, name)) {
            return TemplateError(error, c->text, "keyword " + Quoted("/" + std::string(name)) + " declared twice");
        }
    }
    CmdTemplateKeyword keyword{std::string(name), false, 0, {}};
    size_t afterName = c->pos;
    SkipSpace(c);
    if (Peek(*c) == '=') {
        ++c->pos;
        SkipSpace(c);
        if (Peek(*c) == '{') {
            keyword.grouped = true;
            if (int32_t err = ParseParamGroup(c, error, &keyword)) return err;
        } else {
            CmdTemplateParam param;
            if (int32_t err = ParseParamDecl(c, error, &param)) return err;
            keyword.params.push_back(std::move(param));
        }
    } else {
        c->pos = afterName;
    }
    if (!AtEnd(*c) && !IsSpace(Peek(*c)) && Peek(*c) != '/') {
        return TemplateError(error, c->text, "unexpected " + Quoted(WordAt(*c)));
    }
    tmpl->keywords.push_back(std::move(keyword));
    return 0;
}

// Parses the trailing "kind:name, kind:name ..." list up to the end of the template.
int32_t ParsePositionalDecls(Cursor* c, std::string* error, CommandTemplate* tmpl) {
    for (;;) {
        CmdTemplateParam param;
        if (int32_t err = ParseParamDecl(c, error, &param)) return err;
        tmpl->positionals.push_back(std::move(param));
        SkipSpace(c);
        if (AtEnd(*c)) return 0;
        if (Peek(*c) != ',') {
            std::string what = Peek(*c) == '/' ? "keyword after the parameters: " : "unexpected ";
            return TemplateError(error, c->text, what + Quoted(WordAt(*c)));
        }
        ++c->pos;
    }
}

// Lays the fields out in template order and checks that their names are distinct.
int32_t DeriveLayout(std::string* error, CommandTemplate* tmpl) {
    uint64_t offset = 0;
    auto add = [&](std::string name, uint32_t size) {
        uint32_t at = static_cast<uint32_t>(offset);
        tmpl->fields.push_back(CmdTemplateField{std::move(name), at, size});
        offset += size;
        return at;
    };
    for (CmdTemplateKeyword& k : tmpl->keywords) {
        k.givenOffset = add(k.name + "Given", GIVEN_WORD_SIZE);
        for (CmdTemplateParam& p : k.params) p.valueOffset = add(p.name, VALUE_SIZE);
        if (k.params.empty()) continue;
        uint32_t words = add(k.name + "ParamWords", static_cast<uint32_t>(k.params.size()) * PARAM_WORD_SIZE);
        for (size_t i = 0; i < k.params.size(); ++i) {
            k.params[i].wordOffset = words + static_cast<uint32_t>(i) * PARAM_WORD_SIZE;
        }
    }
    for (CmdTemplateParam& p : tmpl->positionals) {
        p.wordOffset = add(p.name + "Given", GIVEN_WORD_SIZE);
        p.valueOffset = add(p.name, VALUE_SIZE);
    }
    add("hostTrailer", TRAILER_SIZE);
    if (offset > MAX_BLOCK_SIZE) return TemplateError(error, tmpl->text, "too many parameters");
    tmpl->blockSize = static_cast<uint32_t>(offset);
    for (size_t i = 0; i < tmpl->fields.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (EqualsNoCase(tmpl->fields[i].name, tmpl->fields[j].name)) {
                return TemplateError(error, tmpl->text, "name " + Quoted(tmpl->fields[i].name) + " used twice");
            }
        }
    }
    return 0;
}

int32_t ParseTemplateText(std::string_view text, CommandTemplate* tmpl, std::string* error) {
    CommandTemplate parsed{std::string(text), {}, {}, {}, {}, 0};
    Cursor c{text, 0};
    SkipSpace(&c);
    std::string_view name = TakeName(&c);
    if (name.empty()) return TemplateError(error, text, "expected an operation name, got " + Describe(WordAt(c)));
    parsed.operationName = std::string(name);
    for (;;) {
        if (!AtEnd(c) && !IsSpace(Peek(c)) && Peek(c) != '/') {
            return TemplateError(error, text, "unexpected " + Quoted(WordAt(c)));
        }
        SkipSpace(&c);
        if (AtEnd(c)) break;
        if (Peek(c) != '/') {
            if (int32_t err = ParsePositionalDecls(&c, error, &parsed)) return err;
            break;
        }
        if (int32_t err = ParseKeywordDecl(&c, error, &parsed)) return err;
    }
    if (int32_t err = DeriveLayout(error, &parsed)) return err;
    *tmpl = std::move(parsed);
    error->clear();
    return 0;
}

// ---- Command lines ----

struct CommandParse {
    const CommandTemplate* tmpl;
    Cursor cur;
    CmdWaveLookup lookupWave;
    void* context;
    std::vector<uint8_t> block;
    std::vector<bool> seen;  // per template keyword
    std::string* error;
};

int32_t CommandError(CommandParse* p, int32_t code, const std::string& message) {
    *p->error = message + " in " + Quoted(p->cur.text);
    return code;
}

int32_t UnterminatedQuote(CommandParse* p) {
    return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "unterminated quote at " + Quoted(WordAt(p->cur)));
}

// Stores one supplied value and marks its word; owner names the keyword or parameter in messages.
int32_t StoreValue(CommandParse* p, const CmdTemplateParam& param, std::string_view token,
                   const std::string& owner) {
    if (param.kind == CMDPARAM_NUMBER) {
        double v = 0.0;
        int32_t r = ParseReal(token, &v);
        if (r == REAL_OUT_OF_RANGE) {
            return CommandError(p, CMDTEMPLATE_ERR_NUMBER, "number " + Quoted(token) + " is out of range");
        }
        if (r != REAL_OK) {
            return CommandError(p, CMDTEMPLATE_ERR_NUMBER,
                                "expected a number for " + Quoted(owner) + ", got " + Quoted(token));
        }
        PutU64(&p->block, param.valueOffset, std::bit_cast<uint64_t>(v));
    } else if (param.kind == CMDPARAM_WAVE) {
        std::string name(token);
        void* wave = p->lookupWave != nullptr ? p->lookupWave(p->context, name.c_str()) : nullptr;
        if (wave == nullptr) return CommandError(p, CMDTEMPLATE_ERR_NO_WAVE, "no wave named " + Quoted(token));
        PutU64(&p->block, param.valueOffset, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(wave)));
    } else {
        return CommandError(p, CMDTEMPLATE_ERR_UNSUPPORTED,
                            "text value " + Quoted(token) + " for " + Quoted(owner) + " is not supported");
    }
    PutU32(&p->block, param.wordOffset, 1);
    return 0;
}

// Parses "{v, v, ...}" for a grouped keyword; the cursor stands after the '=' and its spaces.
int32_t ParseValueGroup(CommandParse* p, const CmdTemplateKeyword& k, const std::string& owner) {
    Cursor* c = &p->cur;
    if (Peek(*c) != '{') {
        return CommandError(p, CMDTEMPLATE_ERR_SYNTAX,
                            "expected \"{\" after " + Quoted(owner + "=") + ", got " + Describe(WordAt(*c)));
    }
    ++c->pos;
    std::vector<std::string_view> tokens;
    for (;;) {
        SkipSpace(c);
        std::string_view token;
        if (!TakeValue(c, &token)) return UnterminatedQuote(p);
        if (token.empty()) {
            if (AtEnd(*c)) return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "unterminated \"{\" after " + Quoted(owner));
            if (Peek(*c) == '}' && tokens.empty()) {
                ++c->pos;
                break;
            }
            return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "missing value before " + Quoted(WordAt(*c)));
        }
        tokens.push_back(token);
        SkipSpace(c);
        if (AtEnd(*c)) return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "unterminated \"{\" after " + Quoted(owner));
        char next = c->text[c->pos];
        if (next != ',' && next != '}') {
            return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "expected \",\" or \"}\" before " + Quoted(WordAt(*c)));
        }
        ++c->pos;
        if (next == '}') break;
    }
    if (tokens.size() != k.params.size()) {
        return CommandError(p, CMDTEMPLATE_ERR_SYNTAX,
                            Quoted(owner) + " takes " + std::to_string(k.params.size()) + " values, got " +
                                std::to_string(tokens.size()));
    }
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (int32_t err = StoreValue(p, k.params[i], tokens[i], owner)) return err;
    }
    return 0;
}

// Parses one "/NAME[=value]" at the cursor, which stands on the slash.
int32_t ParseKeywordUse(CommandParse* p) {
    Cursor* c = &p->cur;
    Cursor slash = *c;
    ++c->pos;
    std::string_view name = TakeName(c);
    std::string written(c->text.substr(slash.pos, c->pos - slash.pos));
    size_t index = p->tmpl->keywords.size();
    for (size_t i = 0; i < p->tmpl->keywords.size() && !name.empty(); ++i) {
        if (EqualsNoCase(p->tmpl->keywords[i].name, name)) index = i;
    }
    if (index == p->tmpl->keywords.size()) {
        return CommandError(p, CMDTEMPLATE_ERR_KEYWORD, "unknown keyword " + Quoted(WordAt(slash)));
    }
    if (p->seen[index]) return CommandError(p, CMDTEMPLATE_ERR_DUPLICATE, "keyword " + Quoted(written) + " given twice");
    p->seen[index] = true;
    const CmdTemplateKeyword& k = p->tmpl->keywords[index];
    std::string owner = "/" + k.name;
    PutU32(&p->block, k.givenOffset, 1);
    size_t afterName = c->pos;
    SkipSpace(c);
    bool hasEquals = Peek(*c) == '=';
    if (k.params.empty()) {
        if (hasEquals) return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "keyword " + Quoted(written) + " takes no value");
        c->pos = afterName;
    } else {
        if (!hasEquals) return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "missing \"=\" after " + Quoted(written));
        ++c->pos;
        SkipSpace(c);
        if (k.grouped) {
            if (int32_t err = ParseValueGroup(p, k, owner)) return err;
        } else {
            std::string_view token;
            if (!TakeValue(c, &token)) return UnterminatedQuote(p);
            if (token.empty()) {
                return CommandError(p, CMDTEMPLATE_ERR_SYNTAX,
                                    "expected a value for " + Quoted(written) + ", got " + Describe(WordAt(*c)));
            }
            if (int32_t err = StoreValue(p, k.params[0], token, owner)) return err;
        }
    }
    if (!AtEnd(*c) && !IsSpace(Peek(*c)) && Peek(*c) != '/') {
        return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "unexpected " + Quoted(WordAt(*c)));
    }
    return 0;
}

// Parses the comma-separated positional values that end the command line.
int32_t ParsePositionalUses(CommandParse* p) {
    Cursor* c = &p->cur;
    const std::vector<CmdTemplateParam>& params = p->tmpl->positionals;
    for (size_t i = 0;; ++i) {
        std::string_view token;
        if (!TakeValue(c, &token)) return UnterminatedQuote(p);
        if (token.empty()) {
            if (i == 0) return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "unexpected " + Quoted(WordAt(*c)));
            return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "expected a parameter after \",\", got " + Describe(WordAt(*c)));
        }
        if (i >= params.size()) return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "too many parameters at " + Quoted(token));
        if (int32_t err = StoreValue(p, params[i], token, params[i].name)) return err;
        SkipSpace(c);
        if (AtEnd(*c)) return 0;
        if (Peek(*c) != ',') return CommandError(p, CMDTEMPLATE_ERR_SYNTAX, "unexpected " + Quoted(WordAt(*c)));
        ++c->pos;
        SkipSpace(c);
    }
}

// True when every offset the template carries lies inside its block.
bool LayoutFits(const CommandTemplate& tmpl) {
    auto fits = [&](uint32_t at, uint32_t size) { return static_cast<uint64_t>(at) + size <= tmpl.blockSize; };
    for (const CmdTemplateKeyword& k : tmpl.keywords) {
        if (!fits(k.givenOffset, GIVEN_WORD_SIZE)) return false;
        for (const CmdTemplateParam& q : k.params) {
            if (!fits(q.valueOffset, VALUE_SIZE) || !fits(q.wordOffset, PARAM_WORD_SIZE)) return false;
        }
    }
    for (const CmdTemplateParam& q : tmpl.positionals) {
        if (!fits(q.valueOffset, VALUE_SIZE) || !fits(q.wordOffset, GIVEN_WORD_SIZE)) return false;
    }
    return true;
}

int32_t FillBlock(const CommandTemplate& tmpl, std::string_view commandLine, CmdWaveLookup lookupWave,
                  void* context, std::vector<uint8_t>* block, std::string* error) {
    CommandParse p{&tmpl, Cursor{commandLine, 0}, lookupWave, context, {}, {}, error};
    if (!LayoutFits(tmpl)) return CommandError(&p, CMDTEMPLATE_ERR_TEMPLATE, "template layout does not fit its block");
    p.block.assign(tmpl.blockSize, 0);
    p.seen.assign(tmpl.keywords.size(), false);
    Cursor* c = &p.cur;
    SkipSpace(c);
    size_t start = c->pos;
    while (!AtEnd(*c) && !IsSpace(Peek(*c)) && Peek(*c) != '/') ++c->pos;
    std::string_view operation = commandLine.substr(start, c->pos - start);
    if (operation.empty()) return CommandError(&p, CMDTEMPLATE_ERR_OPERATION, "missing operation name");
    if (!EqualsNoCase(operation, tmpl.operationName)) {
        return CommandError(&p, CMDTEMPLATE_ERR_OPERATION,
                            "wrong operation " + Quoted(operation) + ", expected " + Quoted(tmpl.operationName));
    }
    for (;;) {
        SkipSpace(c);
        if (Peek(*c) != '/') break;
        if (int32_t err = ParseKeywordUse(&p)) return err;
    }
    if (!AtEnd(*c)) {
        if (tmpl.positionals.empty()) return CommandError(&p, CMDTEMPLATE_ERR_SYNTAX, "unexpected " + Quoted(WordAt(*c)));
        if (int32_t err = ParsePositionalUses(&p)) return err;
    }
    *block = std::move(p.block);
    error->clear();
    return 0;
}

}  // namespace

int32_t ParseCommandTemplate(std::string_view text, CommandTemplate* tmpl, std::string* error) {
    try {
        return ParseTemplateText(text, tmpl, error);
    } catch (...) {
        error->assign("out of memory while parsing a template");
        return CMDTEMPLATE_ERR_MEMORY;
    }
}

int32_t FindTemplateField(const CommandTemplate& tmpl, std::string_view name, CmdTemplateField* field) {
    for (const CmdTemplateField& f : tmpl.fields) {
        if (f.name == name) {
            *field = f;
            return 0;
        }
    }
    return CMDTEMPLATE_ERR_NO_FIELD;
}

int32_t FillParameterBlock(const CommandTemplate& tmpl, std::string_view commandLine, CmdWaveLookup lookupWave,
                           void* context, std::vector<uint8_t>* block, std::string* error) {
    block->clear();
    try {
        int32_t err = FillBlock(tmpl, commandLine, lookupWave, context, block, error);
        if (err != 0) block->clear();
        return err;
    } catch (...) {
        block->clear();
        error->assign("out of memory while parsing a command line");
        return CMDTEMPLATE_ERR_MEMORY;
    }
}
