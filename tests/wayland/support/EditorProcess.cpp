#include "wayland/support/EditorProcess.h"

#include <QFile>
#include <QTest>

namespace velto::test {

EditorProcess::EditorProcess(QString text)
    : m_initialText(std::move(text)), m_path(m_dir.filePath(QStringLiteral("text")))
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

EditorProcess::~EditorProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool EditorProcess::start()
{
    m_process.start(QStringLiteral(VELTO_WAYLAND_TEST_EDITOR), {m_initialText, m_path});
    if (!m_process.waitForStarted(5000))
        return false;
    return QTest::qWaitFor([&] { return QFile::exists(m_path + QStringLiteral(".focused")); },
                           15000);
}

QString EditorProcess::text() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool EditorProcess::waitForText(const QString& text, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return this->text() == text; }, timeoutMs);
}

QString EditorProcess::output() const
{
    return QString::fromLocal8Bit(m_process.readAll());
}

} // namespace velto::test
