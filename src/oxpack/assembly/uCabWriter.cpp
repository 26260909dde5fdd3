// uCabWriter: the cabinet set, written in three stages that meet in one
// loop on the calling thread:
//   cutting   the files, in order, into folders and each folder into data
//             blocks of 32,768 input bytes (the last one of a folder shorter);
//   deflating every block on its own, on a pool of threads: a block's
//             window is the previous block's input, known before anything
//             is compressed, so the bytes do not depend on the thread count;
//   placing   the blocks in order into cabinets of at most the maximum size.
// Placing decides everything the bytes depend on, in order, so the set is
// the same whatever the number of threads.
//
// Where a cabinet fills inside a folder, the block that does not fit is
// split: its first part ends the cabinet with an uncompressed size of 0,
// the rest starts the next one, whose first folder continues the folder.
// The cabinet library goes on to the next cabinet only at such a split
// block, and it starts every file listed in a cabinet from that cabinet's
// part of the folder; so the continued folder takes no new files: it ends
// with the last file that started before the split, and the files after it
// start a new folder. Files that reach over the split are listed in both
// cabinets (continued to the next, continued from the previous).
#include "uCabWriter.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "cabinet/uCabCheck.h"
#include "mPackText.h"
#include "uLittleEndian.h"

namespace {

constexpr uint32_t BlockBytes = 32768;
constexpr uint32_t HeaderBytes = 36, FolderEntryBytes = 8, FileEntryBytes = 16, DataHeaderBytes = 8;
constexpr uint16_t ContinuedFromPrevious = 0xFFFD, ContinuedToNext = 0xFFFE, ContinuedBoth = 0xFFFF;
constexpr uint16_t TypeNone = 0, TypeMsZip = 1;
constexpr size_t NoFile = static_cast<size_t>(-1);

// Set from a console control handler's thread.
std::atomic<bool> AbortRequested{false};

// Where the cutter stands; a block keeps the place it started from, so
// that the cutter can be put back there and cut again.
struct TCutPlace {
    size_t File = 0;
    int64_t FileOffset = 0;
    bool InFolder = false;
    uint32_t Folder = 0;          // folders cut so far; the current one's number
    uint32_t FolderOffset = 0;
    uint64_t FolderPlanned = 0;   // bytes of the files the folder holds so far
    uint32_t FilesInFolder = 0;
    std::shared_ptr<const std::string> Window;  // previous block's input in the folder
};

struct TFileStart {
    size_t File;
    uint32_t FolderOffset;
};

struct TBlock {
    TCutPlace Start;
    uint32_t Folder = 0;
    uint32_t FolderOffset = 0;
    bool FolderStart = false, FolderEnd = false;
    bool CabinetEnd = false;  // a new cabinet follows this block's folder
    size_t FilesDone = 0;     // files read to their end with this block
    std::vector<TFileStart> Starts;
    std::shared_ptr<const std::string> Input;
    std::shared_ptr<const std::string> Window;
    std::string Output;
    bool Done = false, Failed = false;
    std::atomic<bool> Dropped{false};
};
typedef std::shared_ptr<TBlock> TBlockRef;

// ---- Deflating --------------------------------------------------------

// One MSZIP block: "CK" and a raw deflate stream of the input that ends
// with a final block, so that the block decodes on its own given the
// window; zlib falls back to stored blocks for input it cannot shrink.
bool DeflateBlock(const std::string &input, const std::string *window, std::string &output)
{
    z_stream z = {};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    bool ok = !window
              || deflateSetDictionary(&z, reinterpret_cast<const Bytef *>(window->data()),
                                      static_cast<uInt>(window->size())) == Z_OK;
    output.assign(2 + deflateBound(&z, static_cast<uLong>(input.size())) + 16, '\0');
    output[0] = 'C';
    output[1] = 'K';
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = reinterpret_cast<Bytef *>(&output[2]);
    z.avail_out = static_cast<uInt>(output.size() - 2);
    ok = ok && deflate(&z, Z_FINISH) == Z_STREAM_END;
    output.resize(2 + z.total_out);
    deflateEnd(&z);
    return ok;
}

struct TPool {
    std::mutex Lock;
    std::condition_variable Wake, Finished;
    std::deque<TBlockRef> Waiting;
    bool Stop = false;
    std::vector<std::thread> Threads;
};

void PoolWorker(TPool &pool)
{
    std::unique_lock<std::mutex> lock(pool.Lock);
    for (;;) {
        pool.Wake.wait(lock, [&] { return pool.Stop || !pool.Waiting.empty(); });
        if (pool.Stop)
            return;
        TBlockRef block = pool.Waiting.front();
        pool.Waiting.pop_front();
        lock.unlock();
        bool ok = true;
        std::string output;
        if (!block->Dropped)
            ok = DeflateBlock(*block->Input, block->Window.get(), output);
        lock.lock();
        block->Output.swap(output);
        block->Failed = !ok;
        block->Done = true;
        pool.Finished.notify_all();
    }
}

void StartPool(TPool &pool, unsigned threads)
{
    for (unsigned i = 0; i < threads; ++i)
        pool.Threads.emplace_back(PoolWorker, std::ref(pool));
}

void StopPool(TPool &pool)
{
    {
        std::lock_guard<std::mutex> lock(pool.Lock);
        pool.Stop = true;
    }
    pool.Wake.notify_all();
    for (std::thread &thread : pool.Threads)
        thread.join();
}

void Submit(TPool &pool, const TBlockRef &block, TCompression compression)
{
    if (compression == TCompression::None || block->Input->empty()) {
        block->Output = *block->Input;
        block->Done = true;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(pool.Lock);
        pool.Waiting.push_back(block);
    }
    pool.Wake.notify_one();
}

void AwaitBlock(TPool &pool, const TBlockRef &block)
{
    std::unique_lock<std::mutex> lock(pool.Lock);
    pool.Finished.wait(lock, [&] { return block->Done; });
}

void DropBlock(TPool &pool, const TBlockRef &block)
{
    std::lock_guard<std::mutex> lock(pool.Lock);
    block->Dropped = true;
    pool.Waiting.erase(std::remove(pool.Waiting.begin(), pool.Waiting.end(), block), pool.Waiting.end());
}

// ---- Cutting ----------------------------------------------------------

struct TCutter {
    const TCabinetRequest *Request;
    const TCabFiles *Calls;
    std::vector<TCabSourceInfo> Infos;
    TCutPlace Place;
    size_t ForcedEndAfter = NoFile;  // the current folder ends after this file
    void *Source = nullptr;
    size_t SourceFile = NoFile;
};

// Whether file i (not the first of the current folder) starts a new folder.
bool StartsFolder(const TCutter &cutter, size_t i, bool &newCabinet)
{
    const TCabinetRequest &r = *cutter.Request;
    newCabinet = i < r.Files.size() && r.BreakAfterFiles != 0 && i % r.BreakAfterFiles == 0;
    return i == r.Files.size() || newCabinet || (cutter.ForcedEndAfter != NoFile && i > cutter.ForcedEndAfter)
           || cutter.Place.FolderPlanned + static_cast<uint64_t>(cutter.Infos[i].Size) > r.FolderBytes;
}

bool ReadInto(TCutter &cutter, std::string &input, size_t count, std::string &error)
{
    const TCutPlace &p = cutter.Place;
    const std::string &path = cutter.Request->Files[p.File].SourcePath;
    if (cutter.SourceFile != p.File) {
        if (cutter.Source)
            cutter.Calls->CloseSource(cutter.Source);
        TCabSourceInfo info;
        cutter.Source = cutter.Calls->OpenSource(path, cutter.Request->LatestFileTime, info);
        cutter.SourceFile = cutter.Source ? p.File : NoFile;
        if (!cutter.Source) {
            error = "The file cannot be opened: " + path;
            return false;
        }
        if (info.Size < cutter.Infos[p.File].Size) {
            error = "The file became shorter while it was packed: " + path;
            return false;
        }
    }
    const size_t at = input.size();
    input.resize(at + count);
    if (!cutter.Calls->ReadSource(cutter.Source, p.FileOffset, &input[at], count)) {
        error = "The file cannot be read: " + path;
        return false;
    }
    return true;
}

// The next block, or null when every file is cut.
TBlockRef CutBlock(TCutter &cutter, std::string &error)
{
    TCutPlace &p = cutter.Place;
    const size_t count = cutter.Request->Files.size();
    if (!p.InFolder && p.File == count && p.Folder > 0)
        return nullptr;
    TBlockRef block = std::make_shared<TBlock>();
    block->Start = p;
    if (!p.InFolder) {
        p.InFolder = true;
        ++p.Folder;
        p.FolderOffset = 0;
        p.FolderPlanned = 0;
        p.FilesInFolder = 0;
        p.Window.reset();
        block->FolderStart = true;
    }
    block->Folder = p.Folder;
    block->FolderOffset = p.FolderOffset;
    block->Window = p.Window;
    std::string input;
    for (;;) {
        if (p.FileOffset == 0) {
            bool newCabinet = false;
            if ((p.FilesInFolder > 0 || p.File == count) && StartsFolder(cutter, p.File, newCabinet)) {
                block->FolderEnd = true;
                block->CabinetEnd = newCabinet;
                p.InFolder = false;
                cutter.ForcedEndAfter = NoFile;
                break;
            }
            if (cutter.Infos[p.File].Size > 0 && input.size() == BlockBytes)
                break;
            block->Starts.push_back({p.File, p.FolderOffset + static_cast<uint32_t>(input.size())});
            p.FolderPlanned += static_cast<uint64_t>(cutter.Infos[p.File].Size);
            ++p.FilesInFolder;
        }
        const int64_t left = cutter.Infos[p.File].Size - p.FileOffset;
        const size_t take = static_cast<size_t>(std::min<int64_t>(left, BlockBytes - input.size()));
        if (take > 0 && !ReadInto(cutter, input, take, error))
            return nullptr;
        p.FileOffset += static_cast<int64_t>(take);
        if (p.FileOffset == cutter.Infos[p.File].Size) {
            ++p.File;
            p.FileOffset = 0;
            continue;
        }
        if (input.size() == BlockBytes)
            break;
    }
    block->FilesDone = p.File;
    p.FolderOffset += static_cast<uint32_t>(input.size());
    block->Input = std::make_shared<const std::string>(std::move(input));
    p.Window = block->Input;
    return block;
}

// ---- Placing ----------------------------------------------------------

struct TEntry {
    uint32_t Size, Offset;
    uint16_t Folder;
    size_t File;
};

struct TFolderEntry {
    uint32_t DataStart;
    uint32_t Blocks;
};

struct TCabinet {
    int Index = 1;
    std::string Name, Path, DataPath;
    void *Data = nullptr;
    uint32_t DataBytes = 0;
    std::vector<TFolderEntry> Folders;
    std::vector<TEntry> Entries;
    uint32_t EntryBytes = 0;
    size_t FolderEntriesStart = 0;  // the open folder's first entry
};

struct TWriter {
    const TCabinetRequest *Request;
    const TCabFiles *Calls;
    std::vector<TCabSourceInfo> *Infos;
    TCabinetSet *Set;
    uint16_t Type = TypeMsZip;
    uint64_t Maximum = 0;
    TCabinet Cabinet;
    bool FolderOpen = false;   // the block's folder has an entry in this cabinet
    bool FolderSplit = false;  // it reaches into a later cabinet: it takes no new files
    size_t LastStarted = NoFile;
    TPackProgress Progress;
};

std::string CabinetName(const TWriter &w, int index)
{
    return index == 1 ? w.Request->FirstName : ContinuationName(w.Request->ContinuationStem, index);
}

std::string NameInCabinet(const TWriter &w, size_t file)
{
    return w.Request->Files[file].CabinetName;
}

uint32_t EntryBytes(const TWriter &w, size_t file)
{
    return FileEntryBytes + static_cast<uint32_t>(NameInCabinet(w, file).size()) + 1;
}

// Header bytes, counting the next cabinet's name whether or not one
// follows: a cabinet that turns out to be the last is only smaller.
uint32_t FixedBytes(const TWriter &w)
{
    uint32_t bytes = HeaderBytes + static_cast<uint32_t>(CabinetName(w, w.Cabinet.Index + 1).size()) + 2;
    if (w.Cabinet.Index > 1)
        bytes += static_cast<uint32_t>(CabinetName(w, w.Cabinet.Index - 1).size()) + 2;
    return bytes;
}

uint64_t Room(const TWriter &w)
{
    const uint64_t used = FixedBytes(w) + w.Cabinet.Folders.size() * FolderEntryBytes + w.Cabinet.EntryBytes
                          + w.Cabinet.DataBytes;
    return used >= w.Maximum ? 0 : w.Maximum - used;
}

bool OpenCabinet(TWriter &w, int index, std::string &error)
{
    w.Cabinet = TCabinet();
    w.Cabinet.Index = index;
    w.Cabinet.Name = CabinetName(w, index);
    w.Cabinet.Path = w.Request->Folder + w.Cabinet.Name;
    w.Cabinet.DataPath = w.Cabinet.Path + ".data";
    w.Cabinet.Data = w.Calls->CreateOutput(w.Cabinet.DataPath);
    if (!w.Cabinet.Data) {
        error = "A scratch file cannot be written: " + w.Cabinet.DataPath;
        return false;
    }
    return true;
}

bool PutData(TWriter &w, const char *data, uint32_t size, uint32_t uncompressed, std::string &error)
{
    std::string record;
    PutDword(record, 0);
    PutWord(record, size);
    PutWord(record, uncompressed);
    const uint32_t sum = CabChecksum(reinterpret_cast<const unsigned char *>(record.data()) + 4, 4,
                                     CabChecksum(reinterpret_cast<const unsigned char *>(data), size, 0));
    SetDword(record, 0, sum);
    record.append(data, size);
    if (!w.Calls->WriteOutput(w.Cabinet.Data, record.data(), record.size())) {
        error = "A scratch file cannot be written: " + w.Cabinet.DataPath;
        return false;
    }
    w.Cabinet.DataBytes += static_cast<uint32_t>(record.size());
    ++w.Cabinet.Folders.back().Blocks;
    return true;
}

// Writes the cabinet file: header, folders, files, then the data blocks
// from the scratch file.
bool CloseCabinet(TWriter &w, bool hasNext, std::string &error)
{
    TCabinet &c = w.Cabinet;
    const bool closed = w.Calls->CloseOutput(c.Data);
    c.Data = nullptr;
    if (!closed) {
        error = "A scratch file cannot be written: " + c.DataPath;
        return false;
    }
    if (c.Folders.size() > 0xFFFF || c.Entries.size() > 0xFFFF) {
        error = "A cabinet would list more than 65,535 files or folders; choose a smaller --max-cabinet-size.";
        return false;
    }
    if (c.Entries.size() > w.Request->MaxFilesPerCabinet) {
        error = "A cabinet of the set would hold more than the " + std::to_string(w.Request->MaxFilesPerCabinet)
                + " files a cabinet can list; choose a smaller --max-cabinet-size, or pack fewer files.";
        return false;
    }
    std::string names;
    uint16_t flags = 0;
    if (c.Index > 1) {
        flags |= CabFlagPrevious;
        names += CabinetName(w, c.Index - 1) + '\0' + '\0';
    }
    if (hasNext) {
        flags |= CabFlagNext;
        names += CabinetName(w, c.Index + 1) + '\0' + '\0';
    }
    const uint32_t headerBytes = HeaderBytes + static_cast<uint32_t>(names.size());
    const uint32_t dataStart = headerBytes + static_cast<uint32_t>(c.Folders.size()) * FolderEntryBytes + c.EntryBytes;
    std::string head = "MSCF";
    PutDword(head, 0);
    PutDword(head, dataStart + c.DataBytes);
    PutDword(head, 0);
    PutDword(head, headerBytes + static_cast<uint32_t>(c.Folders.size()) * FolderEntryBytes);
    PutDword(head, 0);
    PutWord(head, 0x0103);  // format version 1.3
    PutWord(head, static_cast<uint16_t>(c.Folders.size()));
    PutWord(head, static_cast<uint16_t>(c.Entries.size()));
    PutWord(head, flags);
    PutWord(head, w.Request->SetId);
    PutWord(head, static_cast<uint16_t>(c.Index));
    head += names;
    for (const TFolderEntry &folder : c.Folders) {
        PutDword(head, dataStart + folder.DataStart);
        PutWord(head, folder.Blocks);
        PutWord(head, w.Type);
    }
    for (const TEntry &entry : c.Entries) {
        const TCabSourceInfo &info = (*w.Infos)[entry.File];
        const std::string &name = NameInCabinet(w, entry.File);
        PutDword(head, entry.Size);
        PutDword(head, entry.Offset);
        PutWord(head, entry.Folder);
        PutWord(head, info.Date);
        PutWord(head, info.Time);
        // A name that is not pure ASCII is UTF-8 and says so, whatever the
        // code page of the machine that extracts it.
        PutWord(head, info.Attributes | (IsAsciiText(name) ? 0 : CabNameIsUtf8));
        head += name;
        head += '\0';
    }
    void *out = w.Calls->CreateOutput(c.Path);
    bool ok = out && w.Calls->WriteOutput(out, head.data(), head.size());
    TCabSourceInfo info;
    void *data = ok ? w.Calls->OpenSource(c.DataPath, 0, info) : nullptr;
    ok = ok && data;
    std::string chunk;
    for (uint32_t at = 0; ok && at < c.DataBytes;) {
        const uint32_t step = std::min<uint32_t>(c.DataBytes - at, 1 << 20);
        chunk.resize(step);
        ok = w.Calls->ReadSource(data, at, &chunk[0], step) && w.Calls->WriteOutput(out, chunk.data(), step);
        at += step;
    }
    if (data)
        w.Calls->CloseSource(data);
    if (out)
        ok = w.Calls->CloseOutput(out) && ok;
    w.Calls->RemoveFile(c.DataPath);
    if (!ok) {
        error = "The cabinet cannot be written: " + c.Path;
        return false;
    }
    w.Set->Names.push_back(c.Name);
    w.Set->Paths.push_back(c.Path);
    return true;
}

// Ends the cabinet inside the open folder, whose data up to folderOffset
// lies in finished blocks: files reaching past it are continued in the
// next cabinet, which starts with the rest of the folder.
bool SplitCabinet(TWriter &w, uint32_t folderOffset, std::string &error)
{
    std::vector<TEntry> carried;
    for (size_t i = w.Cabinet.FolderEntriesStart; i < w.Cabinet.Entries.size(); ++i) {
        TEntry &entry = w.Cabinet.Entries[i];
        if (static_cast<uint64_t>(entry.Offset) + entry.Size <= folderOffset)
            continue;
        entry.Folder = entry.Folder == ContinuedFromPrevious ? ContinuedBoth : ContinuedToNext;
        carried.push_back(entry);
        carried.back().Folder = ContinuedFromPrevious;
    }
    const int next = w.Cabinet.Index + 1;
    if (!CloseCabinet(w, true, error) || !OpenCabinet(w, next, error))
        return false;
    w.Cabinet.Folders.push_back({0, 0});
    for (const TEntry &entry : carried) {
        w.Cabinet.Entries.push_back(entry);
        w.Cabinet.EntryBytes += EntryBytes(w, entry.File);
    }
    w.FolderSplit = true;
    if (Room(w) <= DataHeaderBytes) {
        error = "The maximum cabinet size leaves no room for data after the names of the files continued into "
                "cabinet " + std::to_string(next) + "; choose a larger --max-cabinet-size.";
        return false;
    }
    return true;
}

// After the open folder was split: the folder takes no file after the
// last one that started; blocks cut ahead with later files are dropped,
// and the cutter goes back to cut the folder's end and the next folder.
void EndSplitFolder(TWriter &w, TCutter &cutter, TPool &pool, std::deque<TBlockRef> &queue, uint32_t folder)
{
    size_t drop = 0;
    while (drop < queue.size() && queue[drop]->Folder == folder && queue[drop]->Starts.empty())
        ++drop;
    if (drop == queue.size()) {
        if (cutter.Place.InFolder && cutter.Place.Folder == folder)
            cutter.ForcedEndAfter = w.LastStarted;
        return;
    }
    if (queue[drop]->Folder != folder)
        return;  // the folder ended there anyway
    cutter.Place = queue[drop]->Start;
    cutter.ForcedEndAfter = w.LastStarted;
    for (size_t i = drop; i < queue.size(); ++i)
        DropBlock(pool, queue[i]);
    queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(drop), queue.end());
}

