// Build tool: copies a compiled resource file, renaming one string resource type
// (llvm-rc cannot spell type names such as 'STR#' in a script).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

static uint32_t ReadU32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Returns true when the UTF-16 name at `at` spells `name` exactly.
static bool NameIs(const std::vector<uint8_t>& b, size_t at, const std::string& name)
{
    for (size_t i = 0; i <= name.size(); ++i) {
        uint16_t expected = i < name.size() ? uint8_t(name[i]) : 0;
        if (at + 2 * i + 1 >= b.size()) return false;
        if ((b[at + 2 * i] | b[at + 2 * i + 1] << 8) != expected) return false;
    }
    return true;
}

int main(int argc, char** argv)
{
    if (argc != 5 || std::strlen(argv[3]) != std::strlen(argv[4])) {
        std::fprintf(stderr, "usage: %s in.res out.res FROM TO (names of equal length)\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return 1;
    const std::string from = argv[3], to = argv[4];
    for (size_t at = 0; at + 8 <= b.size();) {
        uint32_t dataSize = ReadU32(b, at), headerSize = ReadU32(b, at + 4);
        if (headerSize < 8 || at + headerSize + dataSize > b.size()) {
            std::fprintf(stderr, "%s: malformed resource entry at %zu\n", argv[1], at);
            return 1;
        }
        size_t type = at + 8;
        if (!(b[type] == 0xFF && b[type + 1] == 0xFF) && NameIs(b, type, from))
            for (size_t i = 0; i < to.size(); ++i) b[type + 2 * i] = uint8_t(to[i]);
        at += (headerSize + dataSize + 3) & ~size_t(3);
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    return out.good() ? 0 : 1;
}
