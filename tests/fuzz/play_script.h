// Plays one game described by a string of bytes: the screen's size, format
// and content, the background, the seed, then a script of ticks, cursor
// moves, keys and commands. Used by the fuzz target and by the replay of its
// corpus in the unit tests. Returns an empty string or the first broken
// invariant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string playScript(const uint8_t* data, size_t size);
