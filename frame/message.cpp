#include "frame/message.h"

#include <QMessageBox>

#include <QPushButton>

namespace {
MessageObserver observer;
ChoiceObserver choiceObserver;
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

void SetChoiceObserver(ChoiceObserver newObserver) {
    choiceObserver = std::move(newObserver);
}

int AskChoice(QWidget* parent, const QString& text, const QStringList& buttons) {
    if (choiceObserver)
        return choiceObserver(text, buttons);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvella"), text, QMessageBox::NoButton,
                    parent);
    QList<QAbstractButton*> answers;
    for (const QString& label : buttons)
        answers.append(box.addButton(label, QMessageBox::AcceptRole));
    box.addButton(QMessageBox::Cancel)->hide(); // Esc and the close button answer nothing
    if (!answers.isEmpty())
        box.setDefaultButton(static_cast<QPushButton*>(answers.first()));
    box.exec();
    return static_cast<int>(answers.indexOf(box.clickedButton()));
}
