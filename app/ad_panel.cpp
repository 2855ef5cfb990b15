#include "app/ad_panel.h"

#include "app/ad/ad_module.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QOpenGLContext>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// Exported by Qt GUI; Qt WebEngine reads it when it starts.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();

namespace {

// Qt WebEngine insists on a shared OpenGL context, which Qt otherwise makes in the QApplication
// constructor, on the start-up path. The panel draws in software (see the module), so the context
// is never created on the GPU side: an unopened one satisfies the engine at no cost.
void ProvideShareContext() {
    if (!qt_gl_global_share_context())
        qt_gl_set_global_share_context(new QOpenGLContext(QCoreApplication::instance()));
}

// Chromium will not start its sandbox for root and then ends the whole process. Root goes without
// the panel unless the sandbox was switched off on purpose.
bool BrowserMayStart() {
#ifdef Q_OS_UNIX
    if (geteuid() == 0)
        return qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ||
               qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--no-sandbox");
#endif
    return true;
}

} // namespace

QWidget* CreateAdPanel(QWidget* parent, const QRect& geometry, const QUrl& url) {
    if (!BrowserMayStart())
        return nullptr;
    ProvideShareContext(); // before loading: the engine checks for it as its library loads
    for (const QString& name : {QCoreApplication::applicationDirPath() + QStringLiteral("/") +
                                    QLatin1String(KorvellaAdModule),
                                QString::fromLatin1(KorvellaAdModule)}) {
        QLibrary module(name);
        if (!module.load())
            continue;
        auto create = reinterpret_cast<KorvellaCreateAdPanelFunction>(
            module.resolve(KorvellaCreateAdPanelName));
        if (!create)
            return nullptr;
        return create(parent, geometry, url);
    }
    return nullptr;
}
