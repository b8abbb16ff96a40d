#pragma once

// Collects the system information and writes the report into the Info page.
void ShowInfoPage();
