#include "diary/diary_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace 方法_卡路里计算器::diary_file {

namespace {

const QString SideFiles[] = {QStringLiteral("-wal"), QStringLiteral("-shm"),
                             QStringLiteral("-journal")};

// ".diary.sqlite-new-<pid>-<six letters>": the pid tells whose it is.
QRegularExpression TemporaryPattern(const QString& name) {
    return QRegularExpression(QStringLiteral("^\\.") + QRegularExpression::escape(name) +
                              QStringLiteral("-new-(\\d+)-[0-9A-Za-z]{6}(-wal|-shm|-journal)?$"));
}

bool Alive(qint64 pid) {
    if (pid == QCoreApplication::applicationPid())
        return false; // this process builds one at a time and removes it itself
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

void SyncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

std::optional<FileId> IdOf(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileId{static_cast<quint64>(status.st_dev), static_cast<quint64>(status.st_ino)};
}

QString MakeTemporary(const QString& path) {
    const QFileInfo info(path);
    static const char letters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 20; ++attempt) {
        QString suffix;
        for (int i = 0; i < 6; ++i)
            suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
        const QString name = info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                             QStringLiteral("-new-%1-").arg(QCoreApplication::applicationPid()) +
                             suffix;
        QFile file(name);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return name;
        if (file.error() != QFileDevice::OpenError || !QFileInfo::exists(name))
            break;
    }
    return {};
}

Placed Place(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    bool placed = ::link(source.constData(), target.constData()) == 0;
    // Where there are no hard links (FAT, some network mounts): a rename that never replaces.
    if (!placed && errno != EEXIST)
        placed = ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                             RENAME_NOREPLACE) == 0;
    if (!placed)
        return errno == EEXIST ? Placed::Taken : Placed::Failed;
    SyncFolder(QFileInfo(to).absolutePath());
    return Placed::Done;
}

void RemoveWithSideFiles(const QString& path) {
    QFile::remove(path);
    for (const QString& suffix : SideFiles)
        QFile::remove(path + suffix);
}

void RemoveLeftovers(const QString& path) {
    const QFileInfo info(path);
    const QRegularExpression pattern = TemporaryPattern(info.fileName());
    const QDir folder = info.absoluteDir();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch() && !Alive(match.captured(1).toLongLong()))
            QFile::remove(folder.filePath(name));
    }
}

} // namespace 方法_卡路里计算器::diary_file
