#pragma once
// The launcher: seven entries, each a white panel with logo, title and tip. A left-button press
// on a logo or a title opens that entry's tool. Across the top, the advertisement panel; five
// seconds after creation, the update check.

#include <QList>
#include <QWidget>

class QLabel;
class QTimer;

class Form_Main : public QWidget {
  public:
    Form_Main();

    QLabel* Image_Logo(int i) const { return m_logos.value(i); }
    QLabel* Label_Title(int i) const { return m_titles.value(i); }
    // Null until the first frame is on screen, and when the browser module is missing.
    QWidget* WebBrowser_AD() const { return m_ad; }
    QTimer* Timer_Update() const { return m_timerUpdate; }

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Load();
    void CreateEntries(QWidget* background);
    void NavigateAd();
    void UpdateCheck();

    bool m_loaded = false;
    bool m_adPending = false;
    QWidget* m_ad = nullptr;
    QTimer* m_timerUpdate;
    QList<QWidget*> m_panels;
    QList<QLabel*> m_logos;
    QList<QLabel*> m_titles;
};
