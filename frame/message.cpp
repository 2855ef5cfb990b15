#include "frame/message.h"

#include <QMessageBox>

namespace {
MessageObserver observer;
}

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
