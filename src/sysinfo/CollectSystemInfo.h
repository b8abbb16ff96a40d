#pragma once

// Refreshes Variablen::SysInfo from the process environment and the registry.
// Only a failure to create the shell object or its environment collection
// reaches the caller (SysInfo then unchanged); a fact that cannot be read or
// converted leaves its field as it was.
void CollectSystemInfo();
