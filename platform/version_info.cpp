// Reads a file's version resource and answers queries of its tree of keyed nodes.
//
// A block filled by PlatformGetFileVersionInfo holds the version tree unchanged at offset 0 and,
// from the next DWORD boundary, a text area: a header (magic, area size) and one record per text
// node (node offset, UTF-8 byte count, the text, a NUL, padding to a DWORD). Text values are
// converted once there, so that queries only read the block.
#include "platform/version_info.h"

#include <cstring>

#include "platform/resources.h"

namespace {

// Bytes of wLength, wValueLength and wType that open every node.
constexpr uint32_t VERSION_NODE_HEADER = 6;
// wType of a node whose value is UTF-16 text counted in 16-bit units.
constexpr uint16_t VERSION_TYPE_TEXT = 1;
// Deepest nesting accepted; real blocks go four levels deep.
constexpr uint32_t VERSION_MAX_DEPTH = 16;
// Marks the text area ("VTXT").
constexpr uint32_t VERSION_TEXT_MAGIC = 0x54585456;
constexpr uint32_t VERSION_TEXT_HEADER = 8;
constexpr uint32_t VERSION_TEXT_RECORD = 8;

// One node of the version tree, as offsets from the start of the tree.
struct VersionNode {
    uint32_t start;
    uint32_t end;
    uint16_t type;
    uint32_t keyAt;
    uint32_t valueAt;
    uint32_t valueBytes;
    uint32_t childrenAt;
};

// The text area being counted (bytes null) or written.
struct VersionTextArea {
    uint8_t* bytes;
    uint32_t capacity;
    uint32_t used;
};

// A version resource loaded from a file, with its root node and the size of its text area.
struct VersionResource {
    uint8_t* data;
    VersionNode root;
    uint32_t textAreaSize;
};

uint32_t AlignToDword(uint32_t offset)
{
    return (offset + 3) & ~uint32_t(3);
}

void WriteLE32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
}

// Parses the node at `at`, which must end by `limit`. Return 0 on success, or 1 if the node's
// length, key or value does not fit.
int ParseVersionNode(const uint8_t* tree, uint32_t at, uint32_t limit, VersionNode* node)
{
    if (at > limit || limit - at < VERSION_NODE_HEADER) return 1;
    uint32_t length = PlatformReadLE16(tree + at);
    if (length < VERSION_NODE_HEADER || length > limit - at) return 1;
    node->start = at;
    node->end = at + length;
    node->type = PlatformReadLE16(tree + at + 4);
    node->keyAt = at + VERSION_NODE_HEADER;
    uint32_t cursor = node->keyAt;
    for (;; cursor += 2) {
        if (node->end - cursor < 2) return 1;
        if (PlatformReadLE16(tree + cursor) == 0) break;
    }
    cursor += 2;
    node->valueAt = AlignToDword(cursor) < node->end ? AlignToDword(cursor) : node->end;
    uint32_t valueLength = PlatformReadLE16(tree + at + 2);
    uint32_t bytes = node->type == VERSION_TYPE_TEXT ? 2 * valueLength : valueLength;
    uint32_t room = node->end - node->valueAt;
    if (bytes > room) {
        // Some writers count a text in bytes; the node's own length bounds it either way.
        if (node->type != VERSION_TYPE_TEXT) return 1;
        bytes = room & ~uint32_t(1);
    }
    node->valueBytes = bytes;
    uint32_t childrenAt = AlignToDword(node->valueAt + bytes);
    node->childrenAt = childrenAt < node->end ? childrenAt : node->end;
    return 0;
}

// Steps to the child of `parent` at `*at`. Return 0 with *child set and *at moved past it, 1 when
// no child is left, or -1 if the child is malformed.
int NextChild(const uint8_t* tree, const VersionNode& parent, uint32_t* at, VersionNode* child)
{
    if (*at >= parent.end || parent.end - *at < VERSION_NODE_HEADER) return 1;
    if (PlatformReadLE16(tree + *at) == 0) return 1;  // zero padding after the last child
    if (ParseVersionNode(tree, *at, parent.end, child)) return -1;
    *at = AlignToDword(child->end);
    return 0;
}

