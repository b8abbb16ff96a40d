#include "RunningProgram.h"
