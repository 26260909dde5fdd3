// uCabCheck: the documented cabinet layout, checked field by field with
// every offset held against the cabinet's size. Pure: no system calls.
#include "cabinet/uCabCheck.h"
#include <cstring>
#include <memory>

namespace {

// The fixed header, then what its flags add.
const uint32_t FixedHeader = 36;
const uint16_t FlagPrevious = 1, FlagNext = 2, FlagReserve = 4;
// Continued-file markers in place of a folder index.
const uint16_t FromPrevious = 0xFFFD;
// A block holds at most 32 KiB of data, compressed into at most 6 KiB more.
const uint32_t MaxUncompressed = 32768, MaxCompressed = 32768 + 6144;
const uint32_t MaxHeaderReserve = 60000;
// Room for the largest block with its header, and the folders' sizes.
const uint32_t BlockRoom = (8 + 255 + MaxCompressed + 3) & ~3u;

uint32_t Word(const unsigned char *at) { return at[0] | at[1] << 8; }
uint32_t Dword(const unsigned char *at) { return Word(at) | Word(at + 2) << 16; }

// The bytes of a cabinet of Size bytes, read as they are asked for: in
// order, each block once. Offsets stay 32-bit: each is held against Size
// before it grows. What At gives holds until its next call.
struct TCursor {
    TCabRead Read;
    void *Source;
    uint32_t Size;
    unsigned char *Buffer;

    // count bytes at offset, or null when they are not all in the cabinet.
    const unsigned char *At(uint32_t offset, uint32_t count)
    {
        return offset <= Size && count <= Size - offset && Read(Source, offset, Buffer, count) == count ? Buffer
                                                                                                         : nullptr;
    }

    // A NUL-ended name of at most 255 bytes at offset into name (256
    // bytes); the offset after it, or 0.
    uint32_t Name(uint32_t offset, char *name)
    {
        const uint32_t room = offset < Size && Size - offset < 256 ? Size - offset : 256;
        const unsigned char *at = At(offset, room);
        const unsigned char *end = at ? static_cast<const unsigned char *>(memchr(at, 0, room)) : nullptr;
        if (!end)
            return 0;
        memcpy(name, at, end - at + 1);
        return offset + (end - at) + 1;
    }
};

const char SoundText[] = "sound";

// What is wrong, SoundText, or null for no cabinet at all.
const char *Check(TCursor &cursor, TCabFacts &facts)
{
    const unsigned char *header = cursor.At(0, FixedHeader);
    if (!header || memcmp(header, "MSCF", 4) != 0 || header[25] != 1)
        return nullptr;
    const uint32_t size = Dword(header + 8), filesAt = Dword(header + 16);
    const uint32_t folders = Word(header + 26), files = Word(header + 28), flags = Word(header + 30);
    facts.SetId = static_cast<uint16_t>(Word(header + 32));
    facts.Index = static_cast<uint16_t>(Word(header + 34));
    facts.HasNext = (flags & FlagNext) != 0;
    if (size > cursor.Size)
        return "cut off";
    if (size < FixedHeader || filesAt >= size)
        return "tables";
    cursor.Size = size;

    uint32_t at = FixedHeader, folderReserve = 0, blockReserve = 0;
    if (flags & FlagReserve) {
        const unsigned char *reserve = cursor.At(at, 4);
        if (!reserve || Word(reserve) > MaxHeaderReserve)
            return "tables";
        folderReserve = reserve[2];
        blockReserve = reserve[3];
        at += 4 + Word(reserve);
    }
    char skipped[256];
    if (flags & FlagPrevious)
        at = (at = cursor.Name(at, skipped)) ? cursor.Name(at, skipped) : 0;
    if (at && (flags & FlagNext))
        at = (at = cursor.Name(at, facts.NextName)) ? cursor.Name(at, facts.NextDisk) : 0;
    if (!at)
        return "tables";

    // Folders: each one's blocks whole, in their sizes and checksums.
    uint32_t *const folderBytes = reinterpret_cast<uint32_t *>(cursor.Buffer + BlockRoom);
    const uint32_t folderEntry = 8 + folderReserve, tableEnd = at + folders * folderEntry;
    for (uint32_t folder = 0; folder < folders; ++folder) {
        const unsigned char *entry = cursor.At(at + folder * folderEntry, 8);
        if (!entry || (Word(entry + 6) & 0x000F) > 3 || Dword(entry) < tableEnd)
            return "tables";
        uint32_t block = Dword(entry), bytes = 0;
        for (uint32_t n = Word(entry + 4); n > 0; --n) {
            const unsigned char *head = cursor.At(block, 8 + blockReserve);
            const uint32_t stored = head ? Word(head + 4) : 0, plain = head ? Word(head + 6) : 0;
            const unsigned char *data = stored && stored <= MaxCompressed && plain <= MaxUncompressed
                                            ? cursor.At(block, 8 + blockReserve + stored)
                                            : nullptr;
            if (!data)
                return "data block";
            const uint32_t sum = Dword(data);
            if (sum && CabChecksum(data + 4, 4 + blockReserve, CabChecksum(data + 8 + blockReserve, stored, 0)) != sum)
                return "checksum";
            bytes += plain;
            block += 8 + blockReserve + stored;
        }
        folderBytes[folder] = bytes;
    }

    // Files: each one inside its folder's data. A folder carried on from
    // the previous cabinet or into the next one holds only part of its
    // data here, so its files (and those marked as continued) are held
    // only to the folder being there.
    at = filesAt;
    for (uint32_t file = 0; file < files; ++file) {
        const unsigned char *entry = cursor.At(at, 16);
        const uint32_t length = entry ? Dword(entry) : 0, start = entry ? Dword(entry + 4) : 0;
        const uint32_t folder = entry ? Word(entry + 8) : 0;
        char name[256];
        if (!entry || !(at = cursor.Name(at + 16, name)) || (folder >= folders && folder < FromPrevious) ||
            (folder < folders && !(folder == 0 && (flags & FlagPrevious)) &&
             !(folder + 1 == folders && (flags & FlagNext)) &&
             (start > folderBytes[folder] || length > folderBytes[folder] - start)))
            return "tables";
    }
    return SoundText;
}

} // namespace

uint32_t CabChecksum(const unsigned char *bytes, uint32_t count, uint32_t seed)
{
    uint32_t i = 0;
    for (; i + 4 <= count; i += 4)
        seed ^= Dword(bytes + i);
    uint32_t tail = 0;
    for (; i < count; ++i)
        tail = tail << 8 | bytes[i];
    return seed ^ tail;
}

TCabVerdict CheckCabinetBytes(TCabRead read, void *source, uint64_t available, TCabFacts &facts,
                              const char *&reason)
{
    facts = TCabFacts();
    const std::unique_ptr<unsigned char[]> buffer(new unsigned char[BlockRoom + 65536 * 4]);
    TCursor cursor{read, source, available < 0xFFFFFFFF ? static_cast<uint32_t>(available) : 0xFFFFFFFF,
                   buffer.get()};
    reason = Check(cursor, facts);
    if (!reason)
        return reason = "not a cabinet", CabNotACabinet;
    return reason == SoundText ? CabSound : CabDamaged;
}
