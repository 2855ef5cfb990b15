// Start-up: the application font, then the main window. Its first show runs the Load step,
// which builds the standard-weight tables and reads the food database before anything is drawn.
// Tool windows come back to it through the frame's callback when they close.

#include "appearance.h"
#include "form_main.h"
#include "tool_window.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setFont(SongFont(9));

    Form_Main form;
    ToolWindow::SetShowMainWindow([&form] { form.show(); });
    form.show();
    return QApplication::exec();
}
