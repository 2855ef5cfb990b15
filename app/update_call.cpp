#include "app/update_call.h"

#include <QCoreApplication>
#include <QLibrary>

QStringList UpdateLibraryCandidates() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/update"),
            QStringLiteral("update")};
}

bool CallDoUpdate(const QStringList& candidates, std::int32_t window, const char* address) {
    using DoUpdateFunction = void (*)(std::int32_t, const char*);
    for (const QString& name : candidates) {
        QLibrary library(name);
        if (!library.load())
            continue;
        auto doUpdate = reinterpret_cast<DoUpdateFunction>(library.resolve("DoUpdate"));
        if (!doUpdate) {
            library.unload();
            return false;
        }
        // Stays loaded: the check it starts outlives the call.
        doUpdate(window, address);
        return true;
    }
    return false;
}
