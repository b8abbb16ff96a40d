#include "runtime/RuntimeError.h"

#include <utility>

namespace runtime {

RuntimeError::RuntimeError(std::int32_t number, QString description)
    : number_(number),
      description_(std::move(description)),
      what_(std::to_string(number) + ": " + description_.toStdString())
{
}

RuntimeError RuntimeError::overflow()
{
    return {ErrorNumber::Overflow, QStringLiteral("Überlauf")};
}

RuntimeError RuntimeError::typeMismatch()
{
    return {ErrorNumber::TypeMismatch, QStringLiteral("Typen unverträglich")};
}

RuntimeError RuntimeError::invalidPropertyValue()
{
    return {ErrorNumber::InvalidPropertyValue, QStringLiteral("Ungültiger Eigenschaftswert")};
}

}  // namespace runtime
