// The start-up baseline: an empty Qt window of the main window's size, built like the program.

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Korvella"));
    window.setFixedSize(854, 560);
    window.show();
    return QApplication::exec();
}
