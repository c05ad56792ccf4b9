#pragma once

#include "support/Printers.h"
#include "support/WireTexts.h"
#include "tmx/protocol/IProtocol.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

/** Parses a datagram from a block of exactly its size (a read past it trips the sanitizer) and writes what parse
    made of it as one line of fields, e.g. `ok=1 kind=4 from=10.231.0.2:1236 id=... net0=2/eth0/<mac>/1/...`.
    The expiry reads `5s` when it lies 5 s after the call, to the millisecond. */
inline std::string parsed(tmx::protocol::IProtocol& protocol, const std::vector<uint8_t>& datagram)
{
    const auto block = std::make_unique<uint8_t[]>(datagram.size() + 1);
    std::copy(datagram.begin(), datagram.end(), block.get());
    tmx::DeviceEvent event;
    int kind = -1;
    const auto before = juce::Time::currentTimeMillis();
    const bool ok = protocol.parse(block.get(), datagram.size(), "10.231.0.2", 1236, kind, event);
    const auto expiry = event.info.expiry.toMilliseconds() - 5000;
    const auto& d = event.info;
    std::ostringstream line;
    line << "ok=" << ok << " kind=" << kind << " from=" << event.senderAddress << ':' << event.senderPort
         << " id=" << d.id << " name=" << d.name << " model=" << d.model << " fw=" << d.fw << " ip=" << d.ip
         << " port=" << d.port << " web=" << d.web << " finder=" << d.finder << '/' << d.finderStatus
         << " proto=" << d.protocolId << " expiry="
         << (expiry >= before && expiry <= juce::Time::currentTimeMillis() ? "5s" : std::to_string(expiry - before));
    for (int i = 0; i < 2; ++i)
    {
        const auto& n = d.networks[size_t(i)];
        line << " net" << i << '=' << n.state << '/' << n.name << '/' << n.mac << '/' << n.dhcp << '/' << n.ip << '/'
             << n.mask << '/' << n.gw << '/' << n.dns1 << '/' << n.dns2;
    }
    line << " tarn=" << d.tarn.isTarn << '/' << d.tarn.workspaceUUID << '/' << d.tarn.isHost;
    return line.str();
}

/** Every fragment stands in the line as whole fields. */
inline void expectFields(const std::string& line, const std::vector<std::string>& fragments)
{
    for (const auto& fragment : fragments)
        EXPECT_NE((' ' + line + ' ').find(' ' + fragment + ' '), std::string::npos) << fragment << "\n in " << line;
}
