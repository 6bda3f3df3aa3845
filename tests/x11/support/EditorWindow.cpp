#include "x11/support/EditorWindow.h"

#include "x11/support/TestKeyboard.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cstdio>

namespace velto::test {

QByteArray xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(5000) ? process.readAllStandardOutput().trimmed() : QByteArray();
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
    : m_path(m_dir.filePath(QStringLiteral("note.txt"))), m_toolkit(toolkit)
{
    QFile file(m_path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    if (toolkit == Toolkit::qtAccessible) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        m_process.setProcessEnvironment(environment);
    }
}

EditorWindow::~EditorWindow()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool EditorWindow::startSelectingAll()
{
    return startTestEditor({QStringLiteral("--select-all")});
}

bool EditorWindow::startSelecting(int from, int to)
{
    return startTestEditor({QStringLiteral("--select"), QStringLiteral("%1:%2").arg(from).arg(to)});
}

bool EditorWindow::startTestEditor(const QStringList& selection)
{
    QStringList arguments = QStringList{m_path} + selection;
    if (busyKeysMs > 0)
        arguments << QStringLiteral("--busy-keys") << QString::number(busyKeysMs);
    m_process.start(QStringLiteral(VELTO_TEST_EDITOR), arguments);
    return m_process.waitForStarted(5000) &&
           QTest::qWaitFor([&] { return QFile::exists(m_path + QStringLiteral(".focused")); },
                           15000);
}

bool EditorWindow::startUnwatched()
{
    m_process.start(m_toolkit == Toolkit::gtk ? QStringLiteral("l3afpad")
                                              : QStringLiteral(VELTO_TEST_EDITOR),
                    {m_path});
    return m_process.waitForStarted(5000);
}

bool EditorWindow::start()
{
    const QString program =
        m_toolkit == Toolkit::gtk ? QStringLiteral("l3afpad") : QStringLiteral(VELTO_TEST_EDITOR);
    QStringList arguments{m_path};
    if (m_toolkit == Toolkit::qt && busyKeysMs > 0)
        arguments << QStringLiteral("--busy-keys") << QString::number(busyKeysMs);
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(5000))
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
    // Say why: the editor's own words, whether it runs, which window has the focus instead.
    std::fprintf(stderr, "---- %s did not come up (%s, window %u, active window %s) ----\n%s\n",
                 qPrintable(program),
                 m_process.state() == QProcess::Running ? "running" : "not running", m_window,
                 xdotool({QStringLiteral("getactivewindow")}).constData(), qPrintable(output()));
    return false;
}

QString EditorWindow::text() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool EditorWindow::waitForText(const QString& text) const
{
    return QTest::qWaitFor([&] { return this->text() == text; }, 5000);
}

bool EditorWindow::activate()
{
    return activateWindow(m_window);
}

bool EditorWindow::waitUntilActive() const
{
    return QTest::qWaitFor(
        [&] { return xdotool({QStringLiteral("getactivewindow")}).trimmed().toUInt() == m_window; },
        5000);
}

bool EditorWindow::saveAndWaitFor(TestKeyboard& keyboard, const QString& expected)
{
    // Wait for this save, not just for the content: a file that already held the text would
    // otherwise be read back while the editor is still rewriting it.
    const auto modified = [this] { return QFileInfo(m_path).lastModified(); };
    const QDateTime before = modified();
    keyboard.chord({TestKeyboard::controlL}, 's');
    return QTest::qWaitFor([&] { return modified() != before && text() == expected; }, 5000);
}

} // namespace velto::test
