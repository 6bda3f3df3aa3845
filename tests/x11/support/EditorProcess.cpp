#include "x11/support/EditorProcess.h"

#include <QFile>
#include <QTest>

namespace velto::test {

EditorProcess::EditorProcess(const QString& text)
    : m_path(m_dir.filePath(QStringLiteral("note.txt")))
{
    QFile file(m_path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

EditorProcess::~EditorProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool EditorProcess::launch(const QString& program, const QStringList& arguments)
{
    m_process.start(program, arguments);
    return m_process.waitForStarted(5000);
}

bool EditorProcess::start()
{
    return launch(QStringLiteral(VELTO_TEST_EDITOR), {m_path, QStringLiteral("--select-all")}) &&
           QTest::qWaitFor([&] { return QFile::exists(m_path + QStringLiteral(".focused")); },
                           15000);
}

QString EditorProcess::text() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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
