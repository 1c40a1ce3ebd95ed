#include "window/QtSurface.h"

#include "app/Pixels.h"
#include "screen/zScreen.h"
#include "support/BlorbBuilder.h"
#include "text/CharGraphics.h"
#include "window/ScreenText.h"

#include <QFontInfo>
#include <gtest/gtest.h>
#include <vector>

namespace lantern::test {
namespace {

constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kRed = Rgb(255, 0, 0);

/// A screen model laid out on the surface less 5 pixels each way, as the window lays it out.
zScreen LaidOut(QtSurface& surface) {
    zScreen screen(surface);
    screen.SetScreenWidth(surface.Width() - 5);
    screen.SetScreenHeight(surface.Height() - 5);
    screen.EraseWindow(-1);
    return screen;
}

TEST(QtSurface, FontsAreTheLiberationFacesAtTwentyPixels) {
    for (int i = 0; i < 8; ++i) {
        const bool fixed = i & 1;
        const bool bold = i & 2;
        const bool italic = i & 4;
        const QFontInfo info(QtSurface::MakeFont(fixed, bold, italic));
        EXPECT_EQ(info.family(), fixed ? "Liberation Mono" : "Liberation Sans") << i;
        EXPECT_EQ(info.bold(), bold) << i;
        EXPECT_EQ(info.italic(), italic) << i;
        EXPECT_EQ(info.pixelSize(), 20) << i;
    }
    QtSurface surface(10, 10);
    surface.SelectFont(true, true, false);
    EXPECT_EQ(QFontInfo(surface.SelectedFont()).family(), "Liberation Mono");
    EXPECT_TRUE(QFontInfo(surface.SelectedFont()).bold());
    // A face that is not installed gives way to the same stand-in, in one order, whatever the
    // text; a face that is installed comes first.
    EXPECT_EQ(QtSurface::FaceOrder(QStringLiteral("No Such Face"), false).front(),
              QStringLiteral("Liberation Sans"));
    EXPECT_EQ(QtSurface::FaceOrder(QStringLiteral("Liberation Serif"), false).mid(0, 2),
              (QStringList{QStringLiteral("Liberation Serif"), QStringLiteral("Liberation Sans")}));
    EXPECT_EQ(QtSurface::FaceOrder(QStringLiteral("Courier New"), true).front(),
              QStringLiteral("Liberation Mono"));
}

TEST(QtSurface, BoldWidensTextAndItalicSlantsIt) {
    QtSurface surface(400, 40);
    const std::string text = "Bold and italic words";
    surface.SelectFont(false, false, false);
    const TextExtent roman = surface.MeasureText(text);
    surface.SelectFont(false, true, false);
    const TextExtent bold = surface.MeasureText(text);
    EXPECT_GT(bold.width, roman.width);
    EXPECT_GT(roman.height, 15);
    // The italic faces keep the roman advance widths (they are metric-compatible with the
    // faces they stand for), so italic shows in the drawn glyphs rather than in the width.
    surface.SelectFont(false, false, false);
    surface.DrawText(0, 0, "l");
    const QImage upright = surface.Image().copy(0, 0, 20, 25);
    surface.SelectFont(false, false, true);
    surface.DrawText(0, 0, "l");
    EXPECT_NE(surface.Image().copy(0, 0, 20, 25), upright);
}

TEST(QtSurface, FixedPitchGivesEveryCharacterOneWidth) {
    QtSurface surface(10, 10);
    surface.SelectFont(true, false, false);
    const int zero = surface.MeasureText("0").width;
    EXPECT_GT(zero, 5);
    EXPECT_EQ(surface.MeasureText("iiii").width, 4 * zero);
    EXPECT_EQ(surface.MeasureText("WWWW").width, 4 * zero);
    surface.SelectFont(true, true, true);
    EXPECT_EQ(surface.MeasureText("WWWW").width, 4 * zero);
    // Latin-1 bytes are characters of their own.
    surface.SelectFont(true, false, false);
    EXPECT_EQ(surface.MeasureText("\xE9\xFC").width, 2 * zero);
}

TEST(QtSurface, ScreenCellComesFromTheFixedPitchZero) {
    QtSurface surface(800, 600);
    zScreen screen = LaidOut(surface);
    surface.SelectFont(true, false, false);
    const TextExtent zero = surface.MeasureText("0");
    EXPECT_EQ(screen.CharWidth(), zero.width);
    EXPECT_EQ(screen.CharHeight(), zero.height);
    EXPECT_EQ(screen.Window(0).Width, 795 / zero.width);
    EXPECT_EQ(screen.Window(0).Height, 595 / zero.height);
}

TEST(QtSurface, FontThreeDrawsTheStandardsGlyphsAndFramesJoinUp) {
    QtSurface surface(300, 120);
    zScreen screen = LaidOut(surface);
    screen.SetFont(0, kFontGraphics);
    EXPECT_EQ(QFontInfo(surface.SelectedFont()).family(), "Liberation Mono");
    // A frame whose lines run on from corner to corner, a rune and the arrows; the text kept
    // for copying is the nearest characters.
    screen.OutPut("/'''0\r\n)a!\"(\r\n.&&&1", false);
    EXPECT_EQ(ScreenText::JoinRows(surface.Text().All()), QString::fromUtf8("┌───┐\n│ᚨ←→│\n└───┘"));
    // Every glyph takes one cell.
    const int cell = screen.CharWidth();
    const int line = screen.CharHeight();
    for (const ScreenText::Piece& piece : surface.Text().All())
        EXPECT_EQ(piece.edges.front() % cell, 0) << piece.text.toStdString();
    EXPECT_EQ(screen.Window(0).CursorX, 5 * cell);
    // The top line runs unbroken from the first corner to the last, on the glyphs' fourth row
    // of eight, and the left side from the top line to the bottom one.
    auto dark = [&](int x, int y) { return PixelAt(surface, x, y) != kWhite; };
    const int top = 3 * line / 8;
    const int side = 3 * cell / 8;
    for (int x = side; x <= 4 * cell + cell / 2; ++x)
        EXPECT_TRUE(dark(x, top)) << x;
    for (int y = top; y < 2 * line + line / 2; ++y)
        EXPECT_TRUE(dark(side, y)) << y;
    EXPECT_FALSE(dark(side - 1, line + line / 2));
}

TEST(QtSurface, FontThreeGlyphsAreTheStandardsBitmapsPixelForPixel) {
    // A line, a corner, blocks, a dot, an edge, the gauge, the crosses, an arrow, a rune and
    // an inverse symbol, at twice the bitmaps' size across and three times down.
    const std::string codes = "&/69:HKSVZ[]ab{";
    const TextExtent cell{16, 24};
    QtSurface surface(cell.width * static_cast<int>(codes.size()) + 3, cell.height + 2);
    surface.FillRect(0, 0, surface.Width(), surface.Height(), kWhite);
    surface.SetTextColour(kRed);
    surface.SetBackColour(kBlack);
    ASSERT_TRUE(surface.DrawGraphics(1, 1, codes, cell));
    for (size_t i = 0; i < codes.size(); ++i) {
        const GraphicBitmap& glyph = *CharGraphicBitmap(static_cast<uint8_t>(codes[i]));
        for (int y = 0; y < cell.height; ++y) {
            for (int x = 0; x < cell.width; ++x) {
                const bool ink = ((glyph[static_cast<size_t>(y / 3)] >> (7 - x / 2)) & 1) != 0;
                ASSERT_EQ(PixelAt(surface, 1 + static_cast<int>(i) * cell.width + x, 1 + y),
                          ink ? kRed : kBlack)
                    << codes[i] << " at " << x << "," << y;
            }
        }
    }
    // Nothing outside the cells.
    EXPECT_EQ(PixelAt(surface, 0, 0), kWhite);
    EXPECT_EQ(PixelAt(surface, surface.Width() - 1, cell.height + 1), kWhite);
    EXPECT_EQ(ScreenText::JoinRows(surface.Text().All()), QString::fromUtf8("─┌█▋▐▗▔▌▉╳┼↓ᚨᛒ⍐"));
}

TEST(QtSurface, TextIsDrawnOpaquelyInTheCurrentColours) {
    QtSurface surface(200, 50);
    EXPECT_EQ(PixelAt(surface, 0, 0), kWhite);
    surface.SelectFont(false, false, false);
    surface.SetBackColour(kRed);
    surface.SetTextColour(kWhite);
    const TextExtent extent = surface.MeasureText("  ");
    surface.DrawText(10, 5, "  ");
    const Rect box{10, 5, 10 + extent.width, 5 + extent.height};
    EXPECT_EQ(CountColour(surface, box, kRed), extent.width * extent.height);
    EXPECT_EQ(PixelAt(surface, 9, 5), kWhite);
    EXPECT_EQ(PixelAt(surface, box.right, 5), kWhite);
    // Off the image, or partly off it, nothing goes wrong.
    surface.DrawText(-2147483000, 0, "far");
    surface.DrawText(190, 45, "edge");
    surface.DrawText(0, 2147483000, "far");
}

TEST(QtSurface, ReverseVideoSwapsTheColours) {
    QtSurface surface(300, 100);
    zScreen screen(surface);
    screen.SetScreenWidth(295);
    screen.SetScreenHeight(95);
    screen.SetColor(9, 2); // white on black
    screen.EraseWindow(-1);
    EXPECT_EQ(PixelAt(surface, 150, 50), kBlack);
    screen.SetTextStyle(kStyleReverse);
    surface.SelectFont(false, false, false);
    const TextExtent m = surface.MeasureText("M");
    screen.OutPut("M", false);
    const Rect first{0, 0, m.width, m.height};
    EXPECT_GT(CountColour(surface, first, kWhite), 0);
    EXPECT_GT(CountColour(surface, first, kBlack), 0);
    EXPECT_EQ(PixelAt(surface, 0, 0), kWhite);
    screen.SetTextStyle(0);
    screen.OutPut("M", false);
    const Rect second{m.width, 0, 2 * m.width, m.height};
    EXPECT_EQ(PixelAt(surface, m.width, 0), kBlack);
    EXPECT_GT(CountColour(surface, second, kWhite), 0);
    EXPECT_GT(CountColour(surface, second, kBlack), CountColour(surface, second, kWhite));
}

TEST(QtSurface, EraseFillsTheWindowsRectangle) {
    QtSurface surface(400, 295);
    zScreen screen(surface);
    screen.SetScreenWidth(395);
    screen.SetScreenHeight(290);
    screen.EraseWindow(-1);
    const int cw = screen.CharWidth();
    const int ch = screen.CharHeight();
    screen.SplitWindow(3);
    screen.SetColor(0, 3); // red background
    screen.SetWindow(1);
    std::vector<QRect> repaints;
    surface.SetRepaintHandler([&](const QRect& r) { repaints.push_back(r); });
    screen.EraseWindow(1);
    const int right = screen.Window(1).Width * cw;
    EXPECT_EQ(CountColour(surface, Rect{0, 0, right, 3 * ch}, kRed), right * 3 * ch);
    EXPECT_EQ(PixelAt(surface, 0, 3 * ch), kWhite);
    // Less than a cell is left at the right: the erase covers it too, leaving no strip.
    ASSERT_LT(surface.Width() - right, cw);
    EXPECT_EQ(PixelAt(surface, surface.Width() - 1, 0), kRed);
    ASSERT_EQ(repaints.size(), 1u);
    EXPECT_EQ(repaints[0], QRect(0, 0, surface.Width(), 3 * ch));
    // The lower window reaches past the surface's bottom (its height is rounded): the erase
    // is clipped there.
    const WindowRec& lower = screen.Window(0);
    EXPECT_GT((lower.Top + lower.Height - 1) * ch, surface.Height());
    screen.EraseWindow(0);
    EXPECT_EQ(PixelAt(surface, 0, 3 * ch), kRed);
    EXPECT_EQ(PixelAt(surface, right - 1, surface.Height() - 1), kRed);
}

TEST(QtSurface, CopyBlockMovesPixelsAndClips) {
    QtSurface surface(20, 20);
    surface.FillRect(0, 0, 20, 10, kRed);
    // Down by five, overlapping.
    surface.CopyBlock(0, 0, 20, 10, 0, 5);
    EXPECT_EQ(CountColour(surface, Rect{0, 0, 20, 15}, kRed), 20 * 15);
    EXPECT_EQ(PixelAt(surface, 0, 15), kWhite);
    // Up and left, partly off the image.
    surface.FillRect(0, 0, 20, 20, kWhite);
    surface.FillRect(10, 10, 20, 20, kWhite);
    surface.CopyBlock(10, 10, 100, 100, 5, 5);
    EXPECT_EQ(CountColour(surface, Rect{5, 5, 15, 15}, kWhite), 100);
    EXPECT_EQ(PixelAt(surface, 4, 4), kWhite);
    surface.CopyBlock(-50, -50, 200, 200, 0, 0);
    surface.CopyBlock(0, 0, 20, 20, 2147483000, 0);
    surface.FillRect(-2147483000, -5, 2147483000, 5, kBlack);
    EXPECT_EQ(PixelAt(surface, 19, 4), kBlack);
    EXPECT_EQ(PixelAt(surface, 19, 5), kWhite);
}

TEST(QtSurface, InvalidateReportsClippedRectanglesAndUpdateDisplayTheWhole) {
    QtSurface surface(100, 50);
    zScreen screen(surface);
    screen.SetScreenWidth(95);
    screen.SetScreenHeight(45);
    std::vector<QRect> repaints;
    surface.SetRepaintHandler([&](const QRect& r) { repaints.push_back(r); });
    surface.Invalidate(-10, 10, 20, 1000);
    surface.Invalidate(200, 0, 300, 10);
    screen.UpdateDisplay();
    ASSERT_EQ(repaints.size(), 2u);
    EXPECT_EQ(repaints[0], QRect(0, 10, 20, 40));
    EXPECT_EQ(repaints[1], QRect(0, 0, 100, 50));
}

TEST(QtSurface, ResizeKeepsWhatFits) {
    QtSurface surface(10, 10);
    surface.FillRect(0, 0, 5, 5, kRed);
    surface.SetBackColour(kWhite);
    surface.Resize(20, 4);
    EXPECT_EQ(surface.Width(), 20);
    EXPECT_EQ(surface.Height(), 4);
    EXPECT_EQ(PixelAt(surface, 4, 3), kRed);
    EXPECT_EQ(PixelAt(surface, 5, 0), kWhite);
    EXPECT_EQ(PixelAt(surface, 15, 0), kWhite);
    surface.Resize(0, 0);
    surface.DrawText(0, 0, "x");
    surface.FillRect(0, 0, 5, 5, kRed);
    surface.CopyBlock(0, 0, 5, 5, 1, 1);
}

} // namespace
} // namespace lantern::test

