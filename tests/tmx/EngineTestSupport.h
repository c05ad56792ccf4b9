#pragma once

#include "support/EventRecorder.h"
#include "support/LogCapture.h"
#include "support/MessageLoopWait.h"
#include "support/SimulatedDevice.h"
#include "support/TestNetwork.h"
#include "tmx/DiscoveryEndpoints.h"
#include "tmx/DiscoveryEngine.h"

#include <gtest/gtest.h>

#include <memory>

/** The engine in the test's namespace, one simulated device on a veth link, a listener and the log.
    Members go in reverse order: the engine stops before the device, the network and the log. */
struct EngineHarness
{
    static constexpr const char* jsonMac = "02:00:00:00:00:01";
    static constexpr const char* jsonId = "02:00:00:00:00:01-80";
    static constexpr const char* veskId = "00:1A:2B:3C:4D:5E-80";

    LogCapture logs;
    TestNetwork network;
    TestNetwork::Link link;
    std::unique_ptr<SimulatedDevice> device;
    EventRecorder recorder;
    std::unique_ptr<tmx::DiscoveryEngine> engine;

    EngineHarness()
    {
        link = network.addConnectedHost();
        device = std::make_unique<SimulatedDevice>(*link.host, juce::StringArray(link.remoteAddress));
        EXPECT_TRUE(device->isRunning());
        device->setIdentity(jsonIdentity());
        engine = std::make_unique<tmx::DiscoveryEngine>();
        engine->addListener(&recorder);
    }

    ~EngineHarness()
    {
        engine.reset();
        device.reset();
    }

    /** The JSON device's usual description: one interface on its veth address. */
    SimulatedDevice::JsonIdentity jsonIdentity() const
    {
        SimulatedDevice::JsonIdentity identity;
        identity.ip = link.remoteAddress.toStdString();
        identity.web = identity.ip + ":80";
        SimulatedDevice::Interface eth0;
        eth0.ip = identity.ip;
        eth0.mac = jsonMac;
        identity.networks.push_back(eth0);
        return identity;
    }

    bool configureStandard()
    {
        const auto endpoints = tmx::DiscoveryEndpoints::standard();
        return engine->configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns);
    }

    bool waitForEvent(uint32_t code, const std::string& id, size_t count = 1, int timeoutMs = 10000)
    {
        return pumpUntil([&] { return recorder.count(code, id) >= count; }, timeoutMs);
    }
};
