// Helpers of the completion-action tests: records of the payload_recorder
// host, and Unix symbolic links made from inside Wine.
#pragma once
#include <string>
#include <vector>

// The lines of a record file (CR LF removed); empty when there is none.
std::vector<std::string> ReadRecord(const std::string &path);
// Polls until the record holds a line "end", for at most timeoutMs.
bool WaitForRecordEnd(const std::string &path, unsigned timeoutMs);

// The Unix path of a Windows path; empty when not running under Wine.
std::string UnixPathOf(const std::string &windowsPath);
// Makes linkPath a Unix symbolic link to targetPath (both Windows paths,
// without blanks); false when not under Wine or when ln fails.
bool MakeSymbolicLink(const std::string &targetPath, const std::string &linkPath);
// Removes the link itself with the Unix rm (Wine cannot remove a link
// without touching its target); true when it is gone.
bool RemoveSymbolicLink(const std::string &linkPath);
