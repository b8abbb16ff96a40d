#include "app/LeftOutSources.h"

#include "app/RuntimeErrorBox.h"
#include "shell/RegistrySources.h"

void reportLeftOutSources()
{
    for (const runtime::RuntimeError& error : shell::takeLeftOutSources())
        ShowRuntimeError(error);
}
