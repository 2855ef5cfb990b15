#pragma once
// What the program and the browser-panel module libkorvella_ad agree on: one function, looked up
// by name after loading, and what the program lends the panel. The program has set the engine's
// switches and environment before any thread started (PrepareAdPanel, app/ad_panel.h); the module
// changes no environment variable.

class QRect;
class QString;
class QUrl;
class QWidget;

constexpr const char* KorvellaAdModule = "korvella_ad";
// Named after the interface's version, so that a stale module is refused rather than misread.
constexpr const char* KorvellaCreateAdPanelName = "KorvellaCreateAdPanel3";

struct KorvellaAdHost {
    // Opens a link the user clicked in the user's own browser; called from the event loop.
    void (*openLink)(QWidget* panel, const QUrl& url);
    // Tells why the page did not end normally (renderer died, page stopped, ...).
    void (*log)(const QString& what);
};

// Creates the panel as a child of parent, places and shows it, and asks it to navigate to url.
using KorvellaCreateAdPanelFunction = QWidget* (*)(QWidget* parent, const QRect& geometry,
                                                   const QUrl& url, const KorvellaAdHost& host);
