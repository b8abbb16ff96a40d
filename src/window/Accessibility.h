#pragma once

// What screen readers see, where the toolkit's own view misleads them:
// - the tab strip ("TabStrip", a tab bar) is a page tab list whose current
//   tab is selected (and each selectable), focused only while the strip has
//   the keyboard focus; "Drücken" selects a tab as a click does;
// - a dialog's row of buttons, which passes the focus on to a button, is not
//   focused itself, so that one object is focused at a time.
// Installed once, by the first tab strip made.
void installAccessibility();
