#include "tmx/DiscoveryEngine.h"

#include "tmx/DeviceText.h"
#include "tmx/MessageKind.h"
#include "tmx/protocol/BroadcastProtocol.h"
#include "tmx/protocol/MdnsProtocol.h"
#include "tmx/protocol/MulticastProtocol.h"
#include "tmx/transport/BroadcastTransport.h"
#include "tmx/transport/Ipv4Literal.h"
#include "tmx/transport/LocalInterfaces.h"
#include "tmx/transport/MdnsTransport.h"
#include "tmx/transport/MulticastTransport.h"

#include <deque>

namespace tmx
{

namespace
{
    constexpr uint32_t mdnsChannelId = 1;
    constexpr uint32_t multicastChannelId = 2;
    constexpr uint32_t broadcastChannelId = 3;

    constexpr int tickMilliseconds = 1000;
    constexpr int32_t tickCounterLimit = 10000;

    const char* channelName(uint32_t id)
    {
        switch (id)
        {
            case mdnsChannelId: return "mDNS";
            case multicastChannelId: return "multicast";
            case broadcastChannelId: return "broadcast";
            default: return "unknown";
        }
    }

    /** Why a command must not go to this address, empty when it may. A device's own address can only name
        that device: one that reaches many hosts, or this machine, came from a broken or hostile device. */
    juce::String refusalFor(const std::string& host, bool isDeviceAddress)
    {
        uint32_t address = 0;
        if (! transport::Ipv4Literal::parse(host, address))
            return "not an IPv4 address";
        if (! isDeviceAddress)
            return {};
        if (! transport::Ipv4Literal::isUnicast(address))
            return "not a unicast address";
        if (transport::LocalInterfaces::isLocalAddress(address))
            return "address of this machine";
        if (transport::LocalInterfaces::isSubnetBroadcast(address))
            return "broadcast address of a local network";
        return {};
    }
}

//==============================================================================
/*  Events travel to the message thread through this queue rather than one posted call each. A receive thread
    queues the events of a burst of datagrams and asks for delivery once its socket has nothing more waiting
    (or after a good number of events), and one posted call drains the queue in order. The calls hold the queue,
    not the engine, and the engine detaches itself when it goes, so a call still queued then finds nothing to do. */
class DiscoveryEngine::EventQueue : public std::enable_shared_from_this<EventQueue>
{
public:
    explicit EventQueue(DiscoveryEngine& owner) : engine(&owner) {}

    /** Any thread. True when the caller must schedule a delivery now (after releasing its own locks):
        only when a long burst has not been announced yet; otherwise requestDelivery follows. */
    bool push(DeviceEvent&& event)
    {
        std::lock_guard<std::mutex> guard(lock);
        pending.push_back(std::move(event));
        if (scheduled || ++unannounced < burstLimit)
            return false;
        scheduled = true;
        unannounced = 0;
        return true;
    }

    /** Any thread. True when the caller must schedule a delivery for what is waiting. */
    bool requestDelivery()
    {
        std::lock_guard<std::mutex> guard(lock);
        if (scheduled || pending.empty())
            return false;
        scheduled = true;
        unannounced = 0;
        return true;
    }

    void scheduleDelivery()
    {
        std::weak_ptr<EventQueue> weakSelf = shared_from_this();
        const bool posted = juce::MessageManager::callAsync([weakSelf]
        {
            if (auto self = weakSelf.lock())
                self->deliverPending();
        });

        if (! posted)
        {
            // No message loop to deliver on: nobody can be told, so nothing is kept.
            std::lock_guard<std::mutex> guard(lock);
            pending.clear();
            scheduled = false;
        }
    }

    /** Message thread: the events of a table that was emptied must not arrive after it. */
    void discardPending()
    {
        std::lock_guard<std::mutex> guard(lock);
        pending.clear();
    }

    /** Message thread, from the engine's destructor. */
    void detach()
    {
        std::lock_guard<std::mutex> guard(lock);
        engine = nullptr;
        pending.clear();
    }

private:
    // Bounded so that a flood of events never keeps the message thread from its other work.
    static constexpr int maxEventsPerCall = 256;
    // Events of one burst that may wait for its end before a delivery is asked for anyway.
    static constexpr int burstLimit = 64;

    void deliverPending()
    {
        for (int delivered = 0; delivered < maxEventsPerCall; ++delivered)
        {
            DeviceEvent event;
            DiscoveryEngine* target = nullptr;
            {
                std::lock_guard<std::mutex> guard(lock);
                if (engine == nullptr || pending.empty())
                {
                    scheduled = false;
                    return;
                }
                event = std::move(pending.front());
                pending.pop_front();
                target = engine;
            }
            // A listener may stop the engine, which the next round sees through the queue, but must not destroy it:
            // the walk over its listeners still runs inside it.
            target->deliver(event);
        }

        {
            std::lock_guard<std::mutex> guard(lock);
            if (engine == nullptr || pending.empty())
            {
                scheduled = false;
                return;
            }
        }
        scheduleDelivery();
    }

