// Tests of the host's command-template parser and the parameter blocks it builds from command lines.
#include "host/command_template.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const FARNEBACK_TEMPLATE =
    "DrevlinFarneback /PS=number:pyr_scale /L=number:levels /W=number:winsize /N=number:iterations /G "
    "/POLY={number:poly_n, number:poly_sigma} /PXL wave:waveH";
const char* const DIS_TEMPLATE = "DrevlinDIS /PRST=number:preset /PXL wave:waveH";

struct FieldRow {
    const char* name;
    uint32_t offset;
    uint32_t size;
};

// The block layouts the execute functions read, field by field.
const FieldRow FARNEBACK_FIELDS[] = {
    {"PSGiven", 0, 4},       {"pyr_scale", 4, 8},      {"PSParamWords", 12, 4},   {"LGiven", 16, 4},
    {"levels", 20, 8},       {"LParamWords", 28, 4},   {"WGiven", 32, 4},         {"winsize", 36, 8},
    {"WParamWords", 44, 4},  {"NGiven", 48, 4},        {"iterations", 52, 8},     {"NParamWords", 60, 4},
    {"GGiven", 64, 4},       {"POLYGiven", 68, 4},     {"poly_n", 72, 8},         {"poly_sigma", 80, 8},
    {"POLYParamWords", 88, 8}, {"PXLGiven", 96, 4},    {"waveHGiven", 100, 4},    {"waveH", 104, 8},
    {"hostTrailer", 112, 12},
};
const FieldRow DIS_FIELDS[] = {
    {"PRSTGiven", 0, 4}, {"preset", 4, 8},      {"PRSTParamWords", 12, 4}, {"PXLGiven", 16, 4},
    {"waveHGiven", 20, 4}, {"waveH", 24, 8},    {"hostTrailer", 32, 12},
};

CommandTemplate MustParse(const char* text) {
    CommandTemplate tmpl;
    std::string error;
    EXPECT_EQ(ParseCommandTemplate(text, &tmpl, &error), 0) << error;
    return tmpl;
}

void ExpectLayout(const CommandTemplate& tmpl, const FieldRow* rows, size_t count, uint32_t blockSize) {
    EXPECT_EQ(tmpl.blockSize, blockSize);
    ASSERT_EQ(tmpl.fields.size(), count);
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(tmpl.fields[i].name, rows[i].name);
        CmdTemplateField field;
        ASSERT_EQ(FindTemplateField(tmpl, rows[i].name, &field), 0);
        EXPECT_EQ(field.offset, rows[i].offset);
        EXPECT_EQ(field.size, rows[i].size);
    }
}

TEST(HostCommandTemplateLayout, FarnebackBlockMatchesTheExecuteFunctionsLayout) {
    CommandTemplate tmpl = MustParse(FARNEBACK_TEMPLATE);
    EXPECT_EQ(tmpl.operationName, "DrevlinFarneback");
    ExpectLayout(tmpl, FARNEBACK_FIELDS, std::size(FARNEBACK_FIELDS), 124);
}

TEST(HostCommandTemplateLayout, DISBlockMatchesTheExecuteFunctionsLayout) {
    CommandTemplate tmpl = MustParse(DIS_TEMPLATE);
    EXPECT_EQ(tmpl.operationName, "DrevlinDIS");
    ExpectLayout(tmpl, DIS_FIELDS, std::size(DIS_FIELDS), 44);
}

TEST(HostCommandTemplateLayout, OtherKindsAndSeveralPositionalsTakeEightBytesEach) {
    CommandTemplate tmpl = MustParse("Op /REF=wave:ref /T=string:txt /B={ wave:w1 ,number:n1 } wave:a, number:count");
    const FieldRow rows[] = {
        {"REFGiven", 0, 4}, {"ref", 4, 8},         {"REFParamWords", 12, 4}, {"TGiven", 16, 4},
        {"txt", 20, 8},     {"TParamWords", 28, 4}, {"BGiven", 32, 4},        {"w1", 36, 8},
        {"n1", 44, 8},      {"BParamWords", 52, 8}, {"aGiven", 60, 4},        {"a", 64, 8},
        {"countGiven", 72, 4}, {"count", 76, 8},   {"hostTrailer", 84, 12},
    };
    ExpectLayout(tmpl, rows, std::size(rows), 96);
    ASSERT_EQ(tmpl.keywords.size(), 3u);
    EXPECT_EQ(tmpl.keywords[1].params[0].kind, CMDPARAM_STRING);
    EXPECT_TRUE(tmpl.keywords[2].grouped);
    EXPECT_EQ(tmpl.keywords[2].params[1].wordOffset, 56u);
    ASSERT_EQ(tmpl.positionals.size(), 2u);
    EXPECT_EQ(tmpl.positionals[1].kind, CMDPARAM_NUMBER);
}

