// uCabHeader: the documented cabinet header layout, read field by field
// with every offset checked against the bytes at hand.
#include "uCabHeader.h"

namespace {

struct TReader {
    const std::string &Bytes;
    size_t At;
    bool Ok = true;

    uint32_t Take(int width)
    {
        if (!Ok || At + width > Bytes.size()) {
            Ok = false;
            return 0;
        }
        uint32_t value = 0;
        for (int i = 0; i < width; ++i)
            value |= uint32_t(static_cast<unsigned char>(Bytes[At + i])) << (8 * i);
        At += width;
        return value;
    }
    std::string TakeText()
    {
        size_t end = Ok ? Bytes.find('\0', At) : std::string::npos;
        if (end == std::string::npos) {
            Ok = false;
            return std::string();
        }
        std::string text = Bytes.substr(At, end - At);
        At = end + 1;
        return text;
    }
    void Skip(size_t count)
    {
        if (!Ok || At + count > Bytes.size())
            Ok = false;
        else
            At += count;
    }
};

// The largest entry: 16 fixed bytes and a name of up to 256 bytes with NUL.
constexpr uint32_t MaxEntryLength = 16 + 257;

}  // namespace

uint32_t CabHeaderExtent(const std::string &start)
{
    TReader r{start, 16};
    uint32_t filesOffset = r.Take(4);
    r.Skip(6);
    r.Take(2);  // folders
    uint32_t files = r.Take(2);
    if (!r.Ok)
        return 36;
    return filesOffset + files * MaxEntryLength;
}

bool ReadCabHeader(const std::string &bytes, TCabHeader &header, std::string &error)
{
    header = TCabHeader();
    if (bytes.size() < 4 || bytes.compare(0, 4, "MSCF") != 0) {
        error = "no cabinet signature \"MSCF\"";
        return false;
    }
    TReader r{bytes, 8};
    header.CabinetSize = r.Take(4);
    r.Skip(4);
    header.FilesOffset = r.Take(4);
    r.Skip(4);  // reserved
    header.Version = static_cast<uint16_t>(r.Take(2));
    header.FolderCount = static_cast<uint16_t>(r.Take(2));
    header.FileCount = static_cast<uint16_t>(r.Take(2));
    header.Flags = static_cast<uint16_t>(r.Take(2));
    header.SetId = static_cast<uint16_t>(r.Take(2));
    header.Index = static_cast<uint16_t>(r.Take(2));
    uint32_t folderReserve = 0;
    if (header.Flags & CabFlagReserve) {
        uint32_t headerReserve = r.Take(2);
        folderReserve = r.Take(1);
        r.Take(1);
        r.Skip(headerReserve);
    }
    if (header.Flags & CabFlagPrevious) {
        header.PreviousCabinet = r.TakeText();
        header.PreviousDisk = r.TakeText();
    }
    if (header.Flags & CabFlagNext) {
        header.NextCabinet = r.TakeText();
        header.NextDisk = r.TakeText();
    }
    for (uint32_t i = 0; r.Ok && i < header.FolderCount; ++i) {
        r.Skip(4 + 2);
        header.FolderCompression.push_back(static_cast<uint16_t>(r.Take(2)));
        r.Skip(folderReserve);
    }
    if (!r.Ok) {
        error = "the cabinet header is cut short";
        return false;
    }
    r.At = header.FilesOffset;
    for (uint32_t i = 0; r.Ok && i < header.FileCount; ++i) {
        TCabEntry entry;
        entry.Size = r.Take(4);
        r.Skip(4);
        entry.Folder = static_cast<uint16_t>(r.Take(2));
        entry.Date = static_cast<uint16_t>(r.Take(2));
        entry.Time = static_cast<uint16_t>(r.Take(2));
        entry.Attributes = static_cast<uint16_t>(r.Take(2));
        entry.Name = r.TakeText();
        header.Files.push_back(entry);
    }
    if (!r.Ok) {
        error = "the cabinet's file entries are cut short";
        return false;
    }
    return true;
}

std::string CompressionName(uint16_t typeCompress)
{
    switch (typeCompress & 0x000F) {
    case 0: return "none";
    case 1: return "MSZIP";
    case 2: return "Quantum";
    case 3: return "LZX";
    default: return "unknown (" + std::to_string(typeCompress) + ")";
    }
}
