#include "frame/save_file.h"

#include "frame/message.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The program's words where the file system's cause can be told, its own otherwise.
QString Reason(const QFileDevice& file, const QString& path) {
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("这是一个文件夹");
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("文件夹不存在");
    if (!folder.isWritable() || (info.exists() && !info.isWritable()))
        return QStringLiteral("没有写入的权限");
    if (file.error() == QFileDevice::ResourceError)
        return QStringLiteral("磁盘空间不足");
    return file.errorString();
}

} // namespace

std::optional<QString> SaveFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Reason(file, path);
    file.write(bytes);
    if (!file.commit())
        return Reason(file, path);
    return std::nullopt;
}

void ShowExportFailure(QWidget* parent, const QString& path, const QString& reason) {
    ShowMessage(parent,
                QStringLiteral("无法导出到“%1”：%2。").arg(QDir::toNativeSeparators(path), reason));
}
