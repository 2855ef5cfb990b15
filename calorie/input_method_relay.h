#pragma once
// The input method's way into the find field. An input method (fcitx5, IBus) sends its pre-edit
// and committed characters to the widget with the focus, most often the food list, and asks that
// widget where its cursor is. The relay passes the list's events on to the field, passes the
// field's own events on itself so that it always knows the pre-edit, and answers the list's
// queries as the field would, so that the candidate window opens at the field.

#include <QObject>
#include <QString>
#include <functional>

class QInputMethodEvent;
class QInputMethodQueryEvent;
class QLineEdit;

class InputMethodRelay final : public QObject {
  public:
    // What the search behind the field does as compositions arrive.
    struct SearchHooks {
        std::function<bool()> isOpen;
        // A composition begins in the list: the field appears.
        std::function<void()> open;
        // The field took an event. textChanged: the field's change has filtered the list already;
        // fromList: the event reached the list, not the field.
        std::function<void(bool textChanged, bool fromList)> relayed;
    };

    // The parent goes before the list and the field it watches.
    InputMethodRelay(QObject* parent, QWidget* list, QLineEdit* field, SearchHooks search);

    // The input method's pre-edit the field shows; empty while nothing is being composed.
    const QString& Preedit() const { return m_preedit; }
    // Ends a composition the input method left alone (Esc, or the search closing).
    void Cancel();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool Compose(QObject* watched, QInputMethodEvent* event);
    void PassToField(QInputMethodEvent* event);
    void AnswerAsField(QInputMethodQueryEvent* query) const;

    QWidget* m_list;
    QLineEdit* m_field;
    SearchHooks m_search;
    QString m_preedit;
    bool m_passing = false; // the event on its way is the relay's own
};