bool PlaceBlock(TWriter &w, TCutter &cutter, TPool &pool, std::deque<TBlockRef> &queue, const TBlock &block,
                std::string &error)
{
    if (block.FolderStart) {
        w.FolderOpen = false;
        w.FolderSplit = false;
    }
    uint32_t entries = 0;
    for (const TFileStart &start : block.Starts)
        entries += EntryBytes(w, start.File);
    // A whole block that the folder follows must leave room to start the
    // next one here, split, so that the cabinet never ends between two
    // blocks of a folder.
    uint64_t reserve = 0;
    if (!block.FolderEnd && !queue.empty() && queue.front()->Folder == block.Folder) {
        reserve = DataHeaderBytes + 1;
        for (const TFileStart &start : queue.front()->Starts)
            reserve += EntryBytes(w, start.File);
    }
    const std::string &output = block.Output;
    const uint32_t size = static_cast<uint32_t>(output.size());
    uint32_t at = 0;
    bool listed = false;
    bool freshTried = false;
    for (;;) {
        const uint64_t room = Room(w);
        const uint64_t need = (w.FolderOpen ? 0 : FolderEntryBytes) + (listed ? 0 : entries)
                              + (size > 0 ? DataHeaderBytes : 0);
        const uint32_t rest = size - at;
        const bool fits = need + rest + reserve <= room || (rest == 1 && need + rest <= room);
        if (fits || (need + 1 <= room && rest > 1)) {
            if (!w.FolderOpen) {
                w.Cabinet.Folders.push_back({w.Cabinet.DataBytes, 0});
                w.Cabinet.FolderEntriesStart = w.Cabinet.Entries.size();
                w.FolderOpen = true;
            }
            if (!listed) {
                const uint16_t index = static_cast<uint16_t>(w.Cabinet.Folders.size() - 1);
                for (const TFileStart &start : block.Starts) {
                    w.Cabinet.Entries.push_back({static_cast<uint32_t>((*w.Infos)[start.File].Size),
                                                 start.FolderOffset, index, start.File});
                    w.Cabinet.EntryBytes += EntryBytes(w, start.File);
                    w.LastStarted = start.File;
                }
                listed = true;
            }
            if (size == 0)
                break;
            if (fits) {
                if (!PutData(w, output.data() + at, rest, static_cast<uint32_t>(block.Input->size()), error))
                    return false;
                break;
            }
            const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(room - need, rest - 1));
            if (!PutData(w, output.data() + at, piece, 0, error))
                return false;
            at += piece;
            const bool first = !w.FolderSplit;
            if (!SplitCabinet(w, block.FolderOffset, error))
                return false;
            if (first)
                EndSplitFolder(w, cutter, pool, queue, block.Folder);
            continue;
        }
        // Nothing of the block fits: only a folder that has not begun here
        // may begin in a fresh cabinet.
        if (w.FolderOpen || listed || freshTried) {
            error = "The maximum cabinet size leaves no room for the names of the files that start in one data "
                    "block (cabinet " + std::to_string(w.Cabinet.Index) + "); choose a larger --max-cabinet-size.";
            return false;
        }
        const int next = w.Cabinet.Index + 1;
        if (!CloseCabinet(w, true, error) || !OpenCabinet(w, next, error))
            return false;
        freshTried = true;
    }
    w.Progress.BytesDone += static_cast<int64_t>(block.Input->size());
    w.Progress.FilesDone = static_cast<int64_t>(block.FilesDone);
    if (w.Request->Progress)
        w.Request->Progress(w.Progress, w.Request->ProgressContext);
    if (block.FolderEnd)
        w.FolderOpen = false;
    if (block.CabinetEnd) {
        const int next = w.Cabinet.Index + 1;
        if (!CloseCabinet(w, true, error) || !OpenCabinet(w, next, error))
            return false;
    }
    return true;
}

