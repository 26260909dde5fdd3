// mSzdd: LZSS as the LZ expansion reads it. The decoder keeps a 4,096-byte
// ring buffer, prefilled with blanks, whose write position starts at 4,080.
// A match names an absolute ring position and a length of 3 to 18; the
// decoder copies byte by byte, so a match may overlap the bytes it writes.
// We work on the stream as a whole, prefixed by 4,096 blanks that stand for
// the prefilled ring: stream index j sits at ring position
// (4080 - 4096 + j) mod 4096, and any source at most 4,095 bytes back is
// still in the ring when the decoder reads it.
#include "mSzdd.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr int32_t RingSize = 4096;
constexpr int32_t RingStart = RingSize - 16;
constexpr int32_t Prefix = RingSize;
constexpr int32_t MaxDistance = RingSize - 1;
constexpr int32_t MinMatch = 3;
constexpr int32_t MaxMatch = 18;
constexpr int32_t HashBits = 15;
constexpr int32_t ChainLimit = 96;  // bounds the search on repetitive input

uint32_t Hash3(const unsigned char *p)
{
    return ((uint32_t(p[0]) << 10) ^ (uint32_t(p[1]) << 5) ^ p[2]) & ((1u << HashBits) - 1);
}

void PutLE32(std::string &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Hash chains over the prefixed stream: head[h] is the latest index with
// hash h, previous[j & mask] the one before index j.
struct TMatchFinder {
    const unsigned char *Bytes;
    int32_t Length;
    std::vector<int32_t> Head = std::vector<int32_t>(1u << HashBits, -1);
    std::vector<int32_t> Previous = std::vector<int32_t>(RingSize, -1);
    int32_t Inserted = 0;  // indices below this are in the chains

    void InsertUpTo(int32_t end)
    {
        for (; Inserted < end && Inserted + MinMatch <= Length; ++Inserted) {
            uint32_t h = Hash3(Bytes + Inserted);
            Previous[Inserted & (RingSize - 1)] = Head[h];
            Head[h] = Inserted;
        }
    }

    // Longest match for the bytes at index i; returns its length (0 when
    // shorter than MinMatch) and the source index in source.
    int32_t Find(int32_t i, int32_t &source)
    {
        const int32_t limit = std::min(MaxMatch, Length - i);
        if (limit < MinMatch)
            return 0;
        InsertUpTo(i);
        int32_t best = 0;
        int32_t candidate = Head[Hash3(Bytes + i)];
        for (int32_t tries = 0; candidate >= 0 && tries < ChainLimit; ++tries) {
            if (i - candidate > MaxDistance)
                break;
            int32_t n = 0;
            while (n < limit && Bytes[candidate + n] == Bytes[i + n])
                ++n;
            if (n > best) {
                best = n;
                source = candidate;
                if (n == limit)
                    break;
            }
            int32_t next = Previous[candidate & (RingSize - 1)];
            if (next >= candidate)
                break;  // the slot was reused by a newer index: chain ends
            candidate = next;
        }
        return best >= MinMatch ? best : 0;
    }
};

}  // namespace

std::string CompressSzdd(const std::string &data, char lastCharacter)
{
    // Indices into the prefixed stream are 32-bit signed.
    if (data.size() > static_cast<size_t>(INT32_MAX - Prefix))
        return std::string();
    std::string out("SZDD\x88\xF0\x27\x33" "A", 9);
    out.push_back(lastCharacter);
    PutLE32(out, static_cast<uint32_t>(data.size()));

    std::string stream(Prefix, ' ');
    stream += data;
    TMatchFinder finder;
    finder.Bytes = reinterpret_cast<const unsigned char *>(stream.data());
    finder.Length = static_cast<int32_t>(stream.size());

    size_t flagAt = 0;
    int items = 8;  // items in the current group; 8 forces a new group
    int32_t i = Prefix;
    int32_t pendingSource = 0;
    int32_t pending = i < finder.Length ? finder.Find(i, pendingSource) : 0;
    while (i < finder.Length) {
        if (items == 8) {
            flagAt = out.size();
            out.push_back('\0');
            items = 0;
        }
        int32_t length = pending;
        int32_t source = pendingSource;
        // One step of lazy matching: a longer match at the next byte wins
        // over the match here, which then goes out as a literal.
        if (length > 0 && length < MaxMatch && i + 1 < finder.Length) {
            int32_t nextSource = 0;
            int32_t next = finder.Find(i + 1, nextSource);
            if (next > length) {
                length = 0;
                pending = next;
                pendingSource = nextSource;
            } else {
                pending = -1;
            }
        } else {
            pending = -1;
        }
        if (length == 0) {
            out[flagAt] = static_cast<char>(static_cast<unsigned char>(out[flagAt]) | (1u << items));
            out.push_back(stream[i]);
            i += 1;
        } else {
            const uint32_t position = static_cast<uint32_t>(RingStart - Prefix + source) & (RingSize - 1);
            out.push_back(static_cast<char>(position & 0xFF));
            out.push_back(static_cast<char>(((position >> 4) & 0xF0) | static_cast<uint32_t>(length - MinMatch)));
            i += length;
        }
        ++items;
        if (pending < 0 && i < finder.Length)
            pending = finder.Find(i, pendingSource);
    }
    return out;
}
