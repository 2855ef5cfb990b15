#include "app/update_call.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibrary>
#include <QLoggingCategory>
#include <QStandardPaths>

namespace {
Q_LOGGING_CATEGORY(lcUpdate, "korvella.update", QtWarningMsg)
}

QStringList UpdateLibraryCandidates() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/update"),
            QStringLiteral("update")};
}

bool CallDoUpdate(const QStringList& candidates, std::int32_t window, const char* address) {
    using DoUpdateFunction = void (*)(std::int32_t, const char*);
    QStringList errors;
    for (const QString& name : candidates) {
        QLibrary library(name);
        if (!library.load()) {
            errors.append(library.errorString());
            continue;
        }
        auto doUpdate = reinterpret_cast<DoUpdateFunction>(library.resolve("DoUpdate"));
        if (!doUpdate) {
            qCInfo(lcUpdate).noquote() << "library" << library.fileName() << "lacks DoUpdate";
            library.unload();
            return false;
        }
        // Stays loaded: the check it starts outlives the call.
        doUpdate(window, address);
        return true;
    }
    qCInfo(lcUpdate).noquote() << "no update check: library not loaded:"
                               << errors.join(QStringLiteral("; "));
    return false;
}

void PrepareUpdateCheck() {
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        return;
    // Qt says on standard error that it stands in; the program prints nothing.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    qInstallMessageHandler(previous);
    if (!runtime.isEmpty())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
}
