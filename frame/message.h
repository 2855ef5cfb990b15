#pragma once
// Every message the program shows goes through ShowMessage: a modal box with the text, one OK
// button, no icon and the caption "Korvella". Tests install an observer instead of the modal box.

#include <QString>
#include <functional>

class QWidget;

void ShowMessage(QWidget* parent, const QString& text);

using MessageObserver = std::function<void(const QString& text)>;
// While set, messages go to the observer and no box is shown. Pass {} to restore the box.
void SetMessageObserver(MessageObserver observer);
