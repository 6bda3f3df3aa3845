#include "ui/TrayIcon.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QSystemTrayIcon>
#include <QVariantAnimation>

namespace velto {

namespace {

// Drawn at build time at each size; "%1" is the size.
const QString logoPngPath = QStringLiteral(":/Velto/Status/StatusLogo-%1.png");
const QString logoPath = QStringLiteral(":/Velto/Ui/icons/StatusLogo.svg");
const QString fallbackPath = QStringLiteral(":/Velto/Ui/icons/die.face.5.svg");

// The symbol as a mask filled with one colour.
QPixmap tinted(const QString& path, int size, const QColor& color, qreal opacity)
{
    QImageReader reader(path);
    if (path.endsWith(u".png")) {
        // Asked to guess, Qt loads every image plugin (the SVG one too) before its own PNG reader.
        reader.setFormat("png");
        reader.setAutoDetectImageFormat(false);
    }
    reader.setScaledSize(QSize(size, size));
    QImage mask = reader.read();
    if (mask.isNull())
        return {};
    mask = mask.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&mask);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(mask.rect(), color);
    painter.end();
    if (opacity < 1.0) {
        QImage faded(mask.size(), QImage::Format_ARGB32_Premultiplied);
        faded.fill(Qt::transparent);
        QPainter fade(&faded);
        fade.setOpacity(opacity);
        fade.drawImage(0, 0, mask);
        fade.end();
        mask = faded;
    }
    return QPixmap::fromImage(mask);
}

} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), m_tray(std::make_unique<QSystemTrayIcon>())
{
    m_tray->setIcon(makeStatusIcon());
    m_tray->setToolTip(QStringLiteral("Velto"));
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // The second of two quick clicks arrives as a double click: it is still the
                // click that closes the panel the first one opened.
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context ||
                    reason == QSystemTrayIcon::DoubleClick)
                    emit clicked();
            });
    m_tray->show();
}

TrayIcon::~TrayIcon() = default;

QIcon TrayIcon::makeStatusIcon(qreal opacity)
{
    // Qt 6.4 has no colour-scheme hint: a dark palette means a dark panel, so a light logo.
    const bool dark = QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
    const QColor color = dark ? QColor(0xf5, 0xf5, 0xf7) : QColor(0x1d, 0x1d, 0x1f);
    for (const QString& path : {logoPngPath, logoPath, fallbackPath}) {
        QIcon icon;
        for (const int size : {16, 18, 22, 24, 32, 48}) {
            const QString file = path.contains(u"%1") ? path.arg(size) : path;
            const QPixmap pixmap = tinted(file, size, color, opacity);
            if (!pixmap.isNull())
                icon.addPixmap(pixmap);
        }
        if (!icon.isNull())
            return icon;
    }
    return {};
}

QRect TrayIcon::geometry() const
{
    return m_tray->geometry();
}

bool TrayIcon::isPulsing() const
{
    return m_pulse && m_pulse->state() == QAbstractAnimation::Running;
}

void TrayIcon::setPulsing(bool pulsing)
{
    if (pulsing == isPulsing())
        return;
    if (!pulsing) {
        m_pulse->stop();
        showOpacity(1.0);
        return;
    }
    if (!m_pulse) {
        // 1.0 to 0.4 in 0.7 s and back, for as long as the rewrite runs.
        m_pulse = std::make_unique<QVariantAnimation>();
        m_pulse->setDuration(1400);
        m_pulse->setKeyValueAt(0.0, 1.0);
        m_pulse->setKeyValueAt(0.5, 0.4);
        m_pulse->setKeyValueAt(1.0, 1.0);
        m_pulse->setEasingCurve(QEasingCurve::InOutSine);
        m_pulse->setLoopCount(-1);
        connect(m_pulse.get(), &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { showOpacity(value.toReal()); });
    }
    m_pulse->start();
}

void TrayIcon::showOpacity(qreal opacity)
{
    // Redrawn in twelve steps: a tray repaints a new icon each time, so not at every frame.
    const int step = qRound((1.0 - opacity) / 0.6 * 12);
    if (step == m_shownStep)
        return;
    m_shownStep = step;
    m_tray->setIcon(makeStatusIcon(1.0 - step * 0.6 / 12));
}

} // namespace velto
