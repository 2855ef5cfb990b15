#include "calorie/food_search.h"

#include "calorie/input_method_relay.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

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

FoodSearch::FoodSearch(QTreeWidget* list, Add add)
    // The field is the list's sibling, not its child: the accessibility of an item view lists
    // only its cells, and a screen reader would never find the field.
    : QObject(list), m_list(list), m_addSelected(std::move(add)),
      m_field(new QLineEdit(list->parentWidget())), m_hint(m_field),
      m_inputMethod(new InputMethodRelay(
          this, list, m_field,
          {.isOpen = [this] { return m_open; },
           .open = [this] { ShowField(); },
           .relayed = [this](bool textChanged,
                             bool fromList) { OnInputMethodRelayed(textChanged, fromList); }})) {
    m_field->setObjectName(QStringLiteral("Text_查找食物"));
    m_field->setAccessibleName(QStringLiteral("查找食物"));
    m_field->setPlaceholderText(QStringLiteral("名称、拼音或首字母"));
    m_field->setMaxLength(MaxTyped);
    // Tab keeps moving between the tree, the list and the result box.
    m_field->setFocusPolicy(Qt::ClickFocus);
    m_field->hide();

    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty() && m_inputMethod->Preedit().isEmpty())
            CloseField();
        else
            Filter();
    });
    // Leaving the list for another control of the window ends the search.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (m_open && now && now != m_field && now != m_list && now->window() == m_list->window())
            CloseField();
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
    // Hiding a row makes a persistent index of it; made here, in idle time, a search that hides
    // thousands of rows only looks them up.
    m_rowIndexes.clear();
    for (int row = 0; row < m_list->topLevelItemCount(); ++row)
        m_rowIndexes.append(QPersistentModelIndex(m_list->model()->index(row, 0)));
    if (!m_open)
        ReadHidden();
    // Drawn once unseen, so that the style has its pieces of the field ready for the first
    // keystroke.
    PlaceField();
    m_field->grab();
    m_prepared = true;
}

void FoodSearch::ReadHidden() {
    m_hidden.assign(size_t(m_list->topLevelItemCount()), false);
    for (int row = 0; row < m_list->topLevelItemCount(); ++row)
        m_hidden[size_t(row)] = m_list->topLevelItem(row)->isHidden();
    m_hiddenKnown = true;
}

void FoodSearch::Reset() {
    CloseField();
    m_hiddenKnown = false;
    m_selectedBefore = nullptr;
    m_prepared = false;
    QTimer::singleShot(0, this, &FoodSearch::Prepare);
}

void FoodSearch::RowChanged(int row) {
    if (!m_prepared)
        return;
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (size_t(row) >= m_keys.size())
        m_keys.resize(size_t(row) + 1);
    m_keys[size_t(row)] = food_finder::FoodKeys(item->text(0), item->text(1));
    if (row >= m_rowIndexes.size())
        m_rowIndexes.append(QPersistentModelIndex(m_list->model()->index(row, 0)));
    if (m_hiddenKnown) {
        m_hidden.resize(std::max(m_hidden.size(), size_t(row) + 1));
        m_hidden[size_t(row)] = item->isHidden();
    }
}

void FoodSearch::RowRemoved(int row) {
    if (m_prepared && size_t(row) < m_keys.size())
        m_keys.erase(m_keys.begin() + row);
    if (m_hiddenKnown && size_t(row) < m_hidden.size())
        m_hidden.erase(m_hidden.begin() + row);
    m_rowIndexes.removeIf([](const QPersistentModelIndex& index) { return !index.isValid(); });
}

void FoodSearch::PlaceField() {
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
        return OnListKey(static_cast<QKeyEvent*>(event));
    } else if (watched == m_field && event->type() == QEvent::KeyPress) {
        return OnFieldKey(static_cast<QKeyEvent*>(event));
    }
    return false;
}

bool FoodSearch::OnListKey(QKeyEvent* key) {
    if (m_open && key->key() == Qt::Key_Escape) {
        OnEscape();
        return true;
    }
    if (key->matches(QKeySequence::Find)) {
        OpenField(QString());
        return true;
    }
    if (Printable(key)) {
        OpenField(key->text());
        return true;
    }
    return false;
}

bool FoodSearch::OnFieldKey(QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Escape:
        OnEscape();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_portion.refused) // the hint in the field says why
            return true;
        if (const auto refusal = m_addSelected())
            m_hint.Show(*refusal);
        else
            CloseField();
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

// Chinese arrives through the input method relay, as a pre-edit and then committed characters.
void FoodSearch::OnInputMethodRelayed(bool textChanged, bool fromList) {
    if (!m_open) // the search closing cancelled the composition
        return;
    if (!textChanged) // otherwise the change has filtered already
        Filter();
    if (fromList && m_inputMethod->Preedit().isEmpty() && !m_field->text().isEmpty())
        FocusField();
}

// Esc cancels a composition the input method left alone, and only then ends the search.
void FoodSearch::OnEscape() {
    if (m_inputMethod->Preedit().isEmpty())
        CloseField();
    else
        m_inputMethod->Cancel();
}

