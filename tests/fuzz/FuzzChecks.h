// FuzzChecks.h - what must hold for any bytes fed to the two file readers.
//
// The fuzz targets trap when a check fails; the unit suite replays the seed corpus and every
// input a fuzz run ever found through the same checks.
#pragma once

#include "platform/Tga.h"
#include "scores/HighScores.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

// The TGA header check as ReadTgaFile runs it on a file holding these bytes. Returns "" when
// every property holds, else what broke.
inline std::string CheckTga(const std::uint8_t* data, std::size_t size) {
    constexpr TextureImage Before{nullptr, 7, 11, 13, 99};
    TextureImage texture = Before;
    std::size_t headerBytes = std::min(size, TgaHeaderSize);
    std::uint64_t count =
        TgaPixelBytes(texture, data, headerBytes, static_cast<std::int64_t>(size));

    if (texture.ImageData != nullptr || texture.TextureId != 99)
        return "touched ImageData or TextureId";
    bool headerRead =
        size >= TgaHeaderSize && std::memcmp(data, "\0\0\2\0\0\0\0\0\0\0\0\0", 12) == 0;
    if (!headerRead) {
        if (count != 0) return "accepted a short or foreign header";
        if (texture.Width != 11 || texture.Height != 13 || texture.BitsPerPixel != 7)
            return "a refused header changed the record";
        return "";
    }
    std::uint32_t width = data[12] | data[13] << 8, height = data[14] | data[15] << 8;
    if (texture.Width != width || texture.Height != height) return "wrong width or height";
    if (count == 0) return "";

    // Accepted: the pixels are really there, and the count is what the shape says.
    if (texture.BitsPerPixel != 24 && texture.BitsPerPixel != 32) return "accepted a depth";
    if (width == 0 || height == 0) return "accepted an empty image";
    if (count != std::uint64_t{width} * height * (texture.BitsPerPixel / 8)) return "wrong count";
    if (count > size - TgaHeaderSize) return "accepted pixels the file does not hold";

    // Copy them out as the game's one read does, so the sanitizers see every byte touched.
    texture.ImageData = new std::uint8_t[count];
    std::memcpy(texture.ImageData, data + TgaHeaderSize, count);
    bool same = texture.ImageData[count - 1] == data[TgaHeaderSize + count - 1];
    FreeTgaPixels(texture);
    if (!same || texture.ImageData != nullptr) return "pixel buffer";
    return "";
}

// The high-score file's bytes through the load's decoding, the save's encoding and the sort.
inline std::string CheckHighScores(const std::uint8_t* data, std::size_t size) {
    // Rubbish first: the decode must fill every one of slots 1..10.
    std::memset(HighScoreTable, 0xA5, sizeof HighScoreTable);
    DecodeHighScores(data, size);

    std::size_t records = std::min<std::size_t>(size / 16, 10);
    for (std::size_t slot = 1; slot <= 10; ++slot) {
        const HighScoreEntry& entry = HighScoreTable[slot];
        if (entry.NameLength > 10) return "name longer than ten in slot " + std::to_string(slot);
        if (slot > records) {
            if (EntryName(entry) != "--Player--" || entry.Points != 0)
                return "slot " + std::to_string(slot) + " is not the default entry";
            continue;
        }
        const std::uint8_t* in = data + (slot - 1) * 16;
        std::uint32_t points = in[12] | in[13] << 8 | in[14] << 16 | std::uint32_t{in[15]} << 24;
        if (entry.NameLength != std::min<std::uint8_t>(in[0], 10) ||
            std::memcmp(entry.Name, in + 1, 10) != 0 ||
            entry.Points != static_cast<std::int32_t>(points))
            return "slot " + std::to_string(slot) + " differs from its record";
    }

    // The save writes back what was read (a length byte above ten as ten).
    unsigned char out[HighScoreFileSize];
    EncodeHighScores(out);
    for (std::size_t slot = 1; slot <= records; ++slot) {
        const std::uint8_t* in = data + (slot - 1) * 16;
        const unsigned char* saved = out + (slot - 1) * 16;
        if (saved[0] != std::min<std::uint8_t>(in[0], 10) ||
            std::memcmp(saved + 1, in + 1, 15) != 0)
            return "the save changed record " + std::to_string(slot);
    }

    // The sort keeps the eleven entries and puts them best first.
    SetEntryName(HighScoreTable[11], "new");
    HighScoreTable[11].Points =
        size >= 4
            ? static_cast<std::int32_t>(data[size - 4] | data[size - 3] << 8 |
                                        data[size - 2] << 16 | std::uint32_t{data[size - 1]} << 24)
            : 0;
    auto pointsOf = [] {
        std::vector<std::int32_t> points;
        for (int slot = 1; slot <= 11; ++slot)
            points.push_back(HighScoreTable[slot].Points);
        return points;
    };
    std::vector<std::int32_t> before = pointsOf();
    SortHighScores();
    std::vector<std::int32_t> after = pointsOf();
    if (!std::is_sorted(after.rbegin(), after.rend())) return "the sort left them out of order";
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    if (before != after) return "the sort lost or made an entry";
    return "";
}

} // namespace fuzz
