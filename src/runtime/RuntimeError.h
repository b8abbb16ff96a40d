#pragma once

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

namespace runtime {

// The program's one error type: a run-time error number with its German
// description, in the manner of the original platform's run-time errors.
class RuntimeError : public std::exception {
public:
    RuntimeError(std::int32_t number, QString description);

    std::int32_t number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

    static RuntimeError overflow();              // 6 "Überlauf"
    static RuntimeError typeMismatch();          // 13 "Typen unverträglich"
    static RuntimeError invalidPropertyValue();  // 380 "Ungültiger Eigenschaftswert"

private:
    std::int32_t number_;
    QString description_;
    std::string what_;
};

namespace ErrorNumber {
inline constexpr std::int32_t InvalidProcedureCall = 5;
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t ControlArrayElementMissing = 340;
inline constexpr std::int32_t InvalidPropertyValue = 380;
inline constexpr std::int32_t CannotCreateObject = 429;
// HRESULTs of the registry, as the shell object reports them.
inline constexpr std::int32_t FileNotFound = static_cast<std::int32_t>(0x80070002u);
inline constexpr std::int32_t PathNotFound = static_cast<std::int32_t>(0x80070003u);
// A registry source that cannot be parsed (ERROR_INVALID_DATA).
inline constexpr std::int32_t InvalidData = static_cast<std::int32_t>(0x8007000Du);
}  // namespace ErrorNumber

}  // namespace runtime
