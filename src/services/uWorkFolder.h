// uWorkFolder: the folders a run makes: the numbered work folder of
// "$INSTALL$" packages, the removal of an empty destination the run made,
// and the free-space measurement used for every destination. Main thread
// only, but for the removal.
#pragma once
#include <cstdint>
#include <string>
#include "services/uRunPlan.h"

// The run is about to end: leaves behind no empty destination folder that
// this run made. A folder that holds anything is kept, because
// RemoveDirectoryW refuses it; one that was there before is never removed.
// Safe from either thread.
void RemoveEmptyDestination(const TRunPlan &plan);

// A new, empty folder named name<N> on a drive with at least required free
// bytes (the temporary folder's drive first, then fixed drives C: to Z:),
// in folder form; empty when none could be made.
std::string ChooseWorkFolder(const std::string &name, int64_t required);
// First base\name<N>\ (N = 1, 2, ...) that this call created itself, in
// folder form: a folder that exists already, whoever made it, is never
// handed out, so two runs racing each other never share one. Missing
// parents of base are created. Empty when the base cannot be made, when
// every number fails, or after 1,000 numbers in a row could not be created
// although nothing of that name existed (the base cannot hold folders).
std::string CreateNumberedFolder(const std::string &base, const std::string &name);
// Free bytes of the drive or share holding path; 0 when unknown.
int64_t FreeBytesOnDrive(const std::string &path);
// "C:" or "\\server\share" part of path, without trailing backslash; empty
// for a relative path.
std::string ExtractDrive(const std::string &path);
