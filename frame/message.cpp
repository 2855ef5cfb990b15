#include "frame/message.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
MessageObserver observer;
std::function<int(const QString&, const QStringList&)> choiceObserver;
} // namespace

void SetMessageObserver(MessageObserver newObserver) {
    observer = std::move(newObserver);
}

void ShowMessage(QWidget* parent, const QString& text) {
    if (observer) {
        observer(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvella"), text, QMessageBox::Ok, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse); // an address in it can be copied
    box.exec();
}

void SetChoiceObserver(std::function<int(const QString&, const QStringList&)> observer) {
    choiceObserver = std::move(observer);
}

int AskChoice(QWidget* parent, const QString& text, const QStringList& buttons) {
    if (choiceObserver)
        return choiceObserver(text, buttons);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvella"), text, QMessageBox::NoButton,
                    parent);
    QList<QAbstractButton*> answers;
    for (const QString& caption : buttons)
        answers.append(box.addButton(caption, QMessageBox::ActionRole));
    // Esc answers none of them: a hidden cancel button takes it.
    box.addButton(QMessageBox::Cancel)->hide();
    if (!answers.isEmpty())
        box.setDefaultButton(static_cast<QPushButton*>(answers.constFirst()));
    box.exec();
    return int(answers.indexOf(box.clickedButton()));
}
