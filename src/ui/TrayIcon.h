#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>
#include <memory>

class QSystemTrayIcon;
class QVariantAnimation;

namespace velto {

// The tray icon: the bundled logo drawn light or dark to suit the panel, a left or right click
// to toggle the quick panel, and the pulse while a rewrite runs. Nothing animates while idle.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // The logo, else the die symbol, else an empty icon; at the opacity given.
    static QIcon makeStatusIcon(qreal opacity = 1.0);
    // Empty when the tray does not say where the icon is (StatusNotifierItem hosts).
    QRect geometry() const;
    bool isPulsing() const;
    void setPulsing(bool pulsing);

signals:
    void clicked();

private:
    void showOpacity(qreal opacity);

    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<QVariantAnimation> m_pulse;
    int m_shownStep = -1;
};

} // namespace velto
