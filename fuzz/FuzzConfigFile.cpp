// Any byte sequence as a configuration file: loading must stay within its
// bounds and a loaded record must save and load back unchanged.
#include "FuzzCheck.h"
#include "settings/ConfigFile.h"

#include <QBuffer>

#include <cstdint>

using namespace ostrevik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    TConfigFile record;
    const bool recognised = loadSettings(record, buffer);
    check(record.openFiles.size() <= kMaxOpenFiles);
    for (const QString& path : record.openFiles) {
        check(path.size() <= kMaxPathBytes);
    }
    check(record.userName().size() <= 51);
    if (!recognised) {
        check(record.file.display == DisplaySettings::defaults());
    }

    // Saving writes exactly the block and the entries; loading that gives the
    // same record.
    record.file.version = kConfigVersion;
    record.file.openFileCount = static_cast<int32_t>(record.openFiles.size());
    QByteArray saved = record.file.toBytes();
    check(saved.size() == File_t::kByteSize);
    check(saved[41] == 0 && saved[42] == 0 && saved[43] == 0);
    return 0;
}
