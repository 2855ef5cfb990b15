#include "app/ad_panel.h"

#include "app/ad/ad_module.h"
#include "frame/message.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QLibrary>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QUrl>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// Exported by Qt GUI; Qt WebEngine reads it when it starts.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();

namespace {

Q_LOGGING_CATEGORY(lcAd, "korvella.ad", QtWarningMsg)

// A banner needs a few megabytes; a page that allocates without end meets this and its renderer
// ends, instead of taking gigabytes from the machine first.
constexpr int JsHeapLimitMb = 64;

bool SandboxOff() {
    return qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ||
           qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--no-sandbox");
}

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
        return SandboxOff();
#endif
    return true;
}

void OpenLink(QWidget* panel, const QUrl& url) {
    if (QDesktopServices::openUrl(url))
        return;
    qCInfo(lcAd).noquote() << "no browser opened" << url.toString(QUrl::FullyEncoded);
    // Encoded, so that what the user copies is exactly what was clicked.
    ShowMessage(panel ? panel->window() : nullptr,
                QStringLiteral("无法打开浏览器。请复制下面的地址，粘贴到浏览器中打开：\n") +
                    url.toString(QUrl::FullyEncoded));
}

void Log(const QString& what) {
    qCInfo(lcAd).noquote() << what;
}

} // namespace

void PrepareAdPanel() {
    QByteArray switches = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    switches += " --renderer-process-limit=1 --disable-gpu";
    switches += " --js-flags=--max-old-space-size=" + QByteArray::number(JsHeapLimitMb);
    if (SandboxOff())
        switches += " --no-zygote";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", switches.trimmed());
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
}

QWidget* CreateAdPanel(QWidget* parent, const QRect& geometry, const QUrl& url) {
    if (!BrowserMayStart()) {
        qCInfo(lcAd) << "no panel: running as root with the browser's sandbox on";
        return nullptr;
    }
    ProvideShareContext(); // before loading: the engine checks for it as its library loads
    QStringList errors;
    for (const QString& name : {QCoreApplication::applicationDirPath() + QStringLiteral("/") +
                                    QLatin1String(KorvellaAdModule),
                                QString::fromLatin1(KorvellaAdModule)}) {
        QLibrary module(name);
        if (!module.load()) {
            errors.append(module.errorString());
            continue;
        }
        auto create = reinterpret_cast<KorvellaCreateAdPanelFunction>(
            module.resolve(KorvellaCreateAdPanelName));
        if (!create) {
            qCInfo(lcAd).noquote()
                << "module" << module.fileName() << "lacks" << KorvellaCreateAdPanelName;
            return nullptr;
        }
        return create(parent, geometry, url, KorvellaAdHost{&OpenLink, &Log});
    }
    qCInfo(lcAd).noquote() << "no panel: module not loaded:" << errors.join(QStringLiteral("; "));
    return nullptr;
}
