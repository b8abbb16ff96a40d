#include "disk/containers/VhdImage.h"

#include "disk/FileBytes.h"
#include "disk/LibraryCalls.h"
#include "disk/containers/ImageFormat.h"
#include "disk/containers/ParentChain.h"
#include "disk/SizeInWords.h"
#include "disk/containers/VhdLinkage.h"

#include <QFile>
#include <QFileInfo>

#include <libvhdi.h>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace disk {

namespace {

QString vhdiError(libvhdi_error_t* error) { return libraryError("libvhdi", error, libvhdi_error_sprint, libvhdi_error_free); }

void closeFile(libvhdi_file_t*& file)
{
    libvhdi_file_close(file, nullptr);
    libvhdi_file_free(&file, nullptr);
}

libvhdi_file_t* openFile(const QString& named, const QString& path)
{
    libvhdi_error_t* error = nullptr;
    libvhdi_file_t* file = nullptr;
    if (libvhdi_file_initialize(&file, &error) != 1)
        imageFault(named, QStringLiteral("kann nicht geöffnet werden") + vhdiError(error));
    if (libvhdi_file_open(file, QFile::encodeName(path).constData(), LIBVHDI_OPEN_READ, &error) != 1) {
        libvhdi_file_free(&file, nullptr);
        imageFault(named, QStringLiteral("ist kein lesbares VHD-Abbild%1%2").arg(path == named ? QString() : QStringLiteral(" (über \u201E%1\u201C)").arg(path), vhdiError(error)));
    }
    return file;
}

std::int64_t mediaSize(libvhdi_file_t* file) { return libraryMediaSize(file, libvhdi_file_get_media_size); }

bool differencing(libvhdi_file_t* file)
{
    uint32_t type = 0;
    return libvhdi_file_get_disk_type(file, &type, nullptr) == 1 && type == LIBVHDI_DISK_TYPE_DIFFERENTIAL;
}

}  // namespace

VhdImage::VhdImage(const QString& path, ChainGuard& guard)
{
    try {
        chain_.push_back(openFile(path, path));
        files_ << path;
        int type = 0;
        libvhdi_file_get_file_type(chain_.front(), &type, nullptr);
        format_ = type == LIBVHDI_FILE_TYPE_VHDX ? QStringLiteral("VHDX") : QStringLiteral("VHD");
        size_ = mediaSize(chain_.front());
        if (size_ < 0) imageFault(path, QStringLiteral("nennt keine Größe"));
        uint32_t sector = 512;
        if (libvhdi_file_get_bytes_per_sector(chain_.front(), &sector, nullptr) == 1 && (sector == 512 || sector == 4096))
            sectorSize_ = sector;
        while (differencing(chain_.back())) {
            const QString child = files_.back();
            const VhdLinkage link = readVhdLinkage(child);
            if (!link.fault.isEmpty()) imageFault(child, link.fault);
            if (link.parentNames.isEmpty())
                imageFault(child, QStringLiteral("ist ein Differenzabbild, das sein Basisabbild nicht nennt"));
            libvhdi_file_t* parent = nullptr;
            const QString parentPath = chooseParent(
                child, lastNameOf(link.parentNames.front()), parentCandidates(child, link.parentNames),
                [&](const QString& candidate) -> QString {
                    const ImageFormat kind = imageFormatOf(candidate);
                    const VhdLinkage theirs = kind == ImageFormat::Vhd || kind == ImageFormat::Vhdx
                                                  ? readVhdLinkage(candidate) : VhdLinkage{};
                    if (theirs.self.isEmpty()) return QStringLiteral("es ist kein VHD- oder VHDX-Abbild");
                    if (!link.parentIds.isEmpty() && !link.parentIds.contains(theirs.self))
                        return QStringLiteral("seine Kennung ist %1, erwartet %2").arg(theirs.self, link.parentIds.front());
                    guard.enter(candidate);
                    libvhdi_file_t* opened = openFile(path, candidate);
                    if (mediaSize(opened) != mediaSize(chain_.back())) {
                        const QString why = QStringLiteral("es ist %1 groß, das Differenzabbild %2")
                                                .arg(sizeInWords(mediaSize(opened)), sizeInWords(mediaSize(chain_.back())));
                        closeFile(opened);
                        return why;
                    }
                    parent = opened;
                    return {};
                });
            chain_.push_back(parent);
            files_ << parentPath;
        }
        // Dynamic and differencing VHDs and differencing VHDX through their own tables.
        for (std::size_t i = 0; i < chain_.size(); ++i) {
            fds_.push_back(-1);
            blocks_.emplace_back();
            int type = 0;
            uint32_t disk = 0;
            libvhdi_file_get_file_type(chain_[i], &type, nullptr);
            libvhdi_file_get_disk_type(chain_[i], &disk, nullptr);
            const bool vhdx = type == LIBVHDI_FILE_TYPE_VHDX;
            if (disk == LIBVHDI_DISK_TYPE_FIXED || (vhdx && disk != LIBVHDI_DISK_TYPE_DIFFERENTIAL)) continue;
            QString fault;
            blocks_.back() = vhdx ? VhdBlocks::readVhdx(files_[qsizetype(i)], fault)
                                  : VhdBlocks::readVhd(files_[qsizetype(i)], fault);
            if (!blocks_.back()) imageFault(files_[qsizetype(i)], fault);
            fds_.back() = ::open(QFile::encodeName(files_[qsizetype(i)]).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
            if (fds_.back() < 0) imageFault(files_[qsizetype(i)], QStringLiteral("ist nicht lesbar"));
        }
        // Every differencing link is read here, so libvhdi never follows a parent itself.
    } catch (...) {
        for (libvhdi_file_t*& file : chain_) closeFile(file);
        for (int fd : fds_)
            if (fd >= 0) ::close(fd);
        throw;
    }
}

VhdImage::~VhdImage()
{
    for (libvhdi_file_t*& file : chain_) closeFile(file);
    for (int fd : fds_)
        if (fd >= 0) ::close(fd);
}

ssize_t VhdImage::read(std::int64_t offset, char* out, std::size_t length)
{
    if (offset < 0 || offset >= size_) return 0;
    return readLink(0, offset, out, std::size_t(std::min<std::int64_t>(std::int64_t(length), size_ - offset)));
}

ssize_t VhdImage::readLink(std::size_t link, std::int64_t offset, char* out, std::size_t length)
{
    if (!blocks_[link]) {
        libvhdi_error_t* error = nullptr;
        const ssize_t n = libvhdi_file_read_buffer_at_offset(chain_[link], out, length, offset, &error);
        if (error) libvhdi_error_free(&error);
        return n;
    }
    std::size_t done = 0;
    while (done < length) {
        const auto run = blocks_[link]->runAt(fds_[link], std::uint64_t(offset) + done, length - done);
        if (!run) return -1;
        const std::size_t n = std::size_t(run->length);
        switch (run->source) {
        case VhdBlocks::Source::Own:
            for (std::size_t got = 0; got < n;) {
                const ssize_t r = ::pread(fds_[link], out + done + got, n - got, off_t(run->fileOffset + got));
                if (r <= 0) return -1;
                got += std::size_t(r);
            }
            break;
        case VhdBlocks::Source::Zero: std::memset(out + done, 0, n); break;
        case VhdBlocks::Source::Parent:
            if (link + 1 >= chain_.size()) {
                std::memset(out + done, 0, n);
            } else if (readLink(link + 1, offset + std::int64_t(done), out + done, n) != ssize_t(n)) {
                return -1;
            }
            break;
        }
        done += n;
    }
    return ssize_t(done);
}

}  // namespace disk
