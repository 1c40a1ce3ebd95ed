// Makes the Blorb files of the tests at build time, from our own stories and records:
//   lantern_make_blorb OUT [--zcode FILE | --exec ID FILE] [--record FILE] [--cover WxH]
//                      [--sound BYTES] [--names FILE] [--picture N WxH]
//                      [--indexed N WxH RRGGBB] [--rect N WxH] [--adaptive N]
//                      [--reso WxH] [--release N]
// --names adds the IFhd of the story FILE (a resource file kept beside that story); --sound adds
// a sound resource of that many bytes. The pictures of a version 6 story: --picture a gradient,
// --indexed one colour through a palette, --rect a placeholder; --adaptive lists a picture in
// the adaptive palette chunk, --reso gives every picture a resolution entry of 1/1 on a
// standard screen of WxH, --release the resources' release number.
#include "support/BlorbBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::vector<uint8_t> ReadAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "lantern_make_blorb: cannot read %s\n", path);
        std::exit(1);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
