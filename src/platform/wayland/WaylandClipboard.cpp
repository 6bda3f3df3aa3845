#include "platform/wayland/WaylandClipboard.h"

#include "model/ClientLogger.h"
#include "platform/wayland/PipeReader.h"
#include "platform/wayland/PipeWriter.h"
#include "platform/wayland/WaylandConnection.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <fcntl.h>
#include <qcoro/qcorosignal.h>
#include <unistd.h>
#include <wayland-client.h>

namespace velto {

namespace {

// Text types in the order they are trusted to hold UTF-8.
const QStringList textTypes = {QStringLiteral("text/plain;charset=utf-8"),
                               QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain"),
                               QStringLiteral("TEXT"), QStringLiteral("STRING")};
// What our own text offers: the UTF-8 types every toolkit asks for.
const QStringList ownTextTypes = {QStringLiteral("text/plain;charset=utf-8"),
                                  QStringLiteral("text/plain"), QStringLiteral("UTF8_STRING")};
// The compositor reports our own change right after it is made; one that never comes must not
// make a later change by someone else look like ours.
constexpr int ownChangeEchoMs = 1000;
// A MIME type is short; anything longer is not one we will ask for.
constexpr qsizetype maxTypeLength = 1024;
constexpr int maxTypesPerOffer = 256;

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

struct WaylandClipboard::Offer
{
    zwlr_data_control_offer_v1* proxy = nullptr;
    QStringList types;

    explicit Offer(zwlr_data_control_offer_v1* offer) : proxy(offer) {}
    ~Offer()
    {
        if (proxy)
            zwlr_data_control_offer_v1_destroy(proxy);
    }
    Offer(const Offer&) = delete;
    Offer& operator=(const Offer&) = delete;
};

struct WaylandClipboard::Source
{
    WaylandClipboard* owner = nullptr;
    zwlr_data_control_source_v1* proxy = nullptr;
    ClipboardItem data;

