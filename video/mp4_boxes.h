#pragma once
// A finished MP4 as the encoder should leave it: the top-level boxes walked from the file's
// start, each inside the file. An encoder that exits 0 after writing garbage, or one killed
// before it wrote its index, leaves a file that fails this check.
#include <cstdint>
#include <string>
#include <vector>

namespace velomira {

struct Mp4Box {
    std::string type;
    std::uint64_t offset = 0;
    std::uint64_t size = 0; // with its header
};

struct Mp4Layout {
    bool readable = false; // the file could be opened and its size read
    bool ftyp = false;
    bool moov = false;
    bool mdat = false;
    std::string problem; // empty when every box lies within the file
    std::uint64_t fileSize = 0;
    std::vector<Mp4Box> boxes; // the top-level boxes read, in file order

    // The index (moov) comes before the media (mdat), so a player can start while the file is
    // still arriving.
    bool indexFirst() const;

    // ftyp, moov and mdat present, and nothing overruns the end of the file.
    bool complete() const { return readable && ftyp && moov && mdat && problem.empty(); }
};

Mp4Layout readMp4Layout(const std::string& path);

// Why a layout is not a playable video, for messages ("没有 moov"); empty when complete.
std::string describeMp4Problem(const Mp4Layout& layout);

} // namespace velomira