namespace lantern::test {
namespace {

// Pictures are decoded once and kept, scaled, at most 256 MiB together (the oldest dropped
// first); a picture that does not decode, or declares a size too large to keep, draws nothing.
TEST(QtSurface, PicturesAreKeptWithinTheirBoundAndBrokenOnesDrawNothing) {
    QtSurface surface(64, 64);
    surface.FillRect(0, 0, 64, 64, kWhite);
    const std::vector<uint8_t> png = MakeIndexedPng(4, 4, 0xFF0000);
    PictureDraw draw;
    draw.Key = 1;
    draw.Bytes = png;
    draw.Target = Rect{8, 8, 16, 16};
    draw.Clip = Rect{0, 0, 12, 64};
    surface.DrawPicture(draw);
    EXPECT_EQ(PixelAt(surface, 9, 9), kRed);
    EXPECT_EQ(PixelAt(surface, 13, 9), kWhite); // clipped
    // Broken and huge pictures (this one declares 65535 by 65535 pixels and holds one).
    const std::vector<uint8_t> huge = MakePngFile(65535, 65535, 2, {}, {0, 1, 2, 3});
    const std::vector<uint8_t> broken(png.begin(), png.begin() + 40);
    for (const std::vector<uint8_t>* bytes : {&huge, &broken}) {
        draw.Key += 1;
        draw.Bytes = *bytes;
        draw.Target = Rect{20, 20, 60, 60};
        draw.Clip = Rect{0, 0, 64, 64};
        surface.DrawPicture(draw);
        EXPECT_EQ(PixelAt(surface, 30, 30), kWhite);
    }
    // One picture at ever new sizes of almost 64 MiB each: the oldest copies go.
    draw.Key = 1;
    draw.Bytes = png;
    for (int size = 3995; size < 4000; ++size) {
        draw.Target = Rect{0, 0, size, size};
        surface.DrawPicture(draw);
        EXPECT_LE(surface.Pictures().Bytes(), PictureCache::kMostBytes);
    }
    EXPECT_GT(surface.Pictures().Bytes(), PictureCache::kMostBytes / 2);
}

} // namespace
} // namespace lantern::test
