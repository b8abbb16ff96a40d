#include "app/SourceNotices.h"

#include "app/RuntimeErrorBox.h"
#include "shell/RegistrySources.h"

void reportSourceNotices()
{
    for (const runtime::RuntimeError& error : shell::takeSourceNotices())
        ShowRuntimeError(error);
}