// Opens every source once first: sizes plan the folders, and a file that
// cannot be read is named before anything is written.
bool ScanSources(const TCabinetRequest &request, const TCabFiles &calls, std::vector<TCabSourceInfo> &infos,
                 std::string &error)
{
    for (const TPackFile &file : request.Files) {
        TCabSourceInfo info;
        void *source = calls.OpenSource(file.SourcePath, request.LatestFileTime, info);
        if (!source) {
            error = "The file cannot be added to the cabinet: " + file.SourcePath + " (it cannot be opened).";
            return false;
        }
        calls.CloseSource(source);
        if (info.Size > 0xFFFFFFFFLL || static_cast<uint64_t>(info.Size) > request.FolderBytes) {
            error = "The file is too large for a cabinet folder: " + file.SourcePath;
            return false;
        }
        infos.push_back(info);
    }
    return true;
}

bool WriteSet(TWriter &w, TCutter &cutter, TPool &pool, std::string &error)
{
    const size_t inFlight = 2 * pool.Threads.size() + 2;
    std::deque<TBlockRef> queue;
    // The cutter may be sent back (EndSplitFolder), so it is asked again
    // even after it once had nothing more to cut.
    auto fill = [&]() {
        while (queue.size() < inFlight) {
            TBlockRef block = CutBlock(cutter, error);
            if (!block)
                return error.empty();
            Submit(pool, block, w.Request->Compression);
            queue.push_back(block);
        }
        return true;
    };
    if (!OpenCabinet(w, 1, error))
        return false;
    for (;;) {
        if (AbortRequested) {
            error = "The cabinet was not finished (interrupted).";
            return false;
        }
        if (!fill())
            return false;
        if (queue.empty())
            break;
        TBlockRef block = queue.front();
        queue.pop_front();
        AwaitBlock(pool, block);
        if (block->Failed) {
            error = "The compressor failed (zlib).";
            return false;
        }
        if (!fill() || !PlaceBlock(w, cutter, pool, queue, *block, error))
            return false;
    }
    return CloseCabinet(w, false, error);
}

}  // namespace