TEST(HostCommandTemplateLayout, UnknownFieldIsReported) {
    CommandTemplate tmpl = MustParse(DIS_TEMPLATE);
    CmdTemplateField field;
    EXPECT_EQ(FindTemplateField(tmpl, "pyr_scale", &field), CMDTEMPLATE_ERR_NO_FIELD);
    EXPECT_EQ(FindTemplateField(tmpl, "wavehgiven", &field), CMDTEMPLATE_ERR_NO_FIELD);
}

struct BadTemplate {
    const char* text;
    const char* token;  // must appear, quoted, in the message
};

TEST(HostCommandTemplateParse, BadTemplatesAreRefusedNamingTheToken) {
    const BadTemplate cases[] = {
        {"", "the end"},
        {"/PS=number:x", "\"/PS\""},
        {"Op /PS=int:x", "\"int\""},
        {"Op /PS=number", "\"number\""},
        {"Op /PS=number:", "\"number:\""},
        {"Op /PS=", "the end"},
        {"Op /P={number:a, number:b", "\"/P\""},
        {"Op /P={number:a number:b}", "\"number:b\""},
        {"Op /P={}", "\"}\""},
        {"Op /PS /ps", "\"/ps\""},
        {"Op /A=number:x /B=number:x", "\"x\""},
        {"Op /X wave:XGiven", "\"XGiven\""},
        {"Op /A=number:x, number:y", "\",\""},
        {"Op wave:w /PXL", "\"/PXL\""},
        {"Op wave:w wave:v", "\"wave:v\""},
        {"Op wave:w,", "the end"},
        {"Op /3", "\"/3\""},
        {"Op# wave:w", "\"#\""},
    };
    for (const BadTemplate& bad : cases) {
        SCOPED_TRACE(bad.text);
        CommandTemplate tmpl;
        std::string error;
        EXPECT_EQ(ParseCommandTemplate(bad.text, &tmpl, &error), CMDTEMPLATE_ERR_TEMPLATE);
        EXPECT_NE(error.find(bad.token), std::string::npos) << error;
    }
}

// A small wave registry standing in for the host's data folders; it logs every lookup.
struct FakeWaves {
    std::map<std::string, void*> waves;
    std::vector<std::string> lookups;
};

void* LookupFakeWave(void* context, const char* name) {
    FakeWaves* fake = static_cast<FakeWaves*>(context);
    fake->lookups.push_back(name);
    auto it = fake->waves.find(name);
    return it == fake->waves.end() ? nullptr : it->second;
}

int stackWave;
int pathWave;
int quotedWave;
void* const STACK = &stackWave;
void* const PATH_STACK = &pathWave;
void* const QUOTED_STACK = &quotedWave;

enum ValueKind { U32, REAL, HANDLE };

struct Expected {
    uint32_t offset;
    ValueKind kind;
    double real;  // U32: the word; REAL: the value; HANDLE: unused
    void* handle;
};

Expected Word(uint32_t offset) { return {offset, U32, 1, nullptr}; }
Expected Real(uint32_t offset, double v) { return {offset, REAL, v, nullptr}; }
Expected Handle(uint32_t offset, void* h) { return {offset, HANDLE, 0, h}; }

struct GoodLine {
    const char* line;
    std::vector<Expected> values;  // everything else stays zero
    std::vector<std::string> lookups;
};

class HostCommandTemplateFill : public ::testing::Test {
protected:
    void SetUp() override {
        farneback = MustParse(FARNEBACK_TEMPLATE);
        dis = MustParse(DIS_TEMPLATE);
        fake.waves = {{"stack", STACK}, {"root:data:stack", PATH_STACK}, {"'my stack'", QUOTED_STACK}};
    }

