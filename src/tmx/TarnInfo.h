#pragma once

#include <string>

namespace tmx
{

/** A device's TARN product-line data; always copied and replaced as a whole. */
struct TarnInfo
{
    bool isTarn = false;
    std::string workspaceUUID;
    bool isHost = false;
};

} // namespace tmx
