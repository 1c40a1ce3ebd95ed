// Makes the Blorb files of the tests at build time, from our own stories and records:
//   lantern_make_blorb OUT [--zcode FILE | --exec ID FILE] [--record FILE] [--cover WxH]
//                      [--sound BYTES] [--names FILE] [--picture N WxH]
//                      [--indexed N WxH RRGGBB] [--rect N WxH] [--adaptive N]
//                      [--reso WxH] [--release N] [--aiff N:HZ:MS] [--truncated N:HZ:MS]
//                      [--ogg N:HZ:MS] [--mod N:ROWS] [--junk N:ID] [--loop N:PLAYS,...]
// --names adds the IFhd of the story FILE (a resource file kept beside that story); --sound adds
// a sound resource of that many bytes. The pictures of a version 6 story: --picture a gradient,
// --indexed one colour through a palette, --rect a placeholder; --adaptive lists a picture in
// the adaptive palette chunk, --reso gives every picture a resolution entry of 1/1 on a
// standard screen of WxH, --release the resources' release number. The sounds are sound
// resource N: a tone of HZ for MS milliseconds as an AIFF sample (one that claims more frames
// than it has), or as Ogg Vorbis music; a tracker module of ROWS rows; bytes that decode as
// nothing, in a chunk of id ID. --loop adds a Loop chunk with the plays of each sound named.
#include "support/BlorbBuilder.h"
#include "support/SoundBuilder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vorbis/vorbisenc.h>

namespace {

std::vector<uint8_t> ReadAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "lantern_make_blorb: cannot read %s\n", path);
        std::exit(1);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Ogg Vorbis music: a tone of hz for ms milliseconds, mono at 44.1 kHz, encoded with libvorbis.
std::vector<uint8_t> MakeOgg(double hz, int ms) {
    constexpr int kRate = 44100;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 1, kRate, 0.1f) != 0) {
        std::fprintf(stderr, "lantern_make_blorb: the Vorbis encoder refused its settings\n");
        std::exit(1);
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 20261209);
    std::vector<uint8_t> out;
    ogg_page page;
    auto put = [&](const ogg_page& p) {
        out.insert(out.end(), p.header, p.header + p.header_len);
        out.insert(out.end(), p.body, p.body + p.body_len);
    };
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    while (ogg_stream_flush(&stream, &page) != 0)
        put(page);
    const int frames = kRate * ms / 1000;
    float** buffer = vorbis_analysis_buffer(&dsp, frames);
    for (int i = 0; i < frames; ++i)
        buffer[0][i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * hz * i / kRate));
    vorbis_analysis_wrote(&dsp, frames);
    vorbis_analysis_wrote(&dsp, 0);
    ogg_packet packet;
    bool ended = false;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
            ogg_stream_packetin(&stream, &packet);
            while (!ended && ogg_stream_pageout(&stream, &page) != 0) {
                put(page);
                ended = ogg_page_eos(&page) != 0;
            }
        }
    }
    while (ogg_stream_flush(&stream, &page) != 0)
        put(page);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

// "N:A:B" as its numbers (as many as there are).
std::vector<double> Numbers(const char* text) {
    std::vector<double> numbers;
    for (const char* at = text; *at;) {
        char* end = nullptr;
        numbers.push_back(std::strtod(at, &end));
        if (end == at)
            break;
        at = *end == ':' || *end == ',' ? end + 1 : end;
    }
    return numbers;
}

} // namespace

