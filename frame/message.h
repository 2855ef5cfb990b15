#pragma once
// Every message the program shows goes through ShowMessage: a modal box with the text, one OK
// button, no icon and the caption "Korvella". Tests install an observer instead of the modal box.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

void ShowMessage(QWidget* parent, const QString& text);

using MessageObserver = std::function<void(const QString& text)>;
// While set, messages go to the observer and no box is shown. Pass {} to restore the box.
void SetMessageObserver(MessageObserver observer);

// A question with one button per answer: the index of the chosen one, -1 when the box is closed
// with Esc. Tests answer through the observer instead of the modal box.
int AskChoice(QWidget* parent, const QString& text, const QStringList& buttons);
void SetChoiceObserver(std::function<int(const QString&, const QStringList&)> observer);
