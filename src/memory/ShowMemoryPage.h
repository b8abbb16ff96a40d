#pragma once

#include <cstdint>

// Shows the memory-management values on the Speicher page.
void ShowMemoryPage();

// Handler of a value change of any Check1 box.
void Check1_Click(std::int16_t index);
