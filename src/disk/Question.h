#pragma once

#include "runtime/RuntimeError.h"

namespace disk {

// A source that an answer from the user would open: a secret, a parent
// image, one of several installations. Its message says what to do where
// nobody can be asked (a terminal without a prompt); where someone can, the
// question is asked, the answer given, and the source read again. Never
// remembered as a failure of the file.
class Question : public runtime::RuntimeError {
public:
    using RuntimeError::RuntimeError;
};

}  // namespace disk
