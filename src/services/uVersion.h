// uVersion: the version of a release, in this one place: the extractor's
// log and version resource (which a package's maker may replace with the
// package's own), oxpack --version and tools/release.sh take it.
#pragma once

#define OXTARN_VERSION_TEXT "1.1.0.0"
#define OXTARN_VERSION_NUMBERS 1,1,0,0
