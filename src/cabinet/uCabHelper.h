// uCabHelper: the cabinet run. The extraction engine is not built yet;
// what the start-up and reporting code reach of it is declared here and
// answers so that nothing is extracted or reported as done.
#pragma once
#include <string>

// Full path of the next cabinet of a set, set while the set is walked.
extern std::string NextCabinet;

// True when path is a cabinet the library recognises.
bool CheckCabinet(const std::string &path);
