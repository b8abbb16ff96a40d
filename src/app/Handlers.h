#pragma once

#include <cstdint>

void SetToolTips();
void Form_Load();
void tabMain_Click();
void cmdMain_Click(std::int16_t index);
void ShowStartPage();

// Connects the window's events to the handlers, each inside the error boundary.
void installEventHandlers();
