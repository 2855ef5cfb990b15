#include "app/form_main.h"

#include "app/ad_panel.h"
#include "app/custom_methods.h"
#include "app/main_methods.h"
#include "app/tools.h"
#include "app/update_call.h"
#include "app/vendor.h"
#include "frame/appearance.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QUrl>

namespace {

const QRect AdGeometry(-2, 0, 857, 95); // overhangs the left edge by two pixels

} // namespace

Form_Main::Form_Main() : m_timerUpdate(new QTimer(this)) {
    m_timerUpdate->setObjectName(QStringLiteral("Timer_Update"));
    m_timerUpdate->setInterval(5000);
    m_timerUpdate->setSingleShot(true);            // the check runs once in the program's life
    m_timerUpdate->setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early
    connect(m_timerUpdate, &QTimer::timeout, this, &Form_Main::UpdateCheck);
    m_timerUpdate->start();

    setObjectName(QStringLiteral("Form_Main"));
    SetUpWindow(this, QStringLiteral("Korvella"), {854, 560});

    QLabel* background = PictureLabel(this, QStringLiteral("Picture_底部背景"),
                                      QStringLiteral("main_background.svg"), {0, 96, 854, 463});
    CreateEntries(background);
}

void Form_Main::CreateEntries(QWidget* background) {
    for (int i = 0; i < static_cast<int>(Tools().size()); ++i) {
        const Tool& entry = Tools()[static_cast<std::size_t>(i)];
        auto* panel = new QWidget(background);
        panel->setObjectName(QStringLiteral("Picture_Back(%1)").arg(i));
        panel->setGeometry(QRect(entry.panel, QSize(274, 112)));
        panel->setAutoFillBackground(true);
        QPalette white = panel->palette();
        white.setColor(QPalette::Window, Qt::white);
        panel->setPalette(white);

        QLabel* logo = PictureLabel(panel, QStringLiteral("Image_Logo(%1)").arg(i),
                                    QStringLiteral("logo_%1.svg").arg(i), {20, 14, 84, 84});
        logo->setAccessibleName(entry.title);

        const int textLeft = i == 1 ? 118 : 116;
        auto* title = new QLabel(entry.title, panel);
        title->setObjectName(QStringLiteral("Label_Title(%1)").arg(i));
        title->setGeometry(textLeft, 24, 150, 16);
        title->setFont(SongFont(12, true));
        HoldWholeLine(title);
        title->setStyleSheet(QStringLiteral("color: %1;").arg(entry.titleColor));

        auto* tip = new QLabel(panel);
        tip->setObjectName(QStringLiteral("Label_Tips(%1)").arg(i));
        tip->setGeometry(textLeft, 48, 144, 45);
        SetLines(tip, entry.tip, 80);
        tip->setStyleSheet(QStringLiteral("color: #808080;"));

        for (QLabel* opener : {logo, title}) {
            opener->setCursor(Qt::PointingHandCursor);
            opener->installEventFilter(this);
        }
        // Keyboard users reach the tools too: Tab moves across the titles, Enter or Space opens.
        title->setFocusPolicy(Qt::TabFocus);
        panel->installEventFilter(this);
        m_panels.append(panel);
        m_logos.append(logo);
        m_titles.append(title);
    }
}

namespace {

bool OpensTool(const QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress)
        return static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

} // namespace

bool Form_Main::eventFilter(QObject* watched, QEvent* event) {
    if (const qsizetype i = m_panels.indexOf(watched); i >= 0) {
        // The entry whose title has the keyboard focus is framed in the title's colour.
        if (event->type() == QEvent::Paint && m_titles[i]->hasFocus()) {
            QPainter painter(m_panels[i]);
            painter.setPen(QPen(QColor(Tools()[std::size_t(i)].titleColor), 1, Qt::DotLine));
            painter.drawRect(m_panels[i]->rect().adjusted(2, 2, -3, -3));
        }
        return false;
    }
    const qsizetype i = std::max(m_logos.indexOf(watched), m_titles.indexOf(watched));
    if (i < 0)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        m_panels[i]->update();
    } else if (OpensTool(event)) {
        方法_Form_Main::OpenTool(*this, static_cast<qint16>(i));
        return true;
    }
    return false;
}

void Form_Main::showEvent(QShowEvent* event) {
    if (!m_loaded) {
        m_loaded = true;
        Load();
    }
    QWidget::showEvent(event);
}

void Form_Main::Load() {
    自定义方法::InitData();
    // Navigation waits for the first frame (paintEvent), so the window does not wait for the
    // browser engine to start.
    m_adPending = true;
}

void Form_Main::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (m_adPending) {
        m_adPending = false;
        // Queued: runs once this frame has been flushed to the screen.
        QTimer::singleShot(0, this, &Form_Main::NavigateAd);
    }
}

void Form_Main::NavigateAd() {
    m_ad = CreateAdPanel(this, AdGeometry, QUrl(AdvertisementAddress()));
}

void Form_Main::UpdateCheck() {
    // Hidden behind a tool window or not, the main window has its native window by now.
    const auto handle = static_cast<std::int32_t>(winId());
    const QByteArray address = UpdateNoticeAddress().toLocal8Bit(); // released on return
    CallDoUpdate(UpdateLibraryCandidates(), handle, address.constData());
}
