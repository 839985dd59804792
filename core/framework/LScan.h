#pragma once

#include <initializer_list>
#include <string_view>

// Reads whole numbers from `text` the way the C library's sscanf reads a format made of
// "%d" conversions, literal characters and white space, without its undefined behaviour
// on overflow (values saturate at the limits of int). Returns the number of conversions
// stored before the first mismatch; `targets` receive the values in order.
int LScanInts(std::string_view text, std::string_view format, std::initializer_list<int*> targets);
