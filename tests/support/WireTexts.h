#pragma once

// The commands a device should receive, written out by hand from the wire formats so tests compare against an
// independent text rather than the code under test.

#include "SimulatedDevice.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace wire
{
/** The pretty "action" message; params arrive with their inner quotes already '#', none when empty. */
std::string action(const std::string& mac, int port, const std::string& params);

std::string finderParams(bool on);

struct IfaceParams
{
    bool dhcp;
    std::string ip, mask;
};

std::string networkParams(const std::string& gw, const std::string& dns1, const std::string& dns2,
                          const IfaceParams& first, const IfaceParams& second);

/** The 24-byte Finder frame of the broadcast family. */
std::vector<uint8_t> veskFinderFrame(bool on);

/** The 55-byte network-settings frame; empty addresses are four zero bytes. */
std::vector<uint8_t> veskSettingsFrame(const std::array<uint8_t, 6>& mac, bool dhcp,
                                       const std::vector<std::string>& addresses);

/** What a device received on a port, without the broadcast queries that also arrive there. */
std::vector<SimulatedDevice::Datagram> commandsOn(const SimulatedDevice& device, int port);
} // namespace wire
