#pragma once
// Files the user asks for (exports) are written whole or not at all: through a temporary file
// renamed into place, so a failure leaves no partial file and an earlier file of that name as it
// was.

#include <QByteArray>
#include <QString>
#include <optional>

class QWidget;

// The reason when it fails, in words the user can act on.
std::optional<QString> SaveFileAtomically(const QString& path, const QByteArray& bytes);

// "无法导出到“<path>”：<reason>。"
void ShowExportFailure(QWidget* parent, const QString& path, const QString& reason);
