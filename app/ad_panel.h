#pragma once
// The advertisement panel's browser lives in a module of its own, libkorvella_ad, so that the
// program does not link the browser engine and its first frame does not wait for it.

class QRect;
class QUrl;
class QWidget;

// Loads the module (beside the executable, then the ordinary library search) and has it place a
// browser panel in parent at geometry, navigating to url. Null when the module is missing, or for
// root without the browser's sandbox switched off (the engine would end the program).
QWidget* CreateAdPanel(QWidget* parent, const QRect& geometry, const QUrl& url);
