// uPackProgress: when and how the progress of a build is shown.
#include "uPackProgress.h"
#include "mPackText.h"

#include <cstdio>

std::string ProgressLineText(const TPackProgress &progress)
{
    char bytes[96];
    const int percent = progress.BytesTotal > 0 ? static_cast<int>(progress.BytesDone * 100 / progress.BytesTotal)
                                                : progress.FilesTotal > 0 ? static_cast<int>(progress.FilesDone * 100 / progress.FilesTotal)
                                                                         : 100;
    std::snprintf(bytes, sizeof bytes, "%.1f of %.1f MB (%d%%)", progress.BytesDone / 1048576.0,
                  progress.BytesTotal / 1048576.0, percent);
    return "Packing: " + WithThousands(progress.FilesDone) + " of " + WithThousands(progress.FilesTotal) + " files, " + bytes;
}

std::string ProgressUpdate(TProgressLine &line, const TPackProgress &progress, uint32_t now, bool final)
{
    // Unsigned differences stay right across the tick count's wrap.
    if (!line.Shown && !final && now - line.Start < ProgressDelayMs)
        return std::string();
    if (final && !line.Shown)
        return std::string();
    const uint32_t interval = line.Console ? ConsoleIntervalMs : PlainIntervalMs;
    if (!final && line.Shown && now - line.LastShown < interval)
        return std::string();
    line.Shown = true;
    line.LastShown = now;
    std::string text = ProgressLineText(progress);
    if (!line.Console)
        return text + "\n";
    const size_t width = text.size();
    if (width < line.Width)
        text.append(line.Width - width, ' ');  // clear the rest of a longer line
    line.Width = width;
    return "\r" + text + (final ? "\n" : "");
}
