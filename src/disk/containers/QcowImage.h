#pragma once

#include "disk/Container.h"

#include <vector>

#include <cstdint>

typedef intptr_t libqcow_file_t;  // as libqcow declares it

namespace disk {

class ChainGuard;

// A qcow or qcow2 image through libqcow, with its backing files: each looked
// for where the overlay names it (a relative name beside it), then by its
// last name beside the overlay; a backing file is qcow2 too and no larger.
// Features libqcow lacks (zstd compression, an external data file, extended
// L2 tables) are named, with how to convert the image, before it is tried.
class QcowImage final : public Container {
public:
    QcowImage(const QString& path, ChainGuard& guard);
    ~QcowImage() override;

    std::int64_t size() const override { return size_; }
    ssize_t read(std::int64_t offset, char* out, std::size_t length) override;
    QString format() const override { return QStringLiteral("qcow2"); }
    QStringList files() const override { return files_; }

private:
    std::vector<libqcow_file_t*> chain_;  // the overlay, then its backing files
    QStringList files_;
    std::int64_t size_ = 0;
    std::int64_t cluster_ = 512;  // the smallest cluster in the chain: no read crosses one
};

// What of a qcow2 header libqcow cannot read, in words; empty when it can.
QString qcowFeaturesNotRead(const QString& path);

}  // namespace disk