// Encodes one code point as UTF-8 into `out`; returns the byte count.
uint32_t EncodeUtf8(uint32_t c, uint8_t* out)
{
    if (c < 0x80) {
        out[0] = uint8_t(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = uint8_t(0xC0 | c >> 6);
        out[1] = uint8_t(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = uint8_t(0xE0 | c >> 12);
        out[1] = uint8_t(0x80 | (c >> 6 & 0x3F));
        out[2] = uint8_t(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = uint8_t(0xF0 | c >> 18);
    out[1] = uint8_t(0x80 | (c >> 12 & 0x3F));
    out[2] = uint8_t(0x80 | (c >> 6 & 0x3F));
    out[3] = uint8_t(0x80 | (c & 0x3F));
    return 4;
}

// Decodes the code point at unit *i of the `units` UTF-16 units at `source` and moves *i past it;
// a lone surrogate becomes U+FFFD. Returns 0 at a NUL or at the end.
uint32_t DecodeUtf16(const uint8_t* source, uint32_t units, uint32_t* i)
{
    if (*i >= units) return 0;
    uint32_t c = PlatformReadLE16(source + 2 * *i);
    ++*i;
    if (c >= 0xD800 && c <= 0xDBFF && *i < units) {
        uint32_t low = PlatformReadLE16(source + 2 * *i);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++*i;
            return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c;
}

// Converts up to `units` UTF-16 units at `source`, stopping at a NUL, to UTF-8, writing at most
// `capacity` bytes to `out` when it is not null. Returns the full UTF-8 length, without a NUL.
uint32_t ConvertUtf16ToUtf8(const uint8_t* source, uint32_t units, char* out, uint32_t capacity)
{
    uint32_t length = 0;
    uint32_t i = 0;
    for (uint32_t c; (c = DecodeUtf16(source, units, &i)) != 0;) {
        uint8_t encoded[4];
        uint32_t count = EncodeUtf8(c, encoded);
        for (uint32_t k = 0; k < count; ++k, ++length)
            if (out && length < capacity) out[length] = char(encoded[k]);
    }
    return length;
}

// Adds the record of one text node to the area (or only counts it). Return 0 on success, or 1 if
// the area's capacity is exceeded.
int AddTextRecord(const uint8_t* tree, const VersionNode& node, VersionTextArea* area)
{
    uint32_t textBytes = ConvertUtf16ToUtf8(tree + node.valueAt, node.valueBytes / 2, nullptr, 0);
    uint32_t recordBytes = AlignToDword(VERSION_TEXT_RECORD + textBytes + 1);
    if (area->bytes) {
        if (recordBytes > area->capacity - area->used) return 1;
        uint8_t* record = area->bytes + area->used;
        std::memset(record, 0, recordBytes);
        WriteLE32(record, node.start);
        WriteLE32(record + 4, textBytes);
        ConvertUtf16ToUtf8(tree + node.valueAt, node.valueBytes / 2, reinterpret_cast<char*>(record + 8), textBytes);
    }
    area->used += recordBytes;
    return 0;
}

// Visits `node` and its descendants, adding a record for every text node. Return 0 on success, or
// 1 if a node is malformed, the tree is too deep, or the area overflows.
int CollectTexts(const uint8_t* tree, const VersionNode& node, uint32_t depth, VersionTextArea* area)
{
    if (depth > VERSION_MAX_DEPTH) return 1;
    if (node.type == VERSION_TYPE_TEXT && AddTextRecord(tree, node, area)) return 1;
    uint32_t at = node.childrenAt;
    VersionNode child;
    for (int step; (step = NextChild(tree, node, &at, &child)) != 1;)
        if (step < 0 || CollectTexts(tree, child, depth + 1, area)) return 1;
    return 0;
}

// Loads and checks the version resource of the file at `path` and sizes its text area. Return 0
// on success (the caller frees resource->data), or 1 on any failure.
int LoadVersionResource(const char* path, VersionResource* resource)
{
    uint32_t size = 0;
    if (!path || PlatformLoadResource(path, nullptr, PLATFORM_RT_VERSION, PLATFORM_VERSION_RESOURCE_ID,
                                      PLATFORM_LANGUAGE_ANY, &resource->data, &size) != 0)
        return 1;
    VersionTextArea count = {nullptr, 0, VERSION_TEXT_HEADER};
    if (ParseVersionNode(resource->data, 0, size, &resource->root) ||
        CollectTexts(resource->data, resource->root, 0, &count)) {
        PlatformFreeResource(resource->data);
        return 1;
    }
    resource->textAreaSize = count.used;
    return 0;
}

// Returns the block size a version resource needs: the tree, padding, the text area.
uint32_t VersionBlockSize(const VersionResource& resource)
{
    return AlignToDword(resource.root.end) + resource.textAreaSize;
}

uint32_t FoldAscii(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? uint32_t(c) - 'a' + 'A' : c;
}

// Compares the key of `node`, as UTF-8, with the `length` bytes at `name`, ASCII letters without
// regard to case.
int KeyIs(const uint8_t* tree, const VersionNode& node, const char* name, size_t length)
{
    uint32_t units = (node.end - node.keyAt) / 2, i = 0;
    size_t matched = 0;
    for (uint32_t c; (c = DecodeUtf16(tree + node.keyAt, units, &i)) != 0;) {
        uint8_t encoded[4];
        uint32_t count = EncodeUtf8(c, encoded);
        for (uint32_t k = 0; k < count; ++k, ++matched)
            if (matched >= length || FoldAscii(encoded[k]) != FoldAscii(static_cast<unsigned char>(name[matched])))
                return 0;
    }
    return matched == length;
}

// Finds the converted text of the text node at `nodeStart` in the block's text area. Return 0
// with *text and *textBytes set, or 1 if the area holds no such record.
int FindTextRecord(const uint8_t* block, uint32_t treeEnd, uint32_t nodeStart, const char** text, uint32_t* textBytes)
{
    const uint8_t* area = block + AlignToDword(treeEnd);
    if (PlatformReadLE32(area) != VERSION_TEXT_MAGIC) return 1;
    uint32_t areaSize = PlatformReadLE32(area + 4);
    for (uint32_t at = VERSION_TEXT_HEADER; at < areaSize && areaSize - at >= VERSION_TEXT_RECORD;) {
        uint32_t bytes = PlatformReadLE32(area + at + 4);
        if (bytes >= areaSize - at - VERSION_TEXT_RECORD) return 1;
        if (PlatformReadLE32(area + at) == nodeStart) {
            *text = reinterpret_cast<const char*>(area + at + VERSION_TEXT_RECORD);
            *textBytes = bytes;
            return 0;
        }
        at = AlignToDword(at + VERSION_TEXT_RECORD + bytes + 1);
    }
    return 1;
}

// Walks from the root along the backslash-separated keys of `subBlock`. Return 0 with *node set,
// or 1 if a key is missing or a node is malformed.
int FindVersionNode(const uint8_t* tree, const char* subBlock, VersionNode* node)
{
    if (ParseVersionNode(tree, 0, PlatformReadLE16(tree), node)) return 1;
    for (const char* cursor = subBlock;;) {
        while (*cursor == '\\') ++cursor;
        if (*cursor == '\0') return 0;
        size_t length = std::strcspn(cursor, "\\");
        uint32_t at = node->childrenAt;
        VersionNode child;
        int step;
        while ((step = NextChild(tree, *node, &at, &child)) == 0 && !KeyIs(tree, child, cursor, length)) {}
        if (step != 0) return 1;
        *node = child;
        cursor += length;
    }
}

}  // namespace

uint32_t PlatformGetFileVersionInfoSize(const char* path) noexcept
{
    VersionResource resource;
    if (LoadVersionResource(path, &resource)) return 0;
    uint32_t size = VersionBlockSize(resource);
    PlatformFreeResource(resource.data);
    return size;
}

int32_t PlatformGetFileVersionInfo(const char* path, uint32_t size, void* block) noexcept
{
    VersionResource resource;
    if (!block || LoadVersionResource(path, &resource)) return 0;
    uint32_t needed = VersionBlockSize(resource);
    uint32_t treeEnd = resource.root.end, areaAt = AlignToDword(treeEnd);
    int ok = size >= needed;
    if (ok) {
        uint8_t* bytes = static_cast<uint8_t*>(block);
        std::memcpy(bytes, resource.data, treeEnd);
        std::memset(bytes + treeEnd, 0, areaAt - treeEnd);
        WriteLE32(bytes + areaAt, VERSION_TEXT_MAGIC);
        WriteLE32(bytes + areaAt + 4, resource.textAreaSize);
        VersionTextArea area = {bytes + areaAt, resource.textAreaSize, VERSION_TEXT_HEADER};
        ok = CollectTexts(bytes, resource.root, 0, &area) == 0;
    }
    PlatformFreeResource(resource.data);
    return ok;
}

int32_t PlatformVerQueryValue(const void* block, const char* subBlock, const void** value, uint32_t* length) noexcept
{
    if (!value || !length) return 0;
    *value = nullptr;
    *length = 0;
    if (!block || !subBlock) return 0;
    const uint8_t* tree = static_cast<const uint8_t*>(block);
    VersionNode node;
    if (FindVersionNode(tree, subBlock, &node)) return 0;
    if (node.start == 0) {
        // The root's value is the fixed file information.
        if (node.valueBytes < sizeof(PlatformFixedFileInfo) ||
            PlatformReadLE32(tree + node.valueAt) != PLATFORM_FIXED_FILE_INFO_SIGNATURE)
            return 0;
        *value = tree + node.valueAt;
        *length = sizeof(PlatformFixedFileInfo);
        return 1;
    }
    if (node.type == VERSION_TYPE_TEXT) {
        const char* text = nullptr;
        uint32_t textBytes = 0;
        if (FindTextRecord(tree, PlatformReadLE16(tree), node.start, &text, &textBytes)) return 0;
        *value = text;
        // A node without a value (a block of strings) reports length 0, as the system does.
        *length = node.valueBytes ? textBytes + 1 : 0;
        return 1;
    }
    *value = tree + node.valueAt;
    *length = node.valueBytes;
    return 1;
}
