#pragma once

#include <QApplication>
#include <QWidget>

// Makes window the active window, as the user's click would; callers wait for it to be active.
inline void ActivateWindow(QWidget* window) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    window->activateWindow();
#else
    QApplication::setActiveWindow(window);
#endif
}
