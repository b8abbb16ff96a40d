#include "sysinfo/SystemInfo.h"

namespace Variablen {
SystemInfo SysInfo;
}  // namespace Variablen
