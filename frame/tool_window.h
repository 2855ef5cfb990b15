#pragma once
// What all seven tool windows share: a fixed 674 x 532 client area, the result box with its
// pop-up menu, and closing back to the main window, which destroys the tool window.

#include <QWidget>
#include <functional>

class QMenu;
class RichTextBox;

class ToolWindow : public QWidget {
  public:
    explicit ToolWindow(const QString& caption);

    RichTextBox* RichTextBox_结果() const { return m_result; }
    QMenu* Pop_TextBox() const { return m_menu; }

    // Start-up hands the frame the way back to the main window.
    static void SetShowMainWindow(std::function<void()> showMainWindow);

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreatePopupMenu();

    RichTextBox* m_result;
    QMenu* m_menu = nullptr;
};
