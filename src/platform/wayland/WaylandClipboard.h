#pragma once

#include "platform/Clipboard.h"
#include "platform/StateWaiter.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <memory>

struct zwlr_data_control_device_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

namespace velto {

class WaylandConnection;

// The clipboard through wlr data-control on the app's own windowless connection: Qt's clipboard
// sees nothing while another application has the focus on Wayland, data-control always does.
// One item whose types are the offer's MIME types, each read byte for byte. The change count
// is the number of selection changes the compositor reported, our own ones counted when made.
class WaylandClipboard : public QObject, public Clipboard
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds captureBudget{5000};
    static constexpr std::chrono::milliseconds readyBudget{2000};
    static inline const QString passwordManagerHint = QStringLiteral("x-kde-passwordManagerHint");

    explicit WaylandClipboard(WaylandConnection& connection);
    ~WaylandClipboard() override;

    // False while the compositor has not answered yet, and when it offers no data-control.
    bool isAvailable() const;

    QCoro::Task<std::optional<ClipboardSnapshot>> readItems() override;
    QCoro::Task<std::optional<QString>> readString() override;
    qint64 changeCount() override;
    void clearContents() override;
    void setString(const QString& text) override;
    void writeItems(const ClipboardSnapshot& items) override;
    QCoro::Task<bool> waitForChange(qint64 since, std::chrono::milliseconds maximum) override;
    // The compositor does not say who reads: every text transfer of our current text asked
    // after the mark counts, so a clipboard manager that reads it late is taken for the paste.
    void expectTextRead() override;
    QCoro::Task<bool> waitForTextRead(std::chrono::milliseconds maximum) override;

    // The text of the primary selection (what is selected now, where the application offers
    // it); none when there is none or the compositor has no primary selection.
    QCoro::Task<std::optional<QString>> readPrimaryString();

signals:
    // A selection change by anyone (for tests and waiters).
    void changed();

private:
    struct Offer;
    struct Source;

    static void handleDataOffer(void* data, zwlr_data_control_device_v1* device,
                                zwlr_data_control_offer_v1* offer);
    static void handleSelection(void* data, zwlr_data_control_device_v1* device,
                                zwlr_data_control_offer_v1* offer);
    static void handlePrimarySelection(void* data, zwlr_data_control_device_v1* device,
                                       zwlr_data_control_offer_v1* offer);
    static void handleFinished(void* data, zwlr_data_control_device_v1* device);
    static void handleOfferType(void* data, zwlr_data_control_offer_v1* offer,
                                const char* mimeType);
    static void handleSend(void* data, zwlr_data_control_source_v1* source, const char* mimeType,
                           std::int32_t fd);
    static void handleCancelled(void* data, zwlr_data_control_source_v1* source);

    void createDevice();
    void destroyDevice();
    QCoro::Task<bool> waitUntilReady();
    std::shared_ptr<Offer> takePendingOffer(zwlr_data_control_offer_v1* offer);
    void selectionChanged(std::shared_ptr<Offer> offer);
    void own(const ClipboardItem& data);
    static QCoro::Task<ClipboardItem> readOffer(std::shared_ptr<Offer> offer, QStringList types,
                                                WaylandConnection& connection);
    static std::optional<QString> textOf(const ClipboardItem& item);

    WaylandConnection& m_connection;
    zwlr_data_control_device_v1* m_device = nullptr;
    QHash<zwlr_data_control_offer_v1*, std::shared_ptr<Offer>> m_pendingOffers;
    std::shared_ptr<Offer> m_selection;
    std::shared_ptr<Offer> m_primary;
    QHash<zwlr_data_control_source_v1*, std::shared_ptr<Source>> m_sources;
    // What we put on the clipboard, while it is still ours (read back without a transfer).
    std::optional<ClipboardItem> m_owned;
    // Our own changes, counted when made; the compositor's report of each (the same types,
    // soon after) is then skipped.
    struct OwnChange
    {
        QStringList types;
        QDeadlineTimer expires;
    };
    QList<OwnChange> m_ownChanges;
    qint64 m_changeCount = 0;
    StateWaiter m_waiter;
    // The source behind m_owned.
    zwlr_data_control_source_v1* m_ownedSource = nullptr;
    // The source whose text transfers count as the paste, while one is expected.
    zwlr_data_control_source_v1* m_expectedReadSource = nullptr;
    bool m_textRead = false;
};

} // namespace velto
