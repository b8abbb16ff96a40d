#pragma once

#include <cstdint>

namespace disk {

// The two diffusers that BitLocker of Windows Vista and 7 puts between the
// sector key and AES-CBC ("AES-CBC mit Elephant-Diffuser"), run in the
// direction that undoes them: the 512-byte sector as 128 little-endian 32-bit
// words, diffuser B in three cycles, then diffuser A in five.
void undoElephantDiffusers(std::uint32_t (&words)[128]);
// Their other direction, as the sectors were written.
void applyElephantDiffusers(std::uint32_t (&words)[128]);

}  // namespace disk
