// uCabNames: the names a cabinet's files may take. Which names a cabinet
// may give is the rule of format/uFileNameRule.h, shared with the builder;
// this adds the name an existing file is set aside under. Pure.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The name an existing file is set aside under while its replacement is
// written: number in base 36 behind a "~", at most maximumLength and at
// most 8 characters (one bare digit when only one fits). A name no longer
// than the file's own makes a path no longer than the file's, so it fits
// wherever the file itself does. maximumLength 0 gives an empty name.
std::string SetAsideName(uint32_t number, size_t maximumLength);