    // Builds the block the line must give: zeros, with the listed values written little-endian.
    static std::vector<uint8_t> ExpectedBlock(uint32_t size, const std::vector<Expected>& values) {
        std::vector<uint8_t> block(size, 0);
        for (const Expected& e : values) {
            uint64_t bits = 0;
            uint32_t bytes = 8;
            if (e.kind == U32) {
                bits = static_cast<uint32_t>(e.real);
                bytes = 4;
            } else if (e.kind == REAL) {
                bits = std::bit_cast<uint64_t>(e.real);
            } else {
                bits = reinterpret_cast<uintptr_t>(e.handle);
            }
            for (uint32_t i = 0; i < bytes; ++i) block.at(e.offset + i) = static_cast<uint8_t>(bits >> (8 * i));
        }
        return block;
    }

    void ExpectFills(const CommandTemplate& tmpl, const GoodLine& good) {
        SCOPED_TRACE(good.line);
        fake.lookups.clear();
        std::vector<uint8_t> block;
        std::string error;
        ASSERT_EQ(FillParameterBlock(tmpl, good.line, LookupFakeWave, &fake, &block, &error), 0) << error;
        std::vector<uint8_t> expected = ExpectedBlock(tmpl.blockSize, good.values);
        // A NaN is checked for being a NaN; its payload bits are the parser's business.
        for (const Expected& e : good.values) {
            if (e.kind != REAL || !std::isnan(e.real)) continue;
            double got = 0;
            std::memcpy(&got, block.data() + e.offset, 8);
            EXPECT_TRUE(std::isnan(got));
            EXPECT_EQ(std::signbit(got), std::signbit(e.real));
            std::memcpy(expected.data() + e.offset, block.data() + e.offset, 8);
        }
        EXPECT_EQ(block, expected);
        EXPECT_EQ(fake.lookups, good.lookups);
    }

    CommandTemplate farneback;
    CommandTemplate dis;
    FakeWaves fake;
};

TEST_F(HostCommandTemplateFill, GoodFarnebackLinesGiveTheirBlocks) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const GoodLine cases[] = {
        // No keywords and no wave: every given-word stays 0, so the operation uses its defaults.
        {"DrevlinFarneback", {}, {}},
        {"DrevlinFarneback /W=21 /POLY={7, 1.5} /PXL stack",
         {Word(32), Real(36, 21), Word(44), Word(68), Real(72, 7), Real(80, 1.5), Word(88), Word(92), Word(96),
          Word(100), Handle(104, STACK)},
         {"stack"}},
        {"drevlinfarneback /pxl /g /poly={5,1.2}/Ps=0.5 stack",
         {Word(96), Word(64), Word(68), Real(72, 5), Real(80, 1.2), Word(88), Word(92), Word(0), Real(4, 0.5),
          Word(12), Word(100), Handle(104, STACK)},
         {"stack"}},
        {"  DrevlinFarneback\t/PS = -0.25 /L= 2.7 /N =1e1 /POLY = {  -5 ,-1.5e-3  } /W=.5  ",
         {Word(0), Real(4, -0.25), Word(12), Word(16), Real(20, 2.7), Word(28), Word(48), Real(52, 10), Word(60),
          Word(68), Real(72, -5), Real(80, -1.5e-3), Word(88), Word(92), Word(32), Real(36, 0.5), Word(44)},
         {}},
        {"DrevlinFarneback /PS=NaN /W=Inf /N=-inf /L=+3 /POLY={-NaN, 2E+2} root:data:stack",
         {Word(0), Real(4, nan), Word(12), Word(32), Real(36, inf), Word(44), Word(48), Real(52, -inf), Word(60),
          Word(16), Real(20, 3), Word(28), Word(68), Real(72, -nan), Real(80, 200), Word(88), Word(92), Word(100),
          Handle(104, PATH_STACK)},
         {"root:data:stack"}},
        {"DrevlinFarneback /PXL/G 'my stack'", {Word(96), Word(64), Word(100), Handle(104, QUOTED_STACK)}, {"'my stack'"}},
    };
    for (const GoodLine& good : cases) ExpectFills(farneback, good);
}

TEST_F(HostCommandTemplateFill, GoodDISLinesGiveTheirBlocks) {
    const GoodLine cases[] = {
        {"DrevlinDIS /PRST=2 stack", {Word(0), Real(4, 2), Word(12), Word(20), Handle(24, STACK)}, {"stack"}},
        {"DrevlinDIS /PXL", {Word(16)}, {}},
        {"DrevlinDIS /PRST=-0 /PXL stack",
         {Word(0), Real(4, -0.0), Word(12), Word(16), Word(20), Handle(24, STACK)},
         {"stack"}},
    };
    for (const GoodLine& good : cases) ExpectFills(dis, good);
}