    std::mutex lock;
    std::deque<DeviceEvent> pending;
    bool scheduled = false;
    int unannounced = 0;
    DiscoveryEngine* engine;  // cleared on the message thread when the engine goes
};

//==============================================================================
DiscoveryEngine::DiscoveryEngine()
    : eventQueue(std::make_shared<EventQueue>(*this))
{
}

DiscoveryEngine::~DiscoveryEngine()
{
    stop();
    eventQueue->detach();
}

bool DiscoveryEngine::configure(const EndpointConfig& multicast, const EndpointConfig& broadcast,
                                const EndpointConfig& mdns)
{
    stop();

    multicastEndpoint = multicast;
    broadcastEndpoint = broadcast;
    mdnsEndpoint = mdns;

    bool anyStarted = false;

    if (mdnsEndpoint.anyFlagSet())
        anyStarted = addProtocol(mdnsChannelId, std::make_unique<transport::MdnsTransport>(mdnsEndpoint),
                                 std::make_unique<protocol::MdnsProtocol>(), mdnsEndpoint)
                     || anyStarted;

    if (multicastEndpoint.anyFlagSet())
        anyStarted = addProtocol(multicastChannelId,
                                 std::make_unique<transport::MulticastTransport>(multicastEndpoint),
                                 std::make_unique<protocol::MulticastProtocol>(), multicastEndpoint)
                     || anyStarted;

    if (broadcastEndpoint.anyFlagSet())
        anyStarted = addProtocol(broadcastChannelId,
                                 std::make_unique<transport::BroadcastTransport>(broadcastEndpoint),
                                 std::make_unique<protocol::BroadcastProtocol>(), broadcastEndpoint)
                     || anyStarted;

    tickCounter = 0;

    if (anyStarted)
        startTimer(tickMilliseconds);

    return anyStarted;
}

bool DiscoveryEngine::addProtocol(uint32_t id, std::unique_ptr<transport::ITransport> transport,
                                  std::unique_ptr<protocol::IProtocol> protocol, const EndpointConfig& endpoint)
{
    auto channel = std::make_unique<Channel>();
    channel->id = id;
    channel->transport = std::move(transport);
    channel->protocol = std::move(protocol);
    channel->endpoint = endpoint;

    // The receive thread reaches the engine and this channel's protocol directly, never the channel list.
    auto* channelProtocol = channel->protocol.get();
    channel->transport->onPacket = [this, channelProtocol](const void* data, size_t size,
                                                           const juce::String& senderAddress, int senderPort)
    {
        onPacket(*channelProtocol, data, size, senderAddress, senderPort);
    };
    channel->transport->onIdle = [queue = eventQueue.get()]
    {
        if (queue->requestDelivery())
            queue->scheduleDelivery();
    };

    if (! channel->transport->start())
    {
        // Started before the network was up, say: without this line nothing would tell why no device shows.
        juce::Logger::writeToLog("Channel failed to start! Channel: " + juce::String(channelName(id)) + " - Reason: "
                                 + channel->transport->getStartFailure());
        return false;
    }

    channels.push_back(std::move(channel));
    return true;
}

void DiscoveryEngine::stop()
{
    stopTimer();

    for (auto& channel : channels)
        channel->transport->stop();

    channels.clear();

    {
        std::lock_guard<std::mutex> guard(mutex);
        devices.clear();
    }

    // Events still on their way describe the table just emptied; delivered now they would bring back
    // devices that no removal would ever follow.
    eventQueue->discardPending();
}

void DiscoveryEngine::onPacket(protocol::IProtocol& protocol, const void* data, size_t size,
                               const juce::String& senderAddress, int senderPort)
{
    DeviceEvent event;
    int kind = MessageKind::none;

    bool parsed = false;
    try
    {
        parsed = protocol.parse(data, size, senderAddress, senderPort, kind, event);
    }
    catch (...)
    {
        // Whatever a datagram does to a parser, it must not end the receive thread.
        parsed = false;
    }

    if (parsed && kind == MessageKind::deviceInfo)
        handleDevice(event);
}

void DiscoveryEngine::handleDevice(DeviceEvent& incoming)
{
    bool mustSchedule = false;
    {
        std::lock_guard<std::mutex> guard(mutex);

        auto known = devices.find(incoming.info.id);
        if (known == devices.end())
        {
            devices.emplace(incoming.info.id, incoming.info);
            juce::Logger::writeToLog("New device! Name: " + logText(deviceText(incoming.info.name)) + " - ID: "
                                     + logText(deviceText(incoming.info.id)));
            incoming.event = DeviceEvent::added;
        }
        else
        {
            // The first message fixes the device's identity; later ones only keep it alive and current.
            auto& stored = known->second;
            stored.expiry = incoming.info.expiry;
            stored.ip = incoming.info.ip;
            stored.finder = incoming.info.finder;
            if (incoming.info.protocolId == multicastChannelId)
                stored.tarn = incoming.info.tarn;
            incoming.event = DeviceEvent::updated;
        }

        // Queued under the table's lock, so two channels reporting one device cannot swap its events.
        // The incoming event is the packet handler's own, unused after this: it moves into the queue.
        mustSchedule = eventQueue->push(std::move(incoming));
    }

    if (mustSchedule)
        eventQueue->scheduleDelivery();
}

void DiscoveryEngine::deliver(const DeviceEvent& event)
{
    listeners.call([&event](Listener& listener) { listener.deviceChanged(event); });
}

void DiscoveryEngine::timerCallback()
{
    ++tickCounter;

    if (multicastEndpoint.announce != 0 && onAnnounce)
    {
        const auto record = onAnnounce();
        sendRequest(multicastChannelId, MessageKind::deviceInfo, &record);
    }

    if (broadcastEndpoint.query != 0 && tickCounter % 2 == 0)
        sendRequest(broadcastChannelId, MessageKind::query, nullptr);

    if (multicastEndpoint.enabled != 0 || broadcastEndpoint.enabled != 0 || mdnsEndpoint.enabled != 0)
    {
        const auto now = juce::Time::getCurrentTime();
        bool mustSchedule = false;
        {
            std::lock_guard<std::mutex> guard(mutex);
            for (auto entry = devices.begin(); entry != devices.end();)
            {
                const auto& stored = entry->second;
                if (now > stored.expiry)
                {
                    juce::Logger::writeToLog("Device timeout! Name: " + logText(deviceText(stored.name))
                                             + " ID: " + logText(deviceText(stored.id)));
                    DeviceEvent removal;
                    removal.event = DeviceEvent::removed;
                    removal.info = stored;
                    mustSchedule = eventQueue->push(std::move(removal)) || mustSchedule;
                    entry = devices.erase(entry);
                }
                else
                {
                    ++entry;
                }
            }
        }

        if (eventQueue->requestDelivery() || mustSchedule)
            eventQueue->scheduleDelivery();
    }

    if (tickCounter >= tickCounterLimit)
        tickCounter = 0;
}

bool DiscoveryEngine::sendRequest(uint32_t channelId, int kind, const DeviceInfo* record)
{
    for (auto& channel : channels)
    {
        if (channel->id != channelId)
            continue;

        const auto bytes = record != nullptr ? channel->protocol->buildAnnouncement(*record, kind)
                                             : channel->protocol->buildRequest(kind);
        if (bytes.empty())
            return false;

        return channel->transport->send(channel->endpoint.address, channel->endpoint.port + 1, bytes.data(),
                                         bytes.size());
    }
    return false;
}

bool DiscoveryEngine::sendCommand(const std::string& deviceId, const DeviceCommand& command, juce::String* whyNot)
{
    const auto fail = [whyNot](const juce::String& reason)
    {
        if (whyNot != nullptr)
            *whyNot = reason;
        return false;
    };

    // Held to the end, the send included: the transport's own send lock always comes second.
    std::lock_guard<std::mutex> guard(mutex);

    const auto known = devices.find(deviceId);
    if (known == devices.end())
        return fail("device not found");

    const auto& device = known->second;
    for (auto& channel : channels)
    {
        if (channel->id != device.protocolId)
            continue;

        if (channel->endpoint.allowCommands == 0)
            return fail("commands not allowed");

        const auto bytes = channel->protocol->buildCommand(device, command);
        if (bytes.empty())
            return fail("command not supported");

        // The device's address came from the network: a name there is never looked up, and a command goes
        // to that one device or nowhere.
        const bool toDevice = channel->id == broadcastChannelId;
        const auto host = toDevice ? device.ip : channel->endpoint.address.toStdString();
        if (const auto refusal = refusalFor(host, toDevice); refusal.isNotEmpty())
        {
            const auto reason = refusal.substring(0, 1).toUpperCase() + refusal.substring(1);
            juce::Logger::writeToLog("Command not sent! " + reason + ": " + logText(deviceText(host)) + " - ID: "
                                     + logText(deviceText(device.id)));
            return fail(refusal);
        }
        if (! channel->transport->send(juce::String(host), channel->endpoint.port + 1, bytes.data(), bytes.size()))
            return fail("send failed");
        return true;
    }
    return fail("commands not allowed");
}

void DiscoveryEngine::addListener(Listener* listener)
{
    listeners.add(listener);
}

void DiscoveryEngine::removeListener(Listener* listener)
{
    listeners.remove(listener);
}

} // namespace tmx
