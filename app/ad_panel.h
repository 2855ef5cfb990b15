#pragma once
// The advertisement panel's browser lives in a module of its own, libkorvella_ad, so that the
// program does not link the browser engine and its first frame does not wait for it.

class QRect;
class QUrl;
class QWidget;

// Sets what the browser engine reads from the environment when it starts, in main() before the
// QApplication: once Qt's threads run, changing the environment races with their reading it.
// Chromium's switches: one renderer is all one page needs; without a GPU the GPU process is
// useless; the page's script heap is limited; the zygote only serves the sandbox, so it goes
// when the sandbox is off. Mesa, loaded by the engine's processes, keeps its shader cache off
// disk.
void PrepareAdPanel();

// Loads the module (beside the executable, then the ordinary library search) and has it place a
// browser panel in parent at geometry, navigating to url. Null when the module is missing, or for
// root without the browser's sandbox switched off (the engine would end the program).
QWidget* CreateAdPanel(QWidget* parent, const QRect& geometry, const QUrl& url);
