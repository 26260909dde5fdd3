// uPackProgress: the progress line of a build: files and bytes done of
// the total, shown only for builds that take longer than about a second,
// updated in place on a console and as plain lines elsewhere. Pure: the
// clock is passed in.
#pragma once
#include <cstdint>
#include <string>

#include "uPackage.h"

struct TProgressLine {
    bool Console = false;
    uint32_t Start = 0;        // tick count when the build started
    uint32_t LastShown = 0;
    bool Shown = false;
    size_t Width = 0;          // of the line last written on a console
};

constexpr uint32_t ProgressDelayMs = 1000;
constexpr uint32_t ConsoleIntervalMs = 200;
constexpr uint32_t PlainIntervalMs = 2000;

// "Packing: 1,200 of 70,000 files, 1.5 of 230.0 MB (0%)".
std::string ProgressLineText(const TPackProgress &progress);
// What to write now, or nothing. final: the build ended (a line shown on
// a console is completed and ended).
std::string ProgressUpdate(TProgressLine &line, const TPackProgress &progress, uint32_t now, bool final);
