#include "platform/linux/AtspiEditableText.h"

#include "model/ClientLogger.h"
#include "platform/linux/AtspiBus.h"
#include "platform/linux/AtspiReplies.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QStringList>

namespace velto {

using namespace atspi;

namespace {

using Replacement = FocusedSelection::Replacement;

const QString textInterface = QStringLiteral("org.a11y.atspi.Text");
const QString editableTextInterface = QStringLiteral("org.a11y.atspi.EditableText");

constexpr int stateEditable = 7;

} // namespace

AtspiEditableText::AtspiEditableText(AtspiBus& bus) : m_bus(bus) {}

QDBusMessage AtspiEditableText::callOn(const SelectedRange& range, const QString& interface,
                                       const QString& method) const
{
    return QDBusMessage::createMethodCall(range.application, range.object, interface, method);
}

QCoro::Task<Replacement> AtspiEditableText::replace(SelectedRange range, QString text)
{
    if (!m_bus.isConnected() || range.application.isEmpty() || range.object.isEmpty())
        co_return Replacement::notApplicable;
    const QDeadlineTimer checks(checkBudget);
    if (!co_await isEditable(range, checks)) {
        ClientLogger::info(u"no in-place replacement: the text is not editable there");
        co_return Replacement::notApplicable;
    }
    if (!co_await stillSelected(range, checks)) {
        ClientLogger::info(u"no in-place replacement: the selection changed since it was read");
        co_return Replacement::notApplicable;
    }
    const std::optional<Units> units = co_await unitsOf(range, text, checks);
    if (!units) {
        ClientLogger::info(u"no in-place replacement: the application's toolkit is unknown");
        co_return Replacement::notApplicable;
    }

    const QDeadlineTimer writes(writeBudget);
    QDBusMessage deleteRequest = callOn(range, editableTextInterface, QStringLiteral("DeleteText"));
    deleteRequest << range.start << range.end;
    const QDBusMessage deleted = co_await m_bus.call(deleteRequest, writes);
    if (!isReply(deleted, QLatin1String("b")) || !deleted.arguments().constFirst().toBool()) {
        // An application answers its calls in order: this read comes after the delete, whatever
        // became of it.
        const std::optional<QString> after = co_await textAt(range, range.start, range.end, writes);
        if (after == range.text)
            co_return Replacement::notApplicable;
        ClientLogger::error(u"in-place replacement left half done: ",
                            u"the delete failed but changed the text");
        co_return Replacement::halfApplied;
    }
    if (!text.isEmpty()) {
        QDBusMessage insertRequest =
            callOn(range, editableTextInterface, QStringLiteral("InsertText"));
        insertRequest << range.start << text << units->insertLength;
        // Its answer is not trusted either way (some toolkits always say yes): the read-back is.
        co_await m_bus.call(insertRequest, writes);
    }
    const std::optional<QString> written =
        co_await textAt(range, range.start, range.start + units->offsetLength, writes);
    if (written != text) {
        ClientLogger::error(u"in-place replacement left half done: ",
                            written ? u"the text read back differs"
                                    : u"the text cannot be read back");
        co_return Replacement::halfApplied;
    }
    co_return Replacement::replaced;
}

QCoro::Task<bool> AtspiEditableText::isEditable(const SelectedRange& range, QDeadlineTimer deadline)
{
    const QDBusMessage interfacesRequest =
        callOn(range, accessibleInterface, QStringLiteral("GetInterfaces"));
    const QDBusMessage interfaces = co_await m_bus.call(interfacesRequest, deadline);
    if (!isReply(interfaces, QLatin1String("as")) ||
        !qdbus_cast<QStringList>(interfaces.arguments().constFirst())
             .contains(editableTextInterface))
        co_return false;
    // Read-only text views still offer the interface, and refuse its calls.
    const QDBusMessage stateRequest =
        callOn(range, accessibleInterface, QStringLiteral("GetState"));
    const QDBusMessage state = co_await m_bus.call(stateRequest, deadline);
    co_return hasState(state, stateEditable);
}

QCoro::Task<bool> AtspiEditableText::stillSelected(const SelectedRange& range,
                                                   QDeadlineTimer deadline)
{
    QDBusMessage request = callOn(range, textInterface, QStringLiteral("GetSelection"));
    request << 0;
    const QDBusMessage selection = co_await m_bus.call(request, deadline);
    if (!isReply(selection, QLatin1String("ii")) ||
        selection.arguments().at(0).toInt() != range.start ||
        selection.arguments().at(1).toInt() != range.end)
        co_return false;
    const std::optional<QString> text = co_await textAt(range, range.start, range.end, deadline);
    co_return text == range.text;
}

QCoro::Task<std::optional<AtspiEditableText::Units>>
AtspiEditableText::unitsOf(const SelectedRange& range, const QString& text, QDeadlineTimer deadline)
{
    const int bytes = int(text.toUtf8().size());
    if (bytes == text.size()) // plain ASCII: every count agrees
        co_return Units{bytes, bytes};
    // InsertText's length is in UTF-8 bytes for the ATK bridge (GTK, LibreOffice, browsers);
    // Qt takes it, and its offsets, in UTF-16 code units.
    QDBusMessage request = QDBusMessage::createMethodCall(
        range.application, rootPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    request << QStringLiteral("org.a11y.atspi.Application") << QStringLiteral("ToolkitName");
    const QDBusMessage toolkit = co_await m_bus.call(request, deadline);
    if (!isReply(toolkit, QLatin1String("v")))
        co_return std::nullopt;
    const QString name =
        qdbus_cast<QDBusVariant>(toolkit.arguments().constFirst()).variant().toString();
    if (name == QLatin1String("Qt"))
        co_return Units{int(text.size()), int(text.size())};
    co_return Units{bytes, int(text.toUcs4().size())};
}

QCoro::Task<std::optional<QString>> AtspiEditableText::textAt(const SelectedRange& range, int start,
                                                              int end, QDeadlineTimer deadline)
{
    QDBusMessage request = callOn(range, textInterface, QStringLiteral("GetText"));
    request << start << end;
    const QDBusMessage text = co_await m_bus.call(request, deadline);
    if (!isReply(text, QLatin1String("s")))
        co_return std::nullopt;
    co_return text.arguments().constFirst().toString();
}

} // namespace velto
