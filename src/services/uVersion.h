// uVersion: the extractor's own version, for its log and its version
// resource (which a package's maker may replace with the package's own).
#pragma once

#define OXTARN_VERSION_TEXT "1.0.0.0"
#define OXTARN_VERSION_NUMBERS 1,0,0,0