    ~Source()
    {
        if (proxy)
            zwlr_data_control_source_v1_destroy(proxy);
    }
};

WaylandClipboard::WaylandClipboard(WaylandConnection& connection) : m_connection(connection)
{
    if (m_connection.state() == WaylandConnection::State::ready)
        createDevice();
    connect(&m_connection, &WaylandConnection::ready, this, [this] { createDevice(); });
    connect(&m_connection, &WaylandConnection::failed, this, [this] { destroyDevice(); });
}

WaylandClipboard::~WaylandClipboard()
{
    destroyDevice();
    m_connection.flush();
}

bool WaylandClipboard::isAvailable() const
{
    return m_device != nullptr;
}

void WaylandClipboard::createDevice()
{
    if (m_device || !m_connection.dataControl() || !m_connection.seat())
        return;
    static const zwlr_data_control_device_v1_listener listener = {
        &WaylandClipboard::handleDataOffer, &WaylandClipboard::handleSelection,
        &WaylandClipboard::handleFinished, &WaylandClipboard::handlePrimarySelection};
    m_device = zwlr_data_control_manager_v1_get_data_device(m_connection.dataControl(),
                                                            m_connection.seat());
    zwlr_data_control_device_v1_add_listener(m_device, &listener, this);
    m_connection.flush();
}

void WaylandClipboard::destroyDevice()
{
    m_selection.reset();
    m_primary.reset();
    m_pendingOffers.clear();
    m_sources.clear();
    m_owned.reset();
    if (m_device) {
        zwlr_data_control_device_v1_destroy(m_device);
        m_device = nullptr;
    }
}

void WaylandClipboard::handleDataOffer(void* data, zwlr_data_control_device_v1*,
                                       zwlr_data_control_offer_v1* proxy)
{
    auto* self = static_cast<WaylandClipboard*>(data);
    if (!proxy)
        return;
    static const zwlr_data_control_offer_v1_listener listener = {
        &WaylandClipboard::handleOfferType};
    auto offer = std::make_shared<Offer>(proxy);
    zwlr_data_control_offer_v1_add_listener(proxy, &listener, offer.get());
    self->m_pendingOffers.insert(proxy, std::move(offer));
}

void WaylandClipboard::handleOfferType(void* data, zwlr_data_control_offer_v1*,
                                       const char* mimeType)
{
    auto* offer = static_cast<Offer*>(data);
    if (!mimeType)
        return;
    const QString type = QString::fromUtf8(mimeType);
    if (type.isEmpty() || type.size() > maxTypeLength || offer->types.contains(type) ||
        offer->types.size() >= maxTypesPerOffer)
        return;
    offer->types.append(type);
}

std::shared_ptr<WaylandClipboard::Offer>
WaylandClipboard::takePendingOffer(zwlr_data_control_offer_v1* proxy)
{
    if (!proxy)
        return nullptr;
    return m_pendingOffers.take(proxy);
}

void WaylandClipboard::handleSelection(void* data, zwlr_data_control_device_v1*,
                                       zwlr_data_control_offer_v1* proxy)
{
    auto* self = static_cast<WaylandClipboard*>(data);
    self->selectionChanged(self->takePendingOffer(proxy));
}

void WaylandClipboard::handlePrimarySelection(void* data, zwlr_data_control_device_v1*,
                                              zwlr_data_control_offer_v1* proxy)
{
    auto* self = static_cast<WaylandClipboard*>(data);
    self->m_primary = self->takePendingOffer(proxy);
}

void WaylandClipboard::handleFinished(void* data, zwlr_data_control_device_v1*)
{
    auto* self = static_cast<WaylandClipboard*>(data);
    ClientLogger::warning(u"wayland clipboard unavailable: ",
                          u"the compositor ended the data-control device");
    self->destroyDevice();
}

void WaylandClipboard::selectionChanged(std::shared_ptr<Offer> offer)
{
    const QStringList types = offer ? sorted(offer->types) : QStringList{};
    m_selection = std::move(offer);
    while (!m_ownChanges.isEmpty() && m_ownChanges.first().expires.hasExpired())
        m_ownChanges.removeFirst();
    if (!m_ownChanges.isEmpty() && m_ownChanges.first().types == types) {
        m_ownChanges.removeFirst();
        emit changed();
        return;
    }
    m_ownChanges.clear();
    m_owned.reset();
    m_expectedReadSource = nullptr;
    ++m_changeCount;
    m_waiter.notify();
    emit changed();
}

QCoro::Task<bool> WaylandClipboard::waitUntilReady()
{
    if (m_connection.state() == WaylandConnection::State::connecting)
        co_await qCoro(&m_connection, &WaylandConnection::ready, readyBudget);
    co_return isAvailable();
}

QCoro::Task<std::optional<ClipboardSnapshot>> WaylandClipboard::readItems()
{
    if (!co_await waitUntilReady())
        co_return std::nullopt;
    if (m_owned) {
        ClipboardSnapshot owned;
        owned.append(*m_owned);
        co_return owned;
    }
    if (!m_selection)
        co_return std::nullopt;
    std::shared_ptr<Offer> offer = m_selection;
    ClipboardItem item = co_await readOffer(offer, offer->types, m_connection);
    ClipboardSnapshot snapshot;
    snapshot.append(item);
    co_return snapshot;
}

QCoro::Task<std::optional<QString>> WaylandClipboard::readString()
{
    if (!co_await waitUntilReady())
        co_return std::nullopt;
    if (m_owned)
        co_return textOf(*m_owned);
    if (!m_selection)
        co_return std::nullopt;
    std::shared_ptr<Offer> offer = m_selection;
    for (const QString& type : textTypes) {
        if (!offer->types.contains(type))
            continue;
        // Named before the await: g++ 12 miscompiles braced temporaries there.
        const QStringList wanted{type};
        co_return textOf(co_await readOffer(offer, wanted, m_connection));
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> WaylandClipboard::readPrimaryString()
{
    if (!co_await waitUntilReady() || !m_primary)
        co_return std::nullopt;
    std::shared_ptr<Offer> offer = m_primary;
    for (const QString& type : textTypes) {
        if (!offer->types.contains(type))
            continue;
        // Named before the await: g++ 12 miscompiles braced temporaries there.
        const QStringList wanted{type};
        co_return textOf(co_await readOffer(offer, wanted, m_connection));
    }
    co_return std::nullopt;
}

QCoro::Task<ClipboardItem> WaylandClipboard::readOffer(std::shared_ptr<Offer> offer,
                                                       QStringList types,
                                                       WaylandConnection& connection)
{
    // Ask for every type at once, then read them in the order asked: the owner answers in
    // that order, and the offer may be replaced while we read.
    QList<QPair<QString, int>> pipes;
    for (const QString& type : types) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            continue;
        zwlr_data_control_offer_v1_receive(offer->proxy, type.toUtf8().constData(), ends[1]);
        ::close(ends[1]);
        pipes.append({type, ends[0]});
    }
    connection.flush();

    ClipboardItem item;
    const QDeadlineTimer deadline(captureBudget);
    for (qsizetype i = 0; i < pipes.size(); ++i) {
        const auto& [type, fd] = pipes.at(i);
        const auto left = std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 1));
        std::optional<QByteArray> bytes = co_await PipeReader::readAll(fd, left);
        if (bytes)
            item.insert(type, *bytes);
        else
            ClientLogger::warning(u"clipboard type unreadable: ", type);
    }
    co_return item;
}

std::optional<QString> WaylandClipboard::textOf(const ClipboardItem& item)
{
    for (const QString& type : textTypes) {
        const auto it = item.constFind(type);
        if (it != item.constEnd())
            return QString::fromUtf8(*it);
    }
    return std::nullopt;
}

qint64 WaylandClipboard::changeCount()
{
    return m_changeCount;
}

void WaylandClipboard::clearContents()
{
    if (!m_device)
        return;
    zwlr_data_control_device_v1_set_selection(m_device, nullptr);
    m_connection.flush();
    m_owned.reset();
    m_expectedReadSource = nullptr;
    m_ownChanges.append({{}, QDeadlineTimer(ownChangeEchoMs)});
    ++m_changeCount;
}

void WaylandClipboard::setString(const QString& text)
{
    ClipboardItem item;
    const QByteArray bytes = text.toUtf8();
    for (const QString& type : ownTextTypes)
        item.insert(type, bytes);
    item.insert(passwordManagerHint, QByteArrayLiteral("secret"));
    own(item);
}

void WaylandClipboard::writeItems(const ClipboardSnapshot& items)
{
    // The Wayland clipboard holds one item: every type of every item, the first one winning.
    ClipboardItem merged;
    for (const ClipboardItem& item : items) {
        for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
            if (!merged.contains(it.key()))
                merged.insert(it.key(), it.value());
        }
    }
    if (merged.isEmpty()) {
        clearContents();
        return;
    }
    own(merged);
}

