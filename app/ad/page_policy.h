#pragma once
// What the advertisement page may do. It comes from a server the program does not control, so it
// is kept in its strip: its dialogs, console and file choosers go nowhere, every permission and
// download is refused, the panel navigates only to its own address (and the server's redirects
// while loading it), and a link opens in the user's browser only after the user's own click or
// key on the page, once per click.

#include <QElapsedTimer>
#include <QWebEnginePage>

#include <functional>

class QWebEngineView;

// Which input counts as the user's: a left press and release, or Enter, delivered to the widget
// the engine draws the page into. A page's own clicks, and input anywhere else in the program,
// do not.
class UserGesture : public QObject {
  public:
    // A link opens in the browser only this soon after the user's click or key.
    static constexpr qint64 GestureMs = 1000;

    explicit UserGesture(QWebEngineView* view);
    // One input, one link.
    bool Take();
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void See(const QEvent* event);

    QWebEngineView* m_view;
    bool m_pressed = false;
    QElapsedTimer m_at;
};

class AdPage : public QWebEnginePage {
  public:
    struct Hooks {
        std::function<void(const QUrl&)> open;   // a link the user clicked, http(s) only
        std::function<void(const QString&)> log; // what was refused
        std::function<void()> dialogAsked;       // counted by the watchdog
    };

    AdPage(QWebEngineProfile* profile, QWebEngineView* view, Hooks hooks);
    // Redirects of the main frame are the server's while the panel loads its address; later
    // ones are the page's own.
    void SetLoading(bool loading) { m_loading = loading; }

  protected:
    void javaScriptAlert(const QUrl&, const QString&) override { m_hooks.dialogAsked(); }
    bool javaScriptConfirm(const QUrl&, const QString&) override;
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override {
        return {};
    }
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

  private:
    void OpenLink(const QUrl& url);
    void RefusePermissions();

    Hooks m_hooks;
    UserGesture* m_gesture;
    bool m_loading = false;
};
