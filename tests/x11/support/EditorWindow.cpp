#include "x11/support/EditorWindow.h"

#include "x11/support/TestKeyboard.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>

namespace velto::test {

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000))
        return {};
    return process.readAllStandardOutput().trimmed();
}

QByteArray xdotool(const QStringList& arguments)
{
    return run(QStringLiteral("xdotool"), arguments);
}

bool activateWindow(std::uint32_t window)
{
    // A busy window manager may not be managing a new window yet when first asked: ask again
    // until it is active.
    const QString id = QString::number(window);
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        xdotool({QStringLiteral("windowactivate"), id});
        if (QTest::qWaitFor(
                [&] { return xdotool({QStringLiteral("getactivewindow")}).toUInt() == window; },
                1000))
            return true;
    }
    return false;
}

EditorWindow::EditorWindow(const QString& text, Toolkit toolkit)
    : EditorProcess(text), m_toolkit(toolkit)
{
}

bool EditorWindow::start()
{
    const QString program =
        m_toolkit == Toolkit::gtk ? QStringLiteral("l3afpad") : QStringLiteral(VELTO_TEST_EDITOR);
    if (!launch(program, {m_path}))
        return false;
    const QString pid = QString::number(m_process.processId());
    // Only the visible window: GTK's hidden leader window comes first otherwise.
    const bool found = QTest::qWaitFor(
        [&] {
            const QByteArray ids =
                xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--pid"), pid});
            m_window = ids.isEmpty() ? 0 : ids.split('\n').first().toUInt();
            return m_window != 0 || m_process.state() != QProcess::Running;
        },
        20000);
    if (found && m_window && activate())
        return true;
    // Say why: the editor's own words, whether it runs, what the display shows of it.
    std::fprintf(stderr,
                 "---- %s did not come up (%s, window %u) ----\n%s\n"
                 "windows of pid %s: %s\nall visible windows: %s\nactive window: %s\n"
                 "window manager: %s\n",
                 qPrintable(program),
                 m_process.state() == QProcess::Running ? "running" : "not running", m_window,
                 qPrintable(output()), qPrintable(pid),
                 xdotool({QStringLiteral("search"), QStringLiteral("--pid"), pid}).constData(),
                 xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--name"), QStringLiteral(".")})
                     .constData(),
                 xdotool({QStringLiteral("getactivewindow")}).constData(),
                 run(QStringLiteral("xprop"),
                     {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK"),
                      QStringLiteral("_NET_ACTIVE_WINDOW")})
                     .constData());
    return false;
}

bool EditorWindow::activate()
{
    return activateWindow(m_window);
}

bool EditorWindow::saveAndWaitFor(TestKeyboard& keyboard, const QString& expected)
{
    // Wait for this save, not just for the content: a file that already held the text would
    // otherwise be read back while the editor is still rewriting it.
    auto modified = [this] {
        struct stat info
        {
        };
        if (::stat(QFile::encodeName(m_path).constData(), &info) != 0)
            return std::pair<qint64, qint64>{-1, -1};
        return std::pair<qint64, qint64>{info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
    };
    const auto before = modified();
    keyboard.chord({TestKeyboard::controlL}, 's');
    return QTest::qWaitFor([&] { return modified() != before && text() == expected; }, 5000);
}

} // namespace velto::test
