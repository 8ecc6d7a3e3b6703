// A bound setting in words: its numbers, what it allows and its value; internal to
// core/options*.
#pragma once

#include <string>

#include "core/options_table.h"

std::string formatNumber(double value);
// What `s` allows, for a refusal: "a whole number from 0 to 1000", ...
std::string allowed(const Setting& s);
// What `s` allows, in short, for --help: "0 or 1", "0..1000", "x,y,z", ...
std::string allowedShort(const Setting& s);
std::string valueOf(const Setting& s);
