#pragma once

#include "platform/Clipboard.h"
#include "platform/FocusedSelection.h"
#include "platform/RunningApplication.h"

#include <QKeyCombination>
#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

class Clipboard;
class CancellationToken;
class Sleeper;
class SyntheticKeys;
class Workspace;

// Reads the selection of the active application and pastes text over it, leaving the user's
// clipboard as it was. Keeps no state between calls.
class SelectionService
{
public:
    enum class PasteOutcome
    {
        pasted,
        applicationSwitched,
        // No paste key could be posted: the text is left on the clipboard for the user.
        pasteFailed,
        // Written into the range that was read, through the accessibility bus: the clipboard
        // and the keyboard were never used.
        replacedInPlace,
        // The range was changed but does not hold the text: nothing is pasted on top of it, and
        // the text is left on the clipboard for the user.
        halfReplaced,
        // Nothing was written and the clipboard does not hold the text either (a session with no
        // clipboard we can write): the caller has the one copy of it.
        notWritten,
        // As halfReplaced, but the clipboard does not hold the text: the caller has the one copy.
        halfReplacedNotKept
    };

    // Terminals take these with Shift as well; the X11 keys add it there.
    static constexpr QKeyCombination copyChord{Qt::ControlModifier, Qt::Key_C};
    static constexpr QKeyCombination pasteChord{Qt::ControlModifier, Qt::Key_V};
    static constexpr std::chrono::milliseconds keyPressDuration{25};
    // How long the application has to put the copied selection on the clipboard.
    static constexpr std::chrono::milliseconds copyChangeMaximum{500};
    // How long the window manager has to bring the source back to the front.
    static constexpr std::chrono::milliseconds activationDelay{80};
    // How long a busy application has to ask for the pasted text before the user's clipboard
    // comes back anyway.
    static constexpr std::chrono::milliseconds pasteReadMaximum{1000};
    // After the text was taken: time for an application that asks again (in another type).
    static constexpr std::chrono::milliseconds pasteSettleDelay{80};
    // How long after the restore a target that takes the clipboard with the pasted text (GTK
    // editors do, some only after the restore) is watched for.
    static constexpr std::chrono::milliseconds clipboardGuardDelay{300};

    SelectionService(FocusedSelection& focusedSelection, Clipboard& clipboard, SyntheticKeys& keys,
                     Workspace& workspace, Sleeper& sleeper);

    // The focused element's selection, trimmed; none when unreadable or blank. Where it was read
    // goes to `range` when given.
    QCoro::Task<std::optional<QString>>
    selectedTextViaAX(std::optional<SelectedRange>* range = nullptr);
    // The selection by the direct route, else by a synthetic copy; trimmed. Never fails. `range`
    // holds where it was read when the direct route read it, none otherwise.
    QCoro::Task<std::optional<QString>>
    selectedTextFromFocusedApp(std::optional<SelectedRange>* range = nullptr);
    QCoro::Task<ClipboardSnapshot> captureClipboard();
    void restoreClipboard(const ClipboardSnapshot& snapshot);
    // One press and release of the chord.
    QCoro::Task<> sendChord(QKeyCombination chord);
    // Pastes text over the selection of source (the application in front when the rewrite was
    // asked for) and puts the clipboard back. Pastes nothing when the user has switched away;
    // when no paste key can be posted, leaves the text on the clipboard instead of throwing it
    // away. A paste reads the clipboard, so when the clipboard does not take the text, no key is
    // posted at all. After a paste, snapshot holds what was restored, for
    // guardRestoredClipboard().
    QCoro::Task<PasteOutcome> pasteText(QString text, std::optional<RunningApplication> source,
                                        ClipboardSnapshot* snapshot = nullptr);

    // Writes text over the selection that was read at `range`, in place where its application
    // allows it (no clipboard, no key, no activation), else by pasteText(). Never both: a
    // replacement left half done is not pasted over.
    QCoro::Task<PasteOutcome> replaceSelection(QString text, std::optional<SelectedRange> range,
                                               std::optional<RunningApplication> source,
                                               ClipboardSnapshot* snapshot = nullptr);

    // Some targets (GTK editors) take the clipboard with the pasted text a moment after the
    // restore; puts the snapshot back once more if so. Runs after the rewrite has ended, so it
    // delays nothing; a cancelled token (a new rewrite started) ends it without touching the
    // clipboard.
    QCoro::Task<> guardRestoredClipboard(ClipboardSnapshot snapshot, QString pasted,
                                         std::shared_ptr<CancellationToken> token = {});

    // Without leading and trailing white space and line breaks; none when nothing is left.
    static std::optional<QString> trimmedText(const std::optional<QString>& text);

private:
    // Replaces the clipboard's contents with text; true when reading it back gives the text,
    // which a session without a clipboard we may write never does.
    QCoro::Task<bool> putOnClipboard(const QString& text);
    static bool isSameApplication(const RunningApplication& a, const RunningApplication& b);
    // Makes source the active application again unless it still is (current).
    QCoro::Task<> bringBack(RunningApplication source, std::optional<RunningApplication> current);
    // Until the application in front has taken the text on the clipboard, bounded.
    QCoro::Task<> waitForPaste();

    FocusedSelection& m_focusedSelection;
    Clipboard& m_clipboard;
    SyntheticKeys& m_keys;
    Workspace& m_workspace;
    Sleeper& m_sleeper;
};

} // namespace velto