void WaylandClipboard::own(const ClipboardItem& data)
{
    if (!m_device)
        return;
    static const zwlr_data_control_source_v1_listener listener = {
        &WaylandClipboard::handleSend, &WaylandClipboard::handleCancelled};
    auto source = std::make_shared<Source>();
    source->owner = this;
    source->data = data;
    source->proxy = zwlr_data_control_manager_v1_create_data_source(m_connection.dataControl());
    zwlr_data_control_source_v1_add_listener(source->proxy, &listener, source.get());
    for (auto it = data.constBegin(); it != data.constEnd(); ++it)
        zwlr_data_control_source_v1_offer(source->proxy, it.key().toUtf8().constData());
    zwlr_data_control_device_v1_set_selection(m_device, source->proxy);
    m_connection.flush();
    m_sources.insert(source->proxy, source);
    m_owned = data;
    m_ownedSource = source->proxy;
    m_expectedReadSource = nullptr;
    m_ownChanges.append({sorted(data.keys()), QDeadlineTimer(ownChangeEchoMs)});
    ++m_changeCount;
}

void WaylandClipboard::handleSend(void* data, zwlr_data_control_source_v1*, const char* mimeType,
                                  std::int32_t fd)
{
    auto* source = static_cast<Source*>(data);
    const auto it =
        mimeType ? source->data.constFind(QString::fromUtf8(mimeType)) : source->data.constEnd();
    if (it == source->data.constEnd()) {
        ::close(fd);
        return;
    }
    WaylandClipboard* self = source->owner;
    const bool counts = self->m_expectedReadSource == source->proxy && textTypes.contains(it.key());
    zwlr_data_control_source_v1* proxy = source->proxy;
    // The clipboard outlives its writers (their parent); the source may not, hence the proxy.
    PipeWriter::start(fd, it.value(), self, [self, counts, proxy] {
        if (!counts || self->m_expectedReadSource != proxy)
            return;
        self->m_textRead = true;
        self->m_waiter.notify();
    });
}

QCoro::Task<bool> WaylandClipboard::waitForChange(qint64 since, std::chrono::milliseconds maximum)
{
    co_return co_await m_waiter.waitUntil([this, since] { return m_changeCount > since; }, maximum);
}

void WaylandClipboard::expectTextRead()
{
    m_textRead = false;
    m_expectedReadSource = m_owned ? m_ownedSource : nullptr;
}

QCoro::Task<bool> WaylandClipboard::waitForTextRead(std::chrono::milliseconds maximum)
{
    co_return co_await m_waiter.waitUntil([this] { return m_textRead; }, maximum);
}

void WaylandClipboard::handleCancelled(void* data, zwlr_data_control_source_v1* proxy)
{
    auto* source = static_cast<Source*>(data);
    // Removing it from the table destroys it (and this listener's data with it).
    source->owner->m_sources.remove(proxy);
}

} // namespace velto
