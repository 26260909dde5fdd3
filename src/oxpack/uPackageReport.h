// uPackageReport: describes a package: every settings field, the flags, the
// cabinet offset and the files of each cabinet of its set.
#pragma once
#include <string>

// report receives the description (also the part gathered before a
// failure); false with a reason when the package cannot be read. The
// password is UTF-8, as typed; it is taken in the package's code page.
bool InspectPackage(const std::string &path, const std::string &password, std::string &report, std::string &error);
