#pragma once

#include <QByteArray>

#include <cstdint>

// Protection kinds of a BitLocker volume master key, as its metadata names them.
namespace Protection {
inline constexpr std::uint16_t Tpm = 0x0100;
inline constexpr std::uint16_t TpmAndPin = 0x0500;
inline constexpr std::uint16_t RecoveryPassword = 0x0800;
inline constexpr std::uint16_t Password = 0x2000;
}  // namespace Protection

// A BitLocker volume whose master keys protected by `from` are protected by
// `to` instead, in each copy of its metadata (found through its boot sector).
QByteArray withProtectionChanged(QByteArray volume, std::uint16_t from, std::uint16_t to);
