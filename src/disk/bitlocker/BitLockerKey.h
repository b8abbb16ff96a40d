#pragma once

#include "disk/bitlocker/BitLockerMetadata.h"
#include "disk/bitlocker/Secret.h"

#include <QString>

namespace disk {

struct VolumeKey {
    enum class Outcome { Opened, Wrong, Failed };
    Outcome outcome = Outcome::Failed;
    Secret key;     // Opened: the full volume encryption key (with the diffuser key)
    QString fault;  // Failed: German, why the key could not be had
};

// The volume key from a password, a 48-digit recovery password or a .BEK
// key file's content, through libcryptsetup: it reads an in-memory copy of
// the volume's boot sector and metadata areas, so a volume inside any image
// is read alike, and nothing is written anywhere.
VolumeKey volumeKeyFromSecret(const VolumeReader& read, std::int64_t volumeSize, const BitLockerMetadata& metadata,
                              const Secret& secret);

// The volume key of a volume whose protection is suspended: the key that
// protects it lies in the clear in its metadata (AES-CCM unwrapped with OpenSSL).
VolumeKey clearVolumeKey(const BitLockerMetadata& metadata);

}  // namespace disk