void FoodSearch::ShowField() {
    if (m_open)
        return;
    if (m_beforeOpen)
        m_beforeOpen();
    m_open = true;
    if (!m_hiddenKnown || m_hidden.size() != size_t(m_list->topLevelItemCount()))
        ReadHidden();
    m_shownWithoutSearch.assign(m_hidden.size(), false);
    for (size_t row = 0; row < m_hidden.size(); ++row)
        m_shownWithoutSearch[row] = !m_hidden[row];
    m_selectedBefore = m_list->currentItem();
    PlaceField();
    m_field->show();
}

void FoodSearch::FocusField() {
    if (m_list->hasFocus()) {
        m_handingFocus = true;
        m_field->setFocus(Qt::OtherFocusReason);
        m_handingFocus = false;
    } else {
        m_field->setFocus(Qt::OtherFocusReason);
    }
}

void FoodSearch::OpenField(const QString& typed) {
    ShowField();
    FocusField();
    if (!typed.isEmpty()) // inserting nothing still reports a change, which would close the field
        m_field->insert(typed);
}

void FoodSearch::CloseField() {
    if (!m_open)
        return;
    m_open = false;
    if (!m_inputMethod->Preedit().isEmpty())
        m_inputMethod->Cancel();
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
    m_hint.Show({});
    m_portion = {};
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        if (m_hidden[size_t(row)] && m_shownWithoutSearch[size_t(row)])
            SetRowHidden(row, false);
    }
    QTreeWidgetItem* current = m_list->currentItem();
    if (!current || !current->isSelected())
        current = m_selectedBefore;
    if (current) {
        m_list->setCurrentItem(current);
        m_list->scrollToItem(current);
    }
}

// Through the view by row: an item's own setHidden looks its row up again each time, which cost
// more than the hiding itself when a keystroke hides thousands of own foods.
void FoodSearch::SetRowHidden(int row, bool hidden) {
    m_list->setRowHidden(row, QModelIndex(), hidden);
    m_hidden[size_t(row)] = hidden;
}

// Shows the rows that one of queries finds and returns the first of them.
QTreeWidgetItem* FoodSearch::ShowMatching(const QStringList& queries) {
    int first = -1;
    const int rows = m_list->topLevelItemCount();
    for (int row = 0; row < rows; ++row) {
        const food_finder::FoodKeys& keys = m_keys[size_t(row)];
        const bool shown = m_shownWithoutSearch[size_t(row)] &&
                           std::any_of(queries.begin(), queries.end(),
                                       [&](const QString& q) { return keys.Matches(q); });
        if (m_hidden[size_t(row)] == shown)
            SetRowHidden(row, !shown);
        if (shown && first < 0)
            first = row;
    }
    return first < 0 ? nullptr : m_list->topLevelItem(first);
}

void FoodSearch::Filter() {
    Prepare();
    m_portion = 方法_卡路里计算器::ParsePortionQuery(m_field->text());
    const QList<QStringList> tiers = SearchQueries();
    const bool empty = tiers.front().front().isEmpty();
    QTreeWidgetItem* first = nullptr;
    for (const QStringList& queries : tiers) {
        first = ShowMatching(queries);
        if (first)
            break;
    }
    if (empty) // a cancelled composition: back to the food selected before
        first = m_selectedBefore ? m_selectedBefore : first;
    if (first) {
        m_list->setCurrentItem(first);
    } else {
        // Enter must not add a food that is no longer shown.
        m_list->clearSelection();
        m_list->setCurrentItem(nullptr);
    }
    // A refused weight outranks "not found": it is what Enter would stumble on.
    m_hint.Show(m_portion.refused ? 方法_卡路里计算器::GramsHint
                : first           ? QString()
                                  : NotFoundHint);
}

// The pre-edit where the field shows it, at the cursor, read without the blanks or apostrophes
// an engine puts between syllables. An engine that shows its conversion instead of the letters
// typed is read back: the pre-edit's reading stands for them, in full (绿豆 for lvdou) or, when
// that finds nothing, by initials (巡回赛 for xhs). Each tier is tried when those before it find
// nothing; the last is what was typed before a pre-edit at the end, which may be a portion being
// composed after its food ("米饭 2", then "wan"). A weight at the end of the text takes no part
// in finding.
QList<QStringList> FoodSearch::SearchQueries() const {
    const QString& preedit = m_inputMethod->Preedit();
    const QString text = preedit.isEmpty() ? m_portion.words : m_field->text();
    const int cursor = m_field->cursorPosition();
    const QString before = food_finder::Normalized(text.left(cursor));
    const QString after = food_finder::Normalized(text.mid(cursor));
    QString full;
    QString initials;
    for (const QString& syllable : food_finder::Pinyin(preedit)) {
        full += syllable;
        initials += syllable.front();
    }
    QList<QStringList> tiers{{before + full + after}};
    if (std::any_of(preedit.begin(), preedit.end(),
                    [](QChar c) { return c.script() == QChar::Script_Han; }))
        tiers = {{before + food_finder::Normalized(preedit) + after, before + full + after},
                 {before + initials + after}};
    if (!preedit.isEmpty() && cursor == text.size()) {
        const QString typed =
            food_finder::Normalized(方法_卡路里计算器::ParsePortionQuery(text).words);
        if (!typed.isEmpty())
            tiers.append({typed});
    }
    return tiers;
}
