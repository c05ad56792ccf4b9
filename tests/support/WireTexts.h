#pragma once

// The texts and frames of both device families, written out by hand from the wire formats, so tests compare
// the program against an independent copy and the simulated device speaks without the program's classes.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace wire
{
constexpr const char* group = "239.12.34.0";
constexpr int announcePort = 1235;
constexpr int veskReplyPort = 45454;

/** A datagram's bytes as text, and a text as the bytes that carry it. */
inline std::string text(const std::vector<uint8_t>& bytes) { return { bytes.begin(), bytes.end() }; }
inline std::vector<uint8_t> bytes(const std::string& text) { return { text.begin(), text.end() }; }

/** A "deviceInfo" message as a TARN unit with two interfaces sends it (about 690 bytes). */
inline constexpr char typicalDeviceInfo[] = R"({
  "api": "TMXv1",
  "msg": "deviceInfo",
  "name": "Stage Left",
  "model": "TARN-X16",
  "fw": "3.2.14",
  "ip": "192.168.10.41",
  "port": 80,
  "web": "192.168.10.41:80",
  "finder": false,
  "finderStatus": false,
  "networks": [
    { "name": "eth0", "ip": "192.168.10.41", "mac": "00:1b:c5:0a:41:7e", "dhcp": true,
      "mask": "255.255.255.0", "gw": "192.168.10.1", "dns1": "192.168.10.1", "dns2": "" },
    { "name": "eth1", "ip": "10.20.0.41", "mac": "00-1B-C5-0A-41-7F", "dhcp": false,
      "mask": "255.255.0.0", "gw": "10.20.0.1", "dns1": "10.20.0.1", "dns2": "" }
  ],
  "tarn": { "workspaceUUID": "6f1c2d3e-8a9b-4c5d-9e0f-1a2b3c4d5e6f", "isHost": true },
  "uptime": 184467
})";

/** The 23-byte broadcast query. */
std::vector<uint8_t> query();

/** One element of "networks". */
std::string jsonNet(const std::string& ip, const std::string& mac, bool dhcp = false,
                    const std::string& mask = "255.255.255.0", const std::string& gw = "",
                    const std::string& dns1 = "", const std::string& dns2 = "");

/** A compact "deviceInfo" message (model "SIM-1", firmware "1.0.0", port 80, web "<ip>:80"); extra members
    such as `"tarn":{...}` are appended as they are. */
std::string deviceInfo(const std::string& name, const std::string& ip, const std::vector<std::string>& networks,
                       const std::string& extraMembers = "");

/** What a VESK device puts in its 219-byte reply. */
struct Vesk
{
    std::string model = "XVESK-8", name = "Sim vesk";
    std::array<uint8_t, 6> mac { 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E };
    uint8_t mode = 1;
    std::string ip, mask = "255.255.255.0", gw = "0.0.0.0", host, fw = "2.1";
    bool finder = false, formB = false;
};
std::vector<uint8_t> veskReply(const Vesk& device);

/** The pretty "action" message; params with their inner quotes already '#', none when empty. */
std::string action(const std::string& mac, int port, const std::string& params);
std::string finderParams(bool on);

struct Iface
{
    bool dhcp;
    std::string ip, mask;
};
std::string networkParams(const std::string& gw, const std::string& dns1, const std::string& dns2, const Iface& first,
                          const Iface& second);

/** The 24-byte Finder frame of the broadcast family. */
std::vector<uint8_t> veskFinder(bool on);
/** The 55-byte network-settings frame; an empty address is four zero bytes. */
std::vector<uint8_t> veskSettings(const std::array<uint8_t, 6>& mac, bool dhcp, const std::vector<std::string>& addresses);
} // namespace wire
