#pragma once

#include <QString>
#include <QTemporaryDir>

#include <string>

namespace ostrevik::test {

// A real, tiny file system for tests of a full disk: a tmpfs of the given
// size mounted on a fresh directory, unmounted again when the object ends.
// Mounting needs root (the test suite runs as root in CI); elsewhere the
// tests skip with whyNot().
class SmallDisk {
public:
    explicit SmallDisk(const char* size = "16k");
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    std::string whyNot() const { return whyNot_; }
    QString path(const QString& name) const;

    // Bytes still free.
    qint64 free() const;
    // Takes up the room with a file of its own until only about leaveFree
    // bytes (whole pages) are free.
    void fill(qint64 leaveFree);

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    std::string whyNot_;
};

}  // namespace ostrevik::test

// Skips the test, saying why, where no small file system can be mounted.
#define SKIP_WITHOUT(disk)                                                       \
    if (!(disk).mounted()) {                                                     \
        GTEST_SKIP() << "a full disk is not testable here: " << (disk).whyNot(); \
    }
