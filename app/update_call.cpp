#include "app/update_call.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QLoggingCategory>

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
