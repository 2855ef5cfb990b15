#include "frame/tool_window.h"

#include "frame/appearance.h"
#include "frame/rich_text_box.h"
#include "frame/text_actions.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

namespace {
std::function<void()> showMainWindow;
}

void ToolWindow::SetShowMainWindow(std::function<void()> show) {
    showMainWindow = std::move(show);
}

ToolWindow::ToolWindow(const QString& caption) : m_result(new RichTextBox(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    SetUpWindow(this, caption, {674, 532});

    m_result->setObjectName(QStringLiteral("RichTextBox_结果"));
    m_result->setFont(ResultFont());
    m_result->setContextMenuPolicy(Qt::PreventContextMenu); // the box opens its own menu
    m_result->viewport()->installEventFilter(this);
    m_result->installEventFilter(this);
    CreatePopupMenu();
}

void ToolWindow::CreatePopupMenu() {
    m_menu = new QMenu(QStringLiteral("文本操作"), this);
    m_menu->setObjectName(QStringLiteral("Pop_TextBox"));
    auto add = [this](const char* name, const QString& caption, void (*action)(RichTextBox&)) {
        QAction* item = m_menu->addAction(caption, this, [this, action] { action(*m_result); });
        item->setObjectName(QString::fromLatin1(name));
    };
    add("Pop_TextBox_CopyInfo", QStringLiteral("复制选中[&C]"), 自定义方法::CopySelectedText);
    add("Pop_TextBox_CopyAll", QStringLiteral("复制全部[&A]"), 自定义方法::CopyAllText);
    m_menu->addSeparator()->setObjectName(QStringLiteral("Break"));
    add("Pop_TextBox_Clear", QStringLiteral("清除信息[&R]"), 界面优化动作::ClearText);
}

bool ToolWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_result->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::RightButton) {
            // The box shows its selection only with the focus, and the selection is brought into
            // view: the user sees what "复制选中" copies.
            m_result->setFocus(Qt::MouseFocusReason);
            if (m_result->textCursor().hasSelection())
                m_result->ensureCursorVisible();
            m_menu->popup(press->globalPosition().toPoint());
            return true;
        }
    }
    // The menu key opens the same menu for keyboard users.
    if (watched == m_result && event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        m_menu->popup(m_result->mapToGlobal(m_result->cursorRect().bottomLeft()));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ToolWindow::closeEvent(QCloseEvent* event) {
    if (showMainWindow)
        showMainWindow();
    event->accept();
}
