#pragma once

// Shows a warning box ("Hinweis") once for each thing the shell has to tell
// of its sources: an optional source left out because it could not be read,
// a hive that shows an older state than Windows left. The program goes on.
void reportSourceNotices();
