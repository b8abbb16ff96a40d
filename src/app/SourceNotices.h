#pragma once

// Shows a warning box ("Hinweis") once a run for each thing the machine shown
// has to tell of its sources: an optional source left out because it could
// not be read, a hive that shows an older state than Windows left, a hive
// without its partner. The program goes on.
void reportSourceNotices();