int main(int argc, char** argv) {
    using lantern::test::BlorbPart;
    if (argc < 2) {
        std::fprintf(stderr, "usage: lantern_make_blorb OUT [options]\n");
        return 2;
    }
    std::vector<BlorbPart> parts;
    std::vector<uint32_t> pictures;
    std::vector<uint8_t> adaptive;
    unsigned resoWidth = 0, resoHeight = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        auto next = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "lantern_make_blorb: %s needs a value\n", option.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (option == "--zcode") {
            parts.push_back({"Exec", 0, "ZCOD", ReadAll(next())});
        } else if (option == "--exec") {
            const std::string id = next();
            parts.push_back({"Exec", 0, id, ReadAll(next())});
        } else if (option == "--record") {
            parts.push_back({"", 0, "IFmd", ReadAll(next())});
        } else if (option == "--cover") {
            unsigned width = 0, height = 0;
            if (std::sscanf(next(), "%ux%u", &width, &height) != 2)
                return 2;
            parts.push_back({"Pict", 1, "PNG ", lantern::test::MakePng(width, height)});
            parts.push_back({"", 0, "Fspc", {0, 0, 0, 1}});
        } else if (option == "--sound") {
            std::vector<uint8_t> noise(std::strtoul(next(), nullptr, 10));
            for (size_t k = 0; k < noise.size(); ++k)
                noise[k] = static_cast<uint8_t>(k * 2654435761u >> 13);
            parts.push_back({"Snd ", 3, "OGGV", std::move(noise)});
        } else if (option == "--picture" || option == "--rect" || option == "--indexed") {
            const uint32_t number = static_cast<uint32_t>(std::strtoul(next(), nullptr, 10));
            unsigned width = 0, height = 0;
            if (std::sscanf(next(), "%ux%u", &width, &height) != 2)
                return 2;
            if (option == "--picture") {
                parts.push_back({"Pict", number, "PNG ", lantern::test::MakePng(width, height)});
            } else if (option == "--indexed") {
                const auto colour = static_cast<uint32_t>(std::strtoul(next(), nullptr, 16));
                parts.push_back(
                    {"Pict", number, "PNG ", lantern::test::MakeIndexedPng(width, height, colour)});
            } else {
                std::vector<uint8_t> rect;
                lantern::PutBigEndian(rect, width, 4);
                lantern::PutBigEndian(rect, height, 4);
                parts.push_back({"Pict", number, "Rect", std::move(rect)});
            }
            pictures.push_back(number);
        } else if (option == "--adaptive") {
            lantern::PutBigEndian(adaptive,
                                  static_cast<uint32_t>(std::strtoul(next(), nullptr, 10)), 4);
        } else if (option == "--reso") {
            if (std::sscanf(next(), "%ux%u", &resoWidth, &resoHeight) != 2)
                return 2;
        } else if (option == "--release") {
            std::vector<uint8_t> release;
            lantern::PutBigEndian(release, static_cast<uint32_t>(std::strtoul(next(), nullptr, 10)),
                                  2);
            parts.push_back({"", 0, "RelN", std::move(release)});
        } else if (option == "--aiff" || option == "--truncated" || option == "--ogg") {
            const auto n = Numbers(next());
            if (n.size() != 3)
                return 2;
            const auto number = static_cast<uint32_t>(n[0]);
            const int ms = static_cast<int>(n[2]);
            if (option == "--ogg")
                parts.push_back({"Snd ", number, "OGGV", MakeOgg(n[1], ms)});
            else
                parts.push_back({"Snd ", number, "FORM",
                                 lantern::test::MakeAiff(
                                     n[1], ms, 11025, option == "--aiff" ? 0 : 11025 * ms / 500)});
        } else if (option == "--mod") {
            const auto n = Numbers(next());
            if (n.size() != 2)
                return 2;
            parts.push_back({"Snd ", static_cast<uint32_t>(n[0]), "MOD ",
                             lantern::test::MakeMod(static_cast<int>(n[1]))});
        } else if (option == "--junk") {
            const std::string given = next();
            const auto colon = given.find(':');
            if (colon == std::string::npos || given.size() - colon - 1 != 4)
                return 2;
            std::vector<uint8_t> junk(300);
            for (size_t k = 0; k < junk.size(); ++k)
                junk[k] = static_cast<uint8_t>(k * 2654435761u >> 13);
            parts.push_back({"Snd ", static_cast<uint32_t>(std::stoul(given.substr(0, colon))),
                             given.substr(colon + 1), std::move(junk)});
        } else if (option == "--loop") {
            const auto n = Numbers(next());
            std::vector<uint8_t> loop;
            for (size_t k = 0; k + 1 < n.size(); k += 2) {
                lantern::PutBigEndian(loop, static_cast<uint32_t>(n[k]), 4);
                lantern::PutBigEndian(loop, static_cast<uint32_t>(n[k + 1]), 4);
            }
            parts.push_back({"", 0, "Loop", std::move(loop)});
        } else if (option == "--names") {
            parts.push_back({"", 0, "IFhd", lantern::test::StoryHeaderBlock(ReadAll(next()))});
        } else {
            std::fprintf(stderr, "lantern_make_blorb: unknown option %s\n", option.c_str());
            return 2;
        }
    }
    if (!adaptive.empty())
        parts.push_back({"", 0, "APal", std::move(adaptive)});
    if (resoWidth > 0) {
        // The standard screen, no least or most size, then 1/1 with no limits for each picture.
        std::vector<uint8_t> reso;
        for (const uint32_t value : {resoWidth, resoHeight, 0u, 0u, 0u, 0u})
            lantern::PutBigEndian(reso, value, 4);
        for (const uint32_t number : pictures)
            for (const uint32_t value : {number, 1u, 1u, 0u, 0u, 0u, 0u})
                lantern::PutBigEndian(reso, value, 4);
        parts.push_back({"", 0, "Reso", std::move(reso)});
    }
    const std::vector<uint8_t> blorb = lantern::test::BuildBlorb(parts);
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(blorb.data()),
              static_cast<std::streamsize>(blorb.size()));
    return out ? 0 : 1;
}
