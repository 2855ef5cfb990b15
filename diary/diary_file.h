#pragma once
// The diary file's life on disk, below SQLite: which file a name names, a new file put in place
// whole without replacing one made meanwhile, and the temporary files a crash left behind.

#include <QString>
#include <optional>

namespace 方法_卡路里计算器::diary_file {

// The device and inode a name names now; nothing when it names nothing.
struct FileId {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileId&) const = default;
};
std::optional<FileId> IdOf(const QString& path);

// A name for a new diary built beside path before it is put in place; the file is made, empty,
// and only this process's.
QString MakeTemporary(const QString& path);

enum class Placed { Done, Taken, Failed };
// Gives the file at from the name to, never replacing a file there (Taken), and makes the name
// last through a power cut.
Placed Place(const QString& from, const QString& to);

// Removes a temporary file with its WAL, shared-memory and journal files.
void RemoveWithSideFiles(const QString& path);

// Removes the temporary files beside path that a process which is gone left behind.
void RemoveLeftovers(const QString& path);

} // namespace 方法_卡路里计算器::diary_file
