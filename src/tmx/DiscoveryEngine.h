#pragma once

#include "tmx/DeviceCommand.h"
#include "tmx/DeviceEvent.h"
#include "tmx/DeviceInfo.h"
#include "tmx/EndpointConfig.h"
#include "tmx/protocol/IProtocol.h"
#include "tmx/transport/ITransport.h"

#include <juce_events/juce_events.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tmx
{

/** Owns the discovery channels and the device table; reports devices on the message thread. */
class DiscoveryEngine : private juce::Timer
{
public:
    class Listener
    {
    public:
        virtual ~Listener() = default;
        /** Always called on the message thread. It may stop the engine, never destroy it. */
        virtual void deviceChanged(const DeviceEvent& event) = 0;
    };

    /** One protocol paired with its transport. */
    struct Channel
    {
        uint32_t id = 0;  // 1 mDNS, 2 multicast, 3 broadcast
        std::unique_ptr<transport::ITransport> transport;
        std::unique_ptr<protocol::IProtocol> protocol;
        EndpointConfig endpoint;
    };

    DiscoveryEngine();
    ~DiscoveryEngine() override;

    /** (Re)builds the channels; message thread only. True when at least one channel started. */
    bool configure(const EndpointConfig& multicast, const EndpointConfig& broadcast, const EndpointConfig& mdns);

    bool addProtocol(uint32_t id, std::unique_ptr<transport::ITransport> transport,
                     std::unique_ptr<protocol::IProtocol> protocol, const EndpointConfig& endpoint);

    /** Stops the timer and every transport, destroys the channels and empties the table without events. */
    void stop();

    /** Sends one command to one device; true when a datagram went out. Otherwise whyNot, when given, gets the
        reason in a few words ("device not found", "not a unicast address"...). */
    bool sendCommand(const std::string& deviceId, const DeviceCommand& command, juce::String* whyNot = nullptr);
    bool sendRequest(uint32_t channelId, int kind, const DeviceInfo* record);

    void addListener(Listener* listener);
    void removeListener(Listener* listener);

    /** Supplies the record announced on the multicast channel; the application leaves it empty. */
    std::function<DeviceInfo()> onAnnounce;

private:
    class EventQueue;

    void timerCallback() override;
    void onPacket(protocol::IProtocol& protocol, const void* data, size_t size,
                  const juce::String& senderAddress, int senderPort);
    void handleDevice(DeviceEvent& incoming);
    void deliver(const DeviceEvent& event);

    juce::ListenerList<Listener> listeners;
    std::vector<std::unique_ptr<Channel>> channels;
    EndpointConfig multicastEndpoint, broadcastEndpoint, mdnsEndpoint;
    std::mutex mutex;
    std::map<std::string, DeviceInfo> devices;
    int32_t tickCounter = 0;

    // Events waiting for the message thread. Shared with the posted calls, which find the engine
    // through it and so never reach one that has been destroyed.
    std::shared_ptr<EventQueue> eventQueue;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DiscoveryEngine)
};

} // namespace tmx
