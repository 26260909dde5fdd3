// uCleanUp: removes what a temporary-install run extracted. Nothing here
// reports to the user; whatever cannot be removed stays behind, named in
// the log.
#pragma once
#include <string>

// Called with one path per entry (valid during the call); false stops the
// walk. Files, and folders of a walk without recursion, come as folder
// form plus the entry's name; a walked folder itself comes in folder form
// (trailing backslash). context is the walk's, passed on unchanged.
using EntryCallback = bool (*)(const wchar_t *path, void *context);

// Walks folder, handing every entry that matches mask to callback, each
// subfolder's entries before the subfolder, every walked folder after its
// entries. A folder that is a link (junction or symbolic link) is never
// entered: it is handed over like a file, so a walk stays inside the tree
// it was given. A subfolder that cannot be searched is passed over (and
// logged): the walk goes on with the rest. False when the callback asked
// to stop, or when folder itself cannot be searched (then without any
// callback).
bool WalkFolder(const wchar_t *folder, const wchar_t *mask, bool recurse, EntryCallback callback, void *context);

// Room, in characters, of the folder the clean-up keeps pending: the most a
// wide path can be.
const size_t PendingFolderRoom = 32768;

// The walk's callback for the clean-up: deletes a file (or a link, never
// what it points to; a read-only file too) at once and removes a folder at
// its next call, after the walk has closed its search on it; until then
// the folder waits in pendingFolder (PendingFolderRoom characters, empty at
// the start of a walk). What stays (held open, a folder not empty) is
// named in the log. Always true, so the walk goes on past it.
bool RemoveFoundEntry(const wchar_t *path, void *pendingFolder);

// The whole clean-up of a work folder (folder form): walks it with
// RemoveFoundEntry, then removes the work folder itself, which the walk
// leaves pending. The narrow path is made wide once, here.
void RemoveWorkFolder(const std::string &folder);

// Pure: whether a search entry with these attributes is a folder the walk
// enters.
bool IsEnteredFolder(unsigned long attributes);
