// Start-up: the application font, then the main window, whose update timer starts counting its
// five seconds. Its first show runs the Load step, which builds the standard-weight tables and
// starts the food reader, a process of its own beside the program, without waiting for it: the
// food table fills in from the event loop when the reader is done, and a calorie window opened
// before then fills its list in at that moment. Once the first frame is on screen the
// advertisement panel loads its browser module and page. Tool windows come back to the main
// window through the frame's callback when they close.

#include "app/ad_panel.h"
#include "app/form_main.h"
#include "app/update_call.h"
#include "frame/appearance.h"
#include "frame/tool_window.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[]) {
    // The program draws without OpenGL, the advertisement's browser included; without Qt's GLX
    // integration the browser engine does not load the OpenGL driver (some 30 MB per process).
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    PrepareUpdateCheck();
    PrepareAdPanel();
    QApplication app(argc, argv);
    QApplication::setFont(SongFont(9));
    // Qt's own texts, the message box's button and the fields' menus among them, in Chinese (from
    // qt6-translations-l10n; in English without it).
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    // Wayland desktops find the program's entry, and with it the icon, by this name.
    QApplication::setDesktopFileName(QStringLiteral("org.korvella.Korvella"));

    Form_Main form;
    ToolWindow::SetShowMainWindow([&form] { form.show(); });
    form.show();
    return QApplication::exec();
}
