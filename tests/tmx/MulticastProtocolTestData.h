#pragma once

// A "deviceInfo" message as a TARN unit with two interfaces sends it (about 690 bytes).
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
