#include "platform/SessionType.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

Q_DECLARE_METATYPE(velto::SessionType)

class SessionTypeTest : public QObject
{
    Q_OBJECT

private slots:
    void backendFollowsTheSession_data()
    {
        QTest::addColumn<QString>("xdgSessionType");
        QTest::addColumn<QString>("waylandDisplay");
        QTest::addColumn<SessionType>("expected");
        QTest::newRow("wayland session") << "wayland"
                                         << "wayland-0" << SessionType::wayland;
        QTest::newRow("wayland session, display not set yet") << "wayland"
                                                              << "" << SessionType::wayland;
        QTest::newRow("x11 session with XWayland's socket around")
            << "x11"
            << "wayland-0" << SessionType::x11;
        QTest::newRow("case and spaces") << " Wayland "
                                         << "" << SessionType::wayland;
        QTest::newRow("tty with a Wayland display") << "tty"
                                                    << "wayland-1" << SessionType::wayland;
        QTest::newRow("startx from a console") << "tty"
                                               << "" << SessionType::x11;
        QTest::newRow("nothing known") << ""
                                       << "" << SessionType::x11;
        QTest::newRow("nothing but a display") << ""
                                               << "wayland-0" << SessionType::wayland;
        QTest::newRow("blank display") << ""
                                       << "  " << SessionType::x11;
    }

    void backendFollowsTheSession()
    {
        QFETCH(QString, xdgSessionType);
        QFETCH(QString, waylandDisplay);
        QFETCH(SessionType, expected);
        QCOMPARE(sessionTypeOf(xdgSessionType, waylandDisplay), expected);
    }
};

VELTO_REGISTER_TEST(SessionTypeTest);
#include "SessionTypeTest.moc"
