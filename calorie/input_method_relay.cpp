#include "calorie/input_method_relay.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>

InputMethodRelay::InputMethodRelay(QObject* parent, QWidget* list, QLineEdit* field,
                                   SearchHooks search)
    : QObject(parent), m_list(list), m_field(field), m_search(std::move(search)) {
    m_list->installEventFilter(this);
    m_field->installEventFilter(this);
}

bool InputMethodRelay::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::InputMethod)
        return Compose(watched, static_cast<QInputMethodEvent*>(event));
    if (watched == m_list && event->type() == QEvent::InputMethodQuery) {
        AnswerAsField(static_cast<QInputMethodQueryEvent*>(event));
        return true;
    }
    return false;
}

void InputMethodRelay::Cancel() {
    QInputMethodEvent cancel;
    Compose(m_field, &cancel);
}

bool InputMethodRelay::Compose(QObject* watched, QInputMethodEvent* event) {
    if (m_passing)
        return false;
    const bool fromList = watched == m_list;
    if (fromList) {
        // A commit can reach the list after the focus has left it.
        const bool composing =
            !event->preeditString().isEmpty() || !event->commitString().trimmed().isEmpty();
        if (!m_list->hasFocus() || !(m_search.isOpen() || composing))
            return false;
        m_search.open();
    }
    const QString before = m_field->text();
    PassToField(event);
    m_search.relayed(m_field->text() != before, fromList);
    return true;
}

void InputMethodRelay::PassToField(QInputMethodEvent* event) {
    m_preedit = event->preeditString();
    m_passing = true;
    QCoreApplication::sendEvent(m_field, event);
    m_passing = false;
}

// The field and the list are siblings: the field's rectangles move by the offset between them.
void InputMethodRelay::AnswerAsField(QInputMethodQueryEvent* query) const {
    const QPoint offset = m_field->pos() - m_list->pos();
    for (int bit = 0; bit < 32; ++bit) {
        const auto asked = Qt::InputMethodQuery(int(query->queries() & (1u << bit)));
        if (!asked)
            continue;
        QVariant value = asked == Qt::ImEnabled ? QVariant(true) : m_field->inputMethodQuery(asked);
        if (value.typeId() == QMetaType::QRect)
            value = value.toRect().translated(offset);
        query->setValue(asked, value);
    }
    query->accept();
}