TEST_F(HostCommandTemplateFill, KeywordWavesAndNumericPositionalsAreFilled) {
    CommandTemplate tmpl = MustParse("Op /REF=wave:ref wave:a, number:count");
    ExpectFills(tmpl, {"Op /REF=stack root:data:stack, -4.5",
                       {Word(0), Handle(4, STACK), Word(12), Word(16), Handle(20, PATH_STACK), Word(28),
                        Real(32, -4.5)},
                       {"stack", "root:data:stack"}});
    ExpectFills(tmpl, {"Op stack", {Word(16), Handle(20, STACK)}, {"stack"}});
}

struct BadLine {
    const char* line;
    int32_t code;
    const char* token;  // must appear, quoted, in the message
};

TEST_F(HostCommandTemplateFill, BadLinesAreRefusedNamingTheToken) {
    const BadLine farnebackCases[] = {
        {"DrevlinFarneback /POLY={7} stack", CMDTEMPLATE_ERR_SYNTAX, "\"/POLY\" takes 2 values, got 1"},
        {"DrevlinFarneback /POLY={7, 1.5, 2} stack", CMDTEMPLATE_ERR_SYNTAX, "\"/POLY\" takes 2 values, got 3"},
        {"DrevlinFarneback /POLY={} stack", CMDTEMPLATE_ERR_SYNTAX, "\"/POLY\" takes 2 values, got 0"},
        {"DrevlinFarneback /POLY={7, 1.5", CMDTEMPLATE_ERR_SYNTAX, "unterminated \"{\" after \"/POLY\""},
        {"DrevlinFarneback /POLY={7, ", CMDTEMPLATE_ERR_SYNTAX, "unterminated \"{\" after \"/POLY\""},
        {"DrevlinFarneback /POLY={7, 1.5 stack", CMDTEMPLATE_ERR_SYNTAX, "\"stack\""},
        {"DrevlinFarneback /POLY={7,} stack", CMDTEMPLATE_ERR_SYNTAX, "\"}\""},
        {"DrevlinFarneback /POLY=7 stack", CMDTEMPLATE_ERR_SYNTAX, "\"7\""},
        {"DrevlinFarneback /POLY={7, x} stack", CMDTEMPLATE_ERR_NUMBER, "\"x\""},
        {"DrevlinFarneback /G=1 stack", CMDTEMPLATE_ERR_SYNTAX, "\"/G\""},
        {"DrevlinFarneback /W={21} stack", CMDTEMPLATE_ERR_SYNTAX, "\"{\""},
        {"DrevlinFarneback /W=21} stack", CMDTEMPLATE_ERR_SYNTAX, "\"}\""},
        {"DrevlinFarneback /W=21,5 stack", CMDTEMPLATE_ERR_SYNTAX, "\",\""},
        {"DrevlinFarneback /W= /PXL stack", CMDTEMPLATE_ERR_SYNTAX, "\"/PXL\""},
        {"DrevlinFarneback /W", CMDTEMPLATE_ERR_SYNTAX, "missing \"=\" after \"/W\""},
        {"DrevlinFarneback /W stack", CMDTEMPLATE_ERR_SYNTAX, "missing \"=\" after \"/W\""},
        {"DrevlinFarneback /L=2 /W=3 /l=4", CMDTEMPLATE_ERR_DUPLICATE, "\"/l\""},
        {"DrevlinFarneback /PXL /PXL", CMDTEMPLATE_ERR_DUPLICATE, "\"/PXL\""},
    };
    const BadLine disCases[] = {
        {"DrevlinDIS /Q stack", CMDTEMPLATE_ERR_KEYWORD, "\"/Q\""},
        {"DrevlinDIS / stack", CMDTEMPLATE_ERR_KEYWORD, "\"/\""},
        {"DrevlinDIS /PRSTX=1 stack", CMDTEMPLATE_ERR_KEYWORD, "\"/PRSTX\""},
        {"DrevlinDIS /PRST=", CMDTEMPLATE_ERR_SYNTAX, "the end"},
        {"DrevlinDIS /PRST=abc stack", CMDTEMPLATE_ERR_NUMBER, "\"abc\""},
        {"DrevlinDIS /PRST=1x stack", CMDTEMPLATE_ERR_NUMBER, "\"1x\""},
        {"DrevlinDIS /PRST=0x10 stack", CMDTEMPLATE_ERR_NUMBER, "\"0x10\""},
        {"DrevlinDIS /PRST=1e stack", CMDTEMPLATE_ERR_NUMBER, "\"1e\""},
        {"DrevlinDIS /PRST=. stack", CMDTEMPLATE_ERR_NUMBER, "\".\""},
        {"DrevlinDIS /PRST=infinity stack", CMDTEMPLATE_ERR_NUMBER, "\"infinity\""},
        {"DrevlinDIS /PRST=- 1 stack", CMDTEMPLATE_ERR_NUMBER, "\"-\""},
        {"DrevlinDIS /PRST=1e999 stack", CMDTEMPLATE_ERR_NUMBER, "\"1e999\""},
        {"DrevlinDIS /PXL nowave", CMDTEMPLATE_ERR_NO_WAVE, "\"nowave\""},
        {"DrevlinDIS stack junk", CMDTEMPLATE_ERR_SYNTAX, "\"junk\""},
        {"DrevlinDIS stack /PXL", CMDTEMPLATE_ERR_SYNTAX, "\"/PXL\""},
        {"DrevlinDIS stack, stack", CMDTEMPLATE_ERR_SYNTAX, "too many parameters at \"stack\""},
        {"DrevlinDIS stack,", CMDTEMPLATE_ERR_SYNTAX, "the end"},
        {"DrevlinDIS {stack}", CMDTEMPLATE_ERR_SYNTAX, "\"{\""},
        {"DrevlinDIS 'my stack", CMDTEMPLATE_ERR_SYNTAX, "\"'my\""},
        {"DrevlinFarneback /PXL stack", CMDTEMPLATE_ERR_OPERATION, "\"DrevlinFarneback\""},
        {"DrevlinDISX stack", CMDTEMPLATE_ERR_OPERATION, "\"DrevlinDISX\""},
        {"   ", CMDTEMPLATE_ERR_OPERATION, "missing operation name"},
    };
    auto check = [&](const CommandTemplate& tmpl, const BadLine& bad) {
        SCOPED_TRACE(bad.line);
        std::vector<uint8_t> block(3, 0xAA);
        std::string error;
        EXPECT_EQ(FillParameterBlock(tmpl, bad.line, LookupFakeWave, &fake, &block, &error), bad.code);
        EXPECT_NE(error.find(bad.token), std::string::npos) << error;
        EXPECT_NE(error.find(std::string("in \"") + bad.line + "\""), std::string::npos) << error;
        EXPECT_TRUE(block.empty());
    };
    for (const BadLine& bad : farnebackCases) check(farneback, bad);
    for (const BadLine& bad : disCases) check(dis, bad);
}

