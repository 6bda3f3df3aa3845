#include "system/SelectionService.h"

#include "model/ClientLogger.h"
#include "platform/CancellationToken.h"
#include "platform/FocusedSelection.h"
#include "platform/Sleeper.h"
#include "platform/SyntheticKeys.h"
#include "platform/Workspace.h"

#include <QElapsedTimer>

namespace velto {

namespace {

QString milliseconds(const QElapsedTimer& timer)
{
    return QStringLiteral("%1 ms").arg(timer.elapsed());
}

} // namespace

SelectionService::SelectionService(FocusedSelection& focusedSelection, Clipboard& clipboard,
                                   SyntheticKeys& keys, Workspace& workspace, Sleeper& sleeper)
    : m_focusedSelection(focusedSelection), m_clipboard(clipboard), m_keys(keys),
      m_workspace(workspace), m_sleeper(sleeper)
{
}

std::optional<QString> SelectionService::trimmedText(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    QString trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

QCoro::Task<std::optional<QString>>
SelectionService::selectedTextViaAX(std::optional<SelectedRange>* range)
{
    std::optional<SelectedRange> selected = co_await m_focusedSelection.selectedRange();
    std::optional<QString> text =
        trimmedText(selected ? std::optional(selected->text) : std::nullopt);
    if (range)
        *range = text ? std::move(selected) : std::nullopt;
    co_return text;
}

QCoro::Task<std::optional<QString>>
SelectionService::selectedTextFromFocusedApp(std::optional<SelectedRange>* range)
{
    if (auto text = co_await selectedTextViaAX(range)) {
        ClientLogger::info(u"selection read through accessibility");
        co_return text;
    }

    const ClipboardSnapshot snapshot = co_await captureClipboard();
    const qint64 before = m_clipboard.changeCount();
    QElapsedTimer waited;
    waited.start();
    co_await sendChord(copyChord);
    // Read once the application has written, not after a guess: a busy one writes late.
    // A change of count, not of contents: older text on the clipboard is not a selection.
    const bool changed = co_await m_clipboard.waitForChange(before, copyChangeMaximum);
    ClientLogger::info(changed ? u"copy: clipboard changed after "
                               : u"copy: clipboard unchanged after ",
                       milliseconds(waited));
    std::optional<QString> copied;
    if (changed)
        copied = trimmedText(co_await m_clipboard.readString());
    restoreClipboard(snapshot);

    if (!copied) {
        ClientLogger::info(u"no selection: accessibility and copy gave nothing");
        co_return std::nullopt;
    }
    ClientLogger::info(u"selection read by copy");
    co_return copied;
}

QCoro::Task<ClipboardSnapshot> SelectionService::captureClipboard()
{
    std::optional<ClipboardSnapshot> items = co_await m_clipboard.readItems();
    co_return items.value_or(ClipboardSnapshot{});
}

void SelectionService::restoreClipboard(const ClipboardSnapshot& snapshot)
{
    m_clipboard.clearContents();
    if (snapshot.isEmpty())
        return;
    m_clipboard.writeItems(snapshot);
}

QCoro::Task<> SelectionService::sendChord(QKeyCombination chord)
{
    if (!m_keys.isAvailable() || !m_keys.canPost(chord))
        co_return;
    m_keys.post(chord, true);
    co_await m_sleeper.sleep(keyPressDuration);
    m_keys.post(chord, false);
}

QCoro::Task<bool> SelectionService::putOnClipboard(const QString& text)
{
    m_clipboard.clearContents();
    m_clipboard.setString(text);
    const std::optional<QString> back = co_await m_clipboard.readString();
    co_return back == text;
}

bool SelectionService::isSameApplication(const RunningApplication& a, const RunningApplication& b)
{
    if (a.processIdentifier > 0 && b.processIdentifier > 0)
        return a.processIdentifier == b.processIdentifier;
    // Without both process ids, the platform's handle is the best identity there is.
    return a.handle == b.handle;
}

QCoro::Task<SelectionService::PasteOutcome>
SelectionService::pasteText(QString text, std::optional<RunningApplication> source,
                            ClipboardSnapshot* restored)
{
    const ClipboardSnapshot snapshot = co_await captureClipboard();
    const bool onClipboard = co_await putOnClipboard(text);

    const std::optional<RunningApplication> current = m_workspace.activeApplication();
    if (source && current && !isSameApplication(*source, *current)) {
        restoreClipboard(snapshot);
        co_return PasteOutcome::applicationSwitched;
    }
    if (!onClipboard) {
        // Ctrl+V now would paste whatever the clipboard held before.
        ClientLogger::warning(u"paste: the clipboard did not take the text, nothing is pasted");
        co_return PasteOutcome::notWritten;
    }

    if (source && !m_workspace.isTerminated(*source))
        co_await bringBack(*source, current);
    if (!m_keys.isAvailable() || !m_keys.canPost(pasteChord))
        co_return PasteOutcome::pasteFailed;
    // Reads asked before the key (a clipboard manager recording the change) are not the paste.
    m_clipboard.expectTextRead();
    co_await sendChord(pasteChord);
    co_await waitForPaste();
    restoreClipboard(snapshot);
    if (restored)
        *restored = snapshot;
    co_return PasteOutcome::pasted;
}

QCoro::Task<> SelectionService::bringBack(RunningApplication source,
                                          std::optional<RunningApplication> current)
{
    if (current && current->handle == source.handle) {
        ClientLogger::info(u"paste: the source window kept the focus");
        co_return;
    }
    QElapsedTimer waited;
    waited.start();
    m_workspace.activate(source);
    const bool active = co_await m_workspace.waitUntilActive(source, activationDelay);
    ClientLogger::info(active ? u"paste: the source window is active again after "
                              : u"paste: the source window is not reported active after ",
                       milliseconds(waited));
}

QCoro::Task<> SelectionService::waitForPaste()
{
    QElapsedTimer waited;
    waited.start();
    // Restoring before the application has taken the text would paste the user's clipboard.
    if (!co_await m_clipboard.waitForTextRead(pasteReadMaximum)) {
        ClientLogger::warning(u"paste: the text was not taken, the clipboard is restored after ",
                              milliseconds(waited));
        co_return;
    }
    ClientLogger::info(u"paste: the text was taken after ", milliseconds(waited));
    co_await m_sleeper.sleep(pasteSettleDelay);
}

QCoro::Task<SelectionService::PasteOutcome>
SelectionService::replaceSelection(QString text, std::optional<SelectedRange> range,
                                   std::optional<RunningApplication> source,
                                   ClipboardSnapshot* restored)
{
    if (range) {
        // Awaited into a variable: g++ 12 miscompiles a co_await in a switch's condition.
        const FocusedSelection::Replacement replacement =
            co_await m_focusedSelection.replace(*range, text);
        switch (replacement) {
        case FocusedSelection::Replacement::replaced:
            ClientLogger::info(u"selection replaced through accessibility");
            co_return PasteOutcome::replacedInPlace;
        case FocusedSelection::Replacement::halfApplied: {
            // The user's clipboard is given up for the text: it is the one copy left of it.
            const bool onClipboard = co_await putOnClipboard(text);
            co_return onClipboard ? PasteOutcome::halfReplaced : PasteOutcome::halfReplacedNotKept;
        }
        case FocusedSelection::Replacement::notApplicable:
            break;
        }
    }
    co_return co_await pasteText(std::move(text), std::move(source), restored);
}

QCoro::Task<> SelectionService::guardRestoredClipboard(ClipboardSnapshot snapshot, QString pasted,
                                                       std::shared_ptr<CancellationToken> token)
{
    const qint64 restoredAt = m_clipboard.changeCount();
    if (!co_await m_sleeper.sleep(clipboardGuardDelay, token))
        co_return;
    if (m_clipboard.changeCount() == restoredAt)
        co_return;
    const std::optional<QString> now = co_await m_clipboard.readString();
    if (token && token->isCancelled())
        co_return;
    if (now && QString(*now).remove(u'\r') == pasted.remove(u'\r'))
        restoreClipboard(snapshot);
}

} // namespace velto
