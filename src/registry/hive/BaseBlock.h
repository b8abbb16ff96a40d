#pragma once

#include <cstddef>
#include <cstdint>

namespace registry {

// The base block, the first 4096 bytes of a hive; a transaction log begins
// with a copy of its first 512 (the first sector). Little-endian throughout.
inline constexpr std::size_t BaseBlockSize = 4096;
inline constexpr std::size_t BaseBlockSector = 512;

namespace BaseBlockAt {
inline constexpr std::size_t PrimarySequence = 4;
inline constexpr std::size_t SecondarySequence = 8;
inline constexpr std::size_t Timestamp = 12;
inline constexpr std::size_t Major = 20;
inline constexpr std::size_t Minor = 24;
inline constexpr std::size_t FileType = 28;
inline constexpr std::size_t RootCell = 36;
inline constexpr std::size_t BinsSize = 40;
inline constexpr std::size_t Clustering = 44;
inline constexpr std::size_t Checksum = 508;
}  // namespace BaseBlockAt

// File types: a hive, a log of the older format (Vista to 8), of the newer (8.1 on).
enum class FileType : std::uint32_t { Hive = 0, OldLog = 1, NewLog = 6 };

std::uint32_t le32(const unsigned char* p);
std::uint64_t le64(const unsigned char* p);
void putLe32(unsigned char* p, std::uint32_t value);

struct BaseBlock {
    bool signature = false;  // begins with "regf"
    std::uint32_t primarySequence = 0;
    std::uint32_t secondarySequence = 0;
    std::uint64_t timestamp = 0;
    std::uint32_t major = 0, minor = 0, fileType = 0, rootCell = 0, binsSize = 0, clustering = 0;
    bool checksumValid = false;

    // Not written back completely: Windows counts the primary number up
    // before a write and the secondary after it.
    bool dirty() const { return !checksumValid || primarySequence != secondarySequence; }
};

// The XOR of the first 508 bytes' 32-bit words.
std::uint32_t baseBlockChecksum(const unsigned char* block);
// Reads the first 512 bytes of `block`.
BaseBlock parseBaseBlock(const unsigned char* block);
// Stores the checksum of the first 508 bytes, as hivex checks it.
void sealBaseBlock(unsigned char* block);

}  // namespace registry
