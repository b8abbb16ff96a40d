#include "BitLockerSamples.h"

#include <QtEndian>

QByteArray withProtectionChanged(QByteArray b, std::uint16_t from, std::uint16_t to)
{
    auto le16At = [&](qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    for (int copy = 0; copy < 3; ++copy) {
        const qsizetype area = qsizetype(qFromLittleEndian<quint64>(b.constData() + 0xB0 + 8 * copy));
        if (area <= 0 || area + 0x10000 > b.size() || b.mid(area, 8) != "-FVE-FS-") continue;
        const qsizetype end = area + 64 + qFromLittleEndian<quint32>(b.constData() + area + 64);
        // Entries of at least 8 bytes; a volume master key (2) keeps its protection 26 bytes into its value.
        for (qsizetype at = area + 64 + 48; at + 8 <= end && le16At(at) >= 8; at += le16At(at))
            if (le16At(at + 2) == 2 && le16At(at + 4) == 8 && le16At(at + 8 + 26) == from)
                qToLittleEndian<quint16>(to, b.data() + at + 8 + 26);
    }
    return b;
}
