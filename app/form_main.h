#pragma once
// The launcher: seven entries, each a white panel with logo, title and tip. A left-button press
// on a logo or a title opens that entry's tool.

#include <QList>
#include <QWidget>

class QLabel;

class Form_Main : public QWidget {
  public:
    Form_Main();

    QLabel* Image_Logo(int i) const { return m_logos.value(i); }
    QLabel* Label_Title(int i) const { return m_titles.value(i); }

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Load();
    void CreateEntries(QWidget* background);

    bool m_loaded = false;
    QList<QLabel*> m_logos;
    QList<QLabel*> m_titles;
};
