#include "calorie/food_search.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>

namespace {

// A part of a name finds it, so a longer paste is cut rather than searched.
constexpr int MaxTyped = 64;

bool Printable(const QKeyEvent* key) {
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = key->text();
    return !text.isEmpty() && text.front().isPrint() && !text.trimmed().isEmpty();
}

} // namespace

FoodSearch::FoodSearch(QTreeWidget* list, std::function<void()> add)
    // The field is the list's sibling, not its child: the accessibility of an item view lists
    // only its cells, and a screen reader would never find the field.
    : QObject(list), m_list(list), m_add(std::move(add)),
      m_field(new QLineEdit(list->parentWidget())),
      m_notFound(new QLabel(QStringLiteral("没有找到"), m_field)) {
    m_field->setObjectName(QStringLiteral("Text_查找食物"));
    m_field->setAccessibleName(QStringLiteral("查找食物"));
    m_field->setPlaceholderText(QStringLiteral("名称、拼音或首字母"));
    m_field->setMaxLength(MaxTyped);
    // Tab keeps moving between the tree, the list and the result box.
    m_field->setFocusPolicy(Qt::ClickFocus);
    m_field->hide();
    m_notFound->setForegroundRole(QPalette::PlaceholderText);
    m_notFound->hide();

    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            Close();
        else
            Filter();
    });
    // Leaving the list for another control of the window ends the search.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (m_open && now && now != m_field && now != m_list && now->window() == m_list->window())
            Close();
    });
}

void FoodSearch::Prepare() {
    if (m_prepared)
        return;
    m_keys.clear();
    m_keys.reserve(size_t(m_list->topLevelItemCount()));
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_list->topLevelItem(row);
        m_keys.emplace_back(item->text(0), item->text(1));
    }
    // Drawn once unseen, so that the style has its pieces of the field ready for the first
    // keystroke.
    Place();
    m_field->grab();
    m_prepared = true;
}

void FoodSearch::Reset() {
    Close();
    m_before = nullptr;
    m_prepared = false;
    QTimer::singleShot(0, this, &FoodSearch::Prepare);
}

void FoodSearch::Place() {
    const QRect area(m_list->viewport()->mapTo(m_field->parentWidget(), QPoint(0, 0)),
                     m_list->viewport()->size());
    const int height = m_field->sizeHint().height();
    m_field->setGeometry(area.left(), area.bottom() + 1 - height, area.width(), height);
    m_field->raise();
}

bool FoodSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport() && event->type() == QEvent::Paint) {
        m_list->viewport()->removeEventFilter(this);
        QTimer::singleShot(0, this, &FoodSearch::Prepare);
    } else if (watched == m_list &&
               (event->type() == QEvent::FocusOut || event->type() == QEvent::FocusIn)) {
        // The focus only passes between the list and its own field: the list looks the same
        // either way, and repainting all of it would add a full repaint to the first keystroke.
        return m_handingFocus;
    } else if (watched == m_list && event->type() == QEvent::KeyPress) {
        return ListKey(static_cast<QKeyEvent*>(event));
    } else if (watched == m_list && event->type() == QEvent::InputMethod) {
        // Chinese typed through an input method arrives committed, not as key presses.
        const QString committed = static_cast<QInputMethodEvent*>(event)->commitString();
        if (!committed.trimmed().isEmpty()) {
            Open(committed);
            return true;
        }
    } else if (watched == m_field && event->type() == QEvent::KeyPress) {
        return FieldKey(static_cast<QKeyEvent*>(event));
    }
    return false;
}

bool FoodSearch::ListKey(QKeyEvent* key) {
    if (key->matches(QKeySequence::Find)) {
        Open(QString());
        return true;
    }
    if (Printable(key)) {
        Open(key->text());
        return true;
    }
    return false;
}

bool FoodSearch::FieldKey(QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Escape:
        Close();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_add();
        Close();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        QCoreApplication::sendEvent(m_list, key);
        return true;
    default:
        return false;
    }
}

void FoodSearch::Open(const QString& typed) {
    if (!m_open) {
        m_open = true;
        m_listed.assign(size_t(m_list->topLevelItemCount()), false);
        for (int row = 0; row < m_list->topLevelItemCount(); ++row)
            m_listed[size_t(row)] = !m_list->topLevelItem(row)->isHidden();
        m_before = m_list->currentItem();
        Place();
        m_field->show();
    }
    if (m_list->hasFocus()) {
        m_handingFocus = true;
        m_field->setFocus(Qt::OtherFocusReason);
        m_handingFocus = false;
    } else {
        m_field->setFocus(Qt::OtherFocusReason);
    }
    if (!typed.isEmpty()) // inserting nothing still reports a change, which would close the field
        m_field->insert(typed);
}

void FoodSearch::Close() {
    if (!m_open)
        return;
    m_open = false;
    if (m_field->hasFocus()) {
        m_handingFocus = true;
        m_list->setFocus(Qt::OtherFocusReason);
        m_handingFocus = false;
    }
    m_field->hide();
    {
        const QSignalBlocker quiet(m_field);
        m_field->clear();
    }
    m_notFound->hide();
    m_field->setAccessibleDescription(QString());
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        if (item->isHidden() && m_listed[size_t(row)])
            item->setHidden(false);
    }
    QTreeWidgetItem* current = m_list->currentItem();
    if (!current || !current->isSelected())
        current = m_before;
    if (current) {
        m_list->setCurrentItem(current);
        m_list->scrollToItem(current);
    }
}

void FoodSearch::Filter() {
    Prepare();
    const QString query = food_finder::Normalized(m_field->text());
    QTreeWidgetItem* first = nullptr;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        const bool shown = m_listed[size_t(row)] && m_keys[size_t(row)].Matches(query);
        if (item->isHidden() == shown)
            item->setHidden(!shown);
        if (shown && !first)
            first = item;
    }
    if (first) {
        m_list->setCurrentItem(first);
    } else {
        // Enter must not add a food that is no longer shown.
        m_list->clearSelection();
        m_list->setCurrentItem(nullptr);
    }
    m_notFound->setVisible(!first);
    const int notice = first ? 0 : m_notFound->sizeHint().width() + 6;
    m_field->setTextMargins(0, 0, notice, 0);
    if (!first)
        m_notFound->setGeometry(m_field->width() - notice, 0, notice - 4, m_field->height());
    m_field->setAccessibleDescription(first ? QString() : QStringLiteral("没有找到"));
}
