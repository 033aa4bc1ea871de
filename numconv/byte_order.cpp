// Byte-order reversal: word swaps for 2-, 4- and 8-byte elements, a byte walk for other sizes.
#include "numconv/byte_order.h"

#include <cstddef>
#include <cstring>
#include <utility>

namespace {

template <typename Word, Word (*Swap)(Word)>
void ReverseWords(unsigned char* bytes, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        Word word;
        std::memcpy(&word, bytes + i * sizeof(Word), sizeof(Word));
        word = Swap(word);
        std::memcpy(bytes + i * sizeof(Word), &word, sizeof(Word));
    }
}

uint16_t Swap16(uint16_t word) { return __builtin_bswap16(word); }
uint32_t Swap32(uint32_t word) { return __builtin_bswap32(word); }
uint64_t Swap64(uint64_t word) { return __builtin_bswap64(word); }

// Exchanges the first byte of each element with its last, the second with the second-to-last, ...
void ReverseBytewise(unsigned char* bytes, size_t elementBytes, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        unsigned char* element = bytes + i * elementBytes;
        for (size_t front = 0, back = elementBytes - 1; front < back; ++front, --back) {
            std::swap(element[front], element[back]);
        }
    }
}

}  // namespace

void ReverseElementBytes(void* data, int32_t elementBytes, uint64_t count) {
    if (elementBytes <= 1 || count == 0) return;
    auto* bytes = static_cast<unsigned char*>(data);
    switch (elementBytes) {
        case 2: ReverseWords<uint16_t, Swap16>(bytes, count); break;
        case 4: ReverseWords<uint32_t, Swap32>(bytes, count); break;
        case 8: ReverseWords<uint64_t, Swap64>(bytes, count); break;
        default: ReverseBytewise(bytes, static_cast<size_t>(elementBytes), count); break;
    }
}
