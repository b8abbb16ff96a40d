#include "registry/hive/BaseBlock.h"

#include <cstring>

namespace registry {

std::uint32_t le32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint64_t le64(const unsigned char* p) { return std::uint64_t(le32(p)) | std::uint64_t(le32(p + 4)) << 32; }

void putLe32(unsigned char* p, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t baseBlockChecksum(const unsigned char* block)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < BaseBlockAt::Checksum; i += 4) sum ^= le32(block + i);
    return sum;
}

BaseBlock parseBaseBlock(const unsigned char* block)
{
    BaseBlock b;
    b.signature = std::memcmp(block, "regf", 4) == 0;
    b.primarySequence = le32(block + BaseBlockAt::PrimarySequence);
    b.secondarySequence = le32(block + BaseBlockAt::SecondarySequence);
    b.timestamp = le64(block + BaseBlockAt::Timestamp);
    b.major = le32(block + BaseBlockAt::Major);
    b.minor = le32(block + BaseBlockAt::Minor);
    b.fileType = le32(block + BaseBlockAt::FileType);
    b.rootCell = le32(block + BaseBlockAt::RootCell);
    b.binsSize = le32(block + BaseBlockAt::BinsSize);
    b.clustering = le32(block + BaseBlockAt::Clustering);
    const std::uint32_t stored = le32(block + BaseBlockAt::Checksum);
    const std::uint32_t sum = baseBlockChecksum(block);
    // Windows stores 1 for a sum of 0 and 0xFFFFFFFE for 0xFFFFFFFF.
    b.checksumValid = stored == sum || (sum == 0 && stored == 1) || (sum == 0xFFFFFFFFu && stored == 0xFFFFFFFEu);
    return b;
}

void sealBaseBlock(unsigned char* block)
{
    putLe32(block + BaseBlockAt::Checksum, baseBlockChecksum(block));
}

}  // namespace registry
