#pragma once

namespace runtime {
class RuntimeError;
}

// The run-time error box: modal, captioned "Tessera", with the error's number and description.
void ShowRuntimeError(const runtime::RuntimeError& error);

// "Laufzeitfehler '6':" + blank line + "Überlauf"; negative numbers also in hex.
class QString;
QString runtimeErrorText(const runtime::RuntimeError& error);