void AbortCabinetSet(bool abort)
{
    AbortRequested = abort;
}

bool CabinetSetAborted()
{
    return AbortRequested;
}

std::string ContinuationName(const std::string &stem, int index)
{
    return stem + std::to_string(index) + ".cab";
}

unsigned DefaultCabJobs()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores;
}

bool WriteCabinetSet(const TCabinetRequest &request, TCabinetSet &set, std::string &error)
{
    set = TCabinetSet();
    error.clear();
    if (request.Compression == TCompression::Lzx) {
        error = "LZX compression is not offered; choose mszip or none.";
        return false;
    }
    const TCabFiles &calls = request.FileCalls ? *request.FileCalls : PlatformCabFiles();
    std::vector<TCabSourceInfo> infos;
    if (!ScanSources(request, calls, infos, error))
        return false;

    TWriter w;
    w.Request = &request;
    w.Calls = &calls;
    w.Infos = &infos;
    w.Set = &set;
    w.Type = request.Compression == TCompression::None ? TypeNone : TypeMsZip;
    w.Maximum = request.MaxCabinetSize ? request.MaxCabinetSize : 0xFFFFFFFFull;
    w.Progress.FilesTotal = static_cast<int64_t>(request.Files.size());
    for (const TCabSourceInfo &info : infos)
        w.Progress.BytesTotal += info.Size;
    TCutter cutter;
    cutter.Request = &request;
    cutter.Calls = &calls;
    cutter.Infos = infos;

    TPool pool;
    StartPool(pool, request.Compression == TCompression::None ? 0 : request.Jobs ? request.Jobs : DefaultCabJobs());
    const bool ok = WriteSet(w, cutter, pool, error);
    StopPool(pool);
    if (cutter.Source)
        calls.CloseSource(cutter.Source);
    if (w.Cabinet.Data) {
        calls.CloseOutput(w.Cabinet.Data);
        calls.RemoveFile(w.Cabinet.DataPath);
    }
    return ok;
}
