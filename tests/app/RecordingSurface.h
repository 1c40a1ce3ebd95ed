#pragma once

#include "platform/Surface.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace lantern::test {

/// A surface that draws through another one and keeps a model of the text standing on it:
/// each DrawText is a piece with its box; fills and overdrawn text remove the pieces they touch,
/// and block copies move the pieces inside them. Reading the pixels back as text is not needed.
class RecordingSurface : public Surface {
  public:
    struct Piece {
        Rect box;
        std::string text;
    };

    explicit RecordingSurface(Surface& inner) : m_inner(inner) {}

    /// Every text drawn since the start, in order.
    const std::vector<std::string>& Drawn() const { return m_drawn; }
    /// The pieces standing on the surface now.
    const std::vector<Piece>& Pieces() const { return m_pieces; }

    struct Row {
        int top = 0;
        std::string text;
    };

    /// The text standing on the surface now, one row per top edge that pieces share, rows from
    /// the top, the pieces of a row from the left.
    std::vector<Row> TextRows() const {
        std::map<int, std::vector<const Piece*>> rows;
        for (const Piece& piece : m_pieces)
            rows[piece.box.top].push_back(&piece);
        std::vector<Row> result;
        for (auto& [top, pieces] : rows) {
            std::stable_sort(pieces.begin(), pieces.end(), [](const Piece* a, const Piece* b) {
                return a->box.left < b->box.left;
            });
            Row row{top, {}};
            for (const Piece* piece : pieces)
                row.text += piece->text;
            result.push_back(std::move(row));
        }
        return result;
    }

    /// The rows' texts alone.
    std::vector<std::string> Rows() const {
        std::vector<std::string> texts;
        for (Row& row : TextRows())
            texts.push_back(std::move(row.text));
        return texts;
    }

    /// The top edge of the first row that contains text, or -1.
    int RowTopOf(const std::string& text) const {
        for (const Row& row : TextRows())
            if (row.text.find(text) != std::string::npos)
                return row.top;
        return -1;
    }

    /// True when some row now on the surface contains text.
    bool Shows(const std::string& text) const {
        for (const std::string& row : Rows())
            if (row.find(text) != std::string::npos)
                return true;
        return false;
    }

    int Width() const override { return m_inner.Width(); }
    int Height() const override { return m_inner.Height(); }
    void SelectFont(bool fixedPitch, bool bold, bool italic) override {
        m_inner.SelectFont(fixedPitch, bold, italic);
    }
    TextExtent MeasureText(std::string_view text) override { return m_inner.MeasureText(text); }
    void DrawText(int x, int y, std::string_view text) override {
        m_inner.DrawText(x, y, text);
        const TextExtent extent = m_inner.MeasureText(text);
        const Rect box{x, y, x + extent.width, y + extent.height};
        Remove(box);
        m_pieces.push_back({box, std::string(text)});
        m_drawn.emplace_back(text);
    }
    void SetTextColour(Colour colour) override { m_inner.SetTextColour(colour); }
    Colour TextColour() const override { return m_inner.TextColour(); }
    void SetBackColour(Colour colour) override { m_inner.SetBackColour(colour); }
    Colour BackColour() const override { return m_inner.BackColour(); }
    void FillRect(int left, int top, int right, int bottom, Colour colour) override {
        m_inner.FillRect(left, top, right, bottom, colour);
        Remove(Rect{left, top, right, bottom});
    }
    void CopyBlock(int srcX, int srcY, int width, int height, int dstX, int dstY) override {
        m_inner.CopyBlock(srcX, srcY, width, height, dstX, dstY);
        const Rect source{srcX, srcY, srcX + width, srcY + height};
        const Rect target{dstX, dstY, dstX + width, dstY + height};
        std::vector<Piece> moved;
        std::vector<Piece> kept;
        for (const Piece& piece : m_pieces) {
            if (Inside(piece.box, source)) {
                Piece copy = piece;
                copy.box = Rect{piece.box.left + dstX - srcX, piece.box.top + dstY - srcY,
                                piece.box.right + dstX - srcX, piece.box.bottom + dstY - srcY};
                moved.push_back(copy);
            }
            if (!Overlap(piece.box, target))
                kept.push_back(piece);
        }
        m_pieces = std::move(kept);
        m_pieces.insert(m_pieces.end(), moved.begin(), moved.end());
    }
    void Invalidate(int left, int top, int right, int bottom) override {
        m_inner.Invalidate(left, top, right, bottom);
    }
    void Resize(int width, int height, Colour fill) override {
        m_inner.Resize(width, height, fill);
        std::erase_if(m_pieces, [&](const Piece& piece) {
            return piece.box.right > width || piece.box.bottom > height;
        });
    }
    std::vector<TextRun> TextIn(const Rect& area) const override { return m_inner.TextIn(area); }
    void SetTextClip(std::optional<Rect> clip) override { m_inner.SetTextClip(clip); }
    bool DrawsPictures() const override { return m_inner.DrawsPictures(); }
    void DrawPicture(const PictureDraw& picture) override {
        m_inner.DrawPicture(picture);
        Remove(picture.Clip);
    }
    std::optional<Colour> PixelAt(int x, int y) const override { return m_inner.PixelAt(x, y); }
    bool DrawGraphics(int x, int y, std::string_view codes, TextExtent cell) override {
        return m_inner.DrawGraphics(x, y, codes, cell);
    }
    bool KeepsHistory() const override { return m_inner.KeepsHistory(); }
    void AddToHistory(const Rect& area) override { m_inner.AddToHistory(area); }
    void DropHistory(int lines) override { m_inner.DropHistory(lines); }

  private:
    static bool Overlap(const Rect& a, const Rect& b) {
        return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    }
    static bool Inside(const Rect& a, const Rect& b) {
        return a.left >= b.left && a.right <= b.right && a.top >= b.top && a.bottom <= b.bottom;
    }
    void Remove(const Rect& area) {
        std::erase_if(m_pieces, [&](const Piece& piece) { return Overlap(piece.box, area); });
    }

    Surface& m_inner;
    std::vector<Piece> m_pieces;
    std::vector<std::string> m_drawn;
};

} // namespace lantern::test
