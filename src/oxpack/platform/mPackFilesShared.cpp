// mPackFiles: the routines of the file interface that need no system
// call of their own, shared by the Windows and the POSIX build.
#include "mPackFiles.h"
#include "mPackText.h"
#include "format/uFileNameRule.h"

bool IsDeviceFileName(const std::string &name)
{
    return IsDeviceName(NameCheckForm(WideOf(name)));
}

// UTF-16 units: one per character below U+10000, two above (four bytes
// of UTF-8).
size_t PathLength(const std::string &path)
{
    size_t units = 0;
    for (unsigned char c : path)
        units += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
    return units;
}

bool IsReadableFile(const std::string &path)
{
    return PathLength(path) < PackMaxPath && !IsDeviceFileName(NameOf(path)) && FileSizeOf(path) >= 0;
}

std::string FolderOf(const std::string &path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string NameOf(const std::string &path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool CommitOutput(TOutputFile &file, std::string &error)
{
    if (!CloseOutput(file, error))
        return false;
    if (!MovePath(file.TempPath, file.FinalPath, true)) {
        error = "Cannot replace the output file (in use or read-only?): " + file.FinalPath;
        return false;
    }
    file.TempPath.clear();
    return true;
}

bool CommitOutputs(std::vector<TOutputFile> &files, std::vector<std::string> &leftovers, std::string &error)
{
    for (TOutputFile &file : files)
        if (!CloseOutput(file, error))
            return false;
    std::vector<std::string> aside(files.size());
    size_t placed = 0;
    bool ok = true;
    for (size_t i = 0; ok && i < files.size(); ++i) {
        if (!PathExists(files[i].FinalPath))
            continue;
        aside[i] = AsideNameOf(files[i].FinalPath);
        ok = !aside[i].empty()
             && MovePath(files[i].FinalPath, aside[i], true);
        if (!ok) {
            if (!aside[i].empty())
                DeletePath(aside[i]);
            aside[i].clear();
            error = "Cannot replace the output file (in use or read-only?): " + files[i].FinalPath;
        }
    }
    for (; ok && placed < files.size(); ++placed) {
        if (!MovePath(files[placed].TempPath, files[placed].FinalPath, false)) {
            error = "Cannot put the output file in place: " + files[placed].FinalPath;
            ok = false;
            break;
        }
    }
    if (!ok) {
        // Undo in reverse: the new files go, the old ones come back.
        while (placed > 0) {
            --placed;
            MovePath(files[placed].FinalPath, files[placed].TempPath, true);
        }
        for (size_t i = 0; i < files.size(); ++i)
            if (!aside[i].empty())
                MovePath(aside[i], files[i].FinalPath, true);
        return false;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        files[i].TempPath.clear();
        if (!aside[i].empty() && !DeletePath(aside[i]))
            leftovers.push_back(aside[i]);
    }
    return true;
}


std::string WhyUnreadable(const std::string &path)
{
    if (PathLength(path) >= PackMaxPath)
        return "is " + std::to_string(PathLength(path)) + " characters long; the file calls used here take at most "
               + std::to_string(PackMaxPath - 1);
    if (IsDeviceFileName(NameOf(path)))
        return "is the device " + NameOf(path) + ", not a file";
    return WhyFileIsUnreadable(path);
}

void RemoveScratchFolder(const std::string &folder)
{
    std::vector<TFolderEntry> entries;
    ListFolder(folder, "*", entries);
    for (const TFolderEntry &entry : entries)
        if (!entry.IsFolder)
            DeletePath(folder + entry.Name);
    RemoveEmptyFolder(folder);
}
