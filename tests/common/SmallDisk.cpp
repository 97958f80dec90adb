#include "SmallDisk.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ostrevik::test {

SmallDisk::SmallDisk(const char* size) {
    if (::geteuid() != 0) {
        whyNot_ = "mounting a tmpfs (mount -t tmpfs -o size=16k tmpfs DIR) needs root";
        return;
    }
    const std::string options = std::string("size=") + size;
    if (::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.c_str()) != 0) {
        whyNot_ = std::string("mount -t tmpfs failed: ") + std::strerror(errno);
        return;
    }
    mounted_ = true;
}

SmallDisk::~SmallDisk() {
    if (mounted_) {
        // Detached, so that a file still open cannot keep the mount alive.
        ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
}

QString SmallDisk::path(const QString& name) const {
    return dir_.filePath(name);
}

qint64 SmallDisk::free() const {
    struct statvfs s {};
    if (::statvfs(QFile::encodeName(dir_.path()).constData(), &s) != 0) {
        return -1;
    }
    return static_cast<qint64>(s.f_bavail) * static_cast<qint64>(s.f_frsize);
}

void SmallDisk::fill(qint64 leaveFree) {
    const qint64 room = free() - leaveFree;
    ASSERT_GE(room, 0) << "the disk holds less than " << leaveFree << " free bytes";
    const int fd = ::open(QFile::encodeName(path(QStringLiteral("filler"))).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const std::vector<char> block(static_cast<size_t>(room), 'f');
    const ssize_t n = room > 0 ? ::write(fd, block.data(), block.size()) : 0;
    ::close(fd);
    ASSERT_EQ(n, room);
    ASSERT_EQ(free(), leaveFree);
}

}  // namespace ostrevik::test
