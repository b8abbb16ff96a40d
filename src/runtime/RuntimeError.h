#pragma once

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

namespace runtime {

// The program's one error type: a run-time error number with its German
// description, in the manner of the original platform's run-time errors.
// What a library said in its own words (its name, its English message, an
// errno name) is kept apart, as the details: the description is a German
// sentence that stands without them.
class RuntimeError : public std::exception {
public:
    // Words marked with libraryWords() in `description` are taken out of it
    // into the details, after `details`.
    RuntimeError(std::int32_t number, QString description, QString details = {});

    std::int32_t number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    // The libraries' own words, a line each; empty when none were said.
    const QString& details() const noexcept { return details_; }
    const char* what() const noexcept override { return what_.c_str(); }

    static RuntimeError overflow();              // 6 "Überlauf"
    static RuntimeError typeMismatch();          // 13 "Typen unverträglich"
    static RuntimeError invalidPropertyValue();  // 380 "Ungültiger Eigenschaftswert"

private:
    std::int32_t number_;
    QString description_;
    QString details_;
    std::string what_;
};

// A library's own words, marked so that they can travel inside a German text
// (a fault handed up through the floors) and leave it for the details where
// the text is shown. Put them where the sentence reads whole without them.
QString libraryWords(const QString& said);

// A text split into its German sentence and the library words marked in it.
struct SplitText {
    QString message;
    QString details;  // a line each
};
SplitText splitLibraryWords(const QString& text);

// An errno value's name ("EACCES"), for the details.
QString errnoName(int error);

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