TEST_F(HostCommandTemplateFill, UnknownKeywordMessageReadsAsTheHostWouldSayIt) {
    std::vector<uint8_t> block;
    std::string error;
    EXPECT_EQ(FillParameterBlock(dis, "DrevlinDIS /Q stack", LookupFakeWave, &fake, &block, &error),
              CMDTEMPLATE_ERR_KEYWORD);
    EXPECT_EQ(error, "unknown keyword \"/Q\" in \"DrevlinDIS /Q stack\"");
    EXPECT_TRUE(fake.lookups.empty());
}

TEST_F(HostCommandTemplateFill, MissingWaveIsLookedUpOnceAndRefused) {
    std::vector<uint8_t> block;
    std::string error;
    EXPECT_EQ(FillParameterBlock(dis, "DrevlinDIS /PXL nowave", LookupFakeWave, &fake, &block, &error),
              CMDTEMPLATE_ERR_NO_WAVE);
    EXPECT_EQ(fake.lookups, std::vector<std::string>{"nowave"});
    // Without a lookup routine no wave exists at all.
    EXPECT_EQ(FillParameterBlock(dis, "DrevlinDIS stack", nullptr, nullptr, &block, &error), CMDTEMPLATE_ERR_NO_WAVE);
}

TEST_F(HostCommandTemplateFill, TextValuesAreRefusedByThisHost) {
    CommandTemplate tmpl = MustParse("Op /T=string:txt");
    std::vector<uint8_t> block;
    std::string error;
    EXPECT_EQ(FillParameterBlock(tmpl, "Op /T=abc", LookupFakeWave, &fake, &block, &error), CMDTEMPLATE_ERR_UNSUPPORTED);
    EXPECT_NE(error.find("\"abc\""), std::string::npos) << error;
    EXPECT_EQ(FillParameterBlock(tmpl, "Op", LookupFakeWave, &fake, &block, &error), 0) << error;
    EXPECT_EQ(block.size(), tmpl.blockSize);
}

}  // namespace
