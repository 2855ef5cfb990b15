#pragma once
// What the program and the browser-panel module libkorvella_ad agree on: one function, looked up
// by name after loading.

class QRect;
class QUrl;
class QWidget;

constexpr const char* KorvellaAdModule = "korvella_ad";
constexpr const char* KorvellaCreateAdPanelName = "KorvellaCreateAdPanel";

// Creates the panel as a child of parent, places and shows it, and asks it to navigate to url.
using KorvellaCreateAdPanelFunction = QWidget* (*)(QWidget* parent, const QRect& geometry,
                                                   const QUrl& url);
