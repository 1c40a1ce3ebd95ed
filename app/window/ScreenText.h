#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

namespace lantern {

/// The text standing on a drawing surface, kept beside its pixels so that it can be copied and
/// read aloud: every drawn piece with the left edge of each character. Erases, text drawn over
/// it and block copies remove or move exactly the characters whose middles they cover.
class ScreenText {
  public:
    struct Piece {
        int top = 0;
        int bottom = 0;
        QString text;
        std::vector<int> edges; ///< each character's left edge, then the right end of the last

        QPoint Middle(qsizetype i) const {
            return {(edges[static_cast<size_t>(i)] + edges[static_cast<size_t>(i) + 1]) / 2,
                    (top + bottom) / 2};
        }
        /// The box of character i.
        QRect CharBox(qsizetype i) const {
            return QRect(QPoint(edges[static_cast<size_t>(i)], top),
                         QPoint(edges[static_cast<size_t>(i) + 1] - 1, bottom - 1));
        }
    };
    using Pieces = std::vector<Piece>;

    /// Text drawn in box; edges as in Piece.
    void Draw(const QRect& box, const QString& text, std::vector<int> edges);
    /// The area was filled: its characters are gone.
    void Erase(const QRect& area);
    /// The block at source was copied to destination (its new top-left corner).
    void Copy(const QRect& source, QPoint destination);
    /// Keeps only the characters inside area (after a resize).
    void KeepWithin(const QRect& area);
    void Clear() { m_pieces.clear(); }
    const Pieces& All() const { return m_pieces; }

    /// The parts of pieces whose characters' middles pass keep (called with a QPoint).
    template <class Keep> static Pieces Filter(const Pieces& pieces, const Keep& keep) {
        Pieces result;
        for (const Piece& piece : pieces)
            FilterPiece(piece, keep, result);
        return result;
    }
    /// The same for one piece, whose parts are added to result.
    template <class Keep>
    static void FilterPiece(const Piece& piece, const Keep& keep, Pieces& result) {
        // Each run of kept characters becomes a piece of its own; a piece kept whole stays as
        // it is.
        qsizetype start = -1;
        auto endRun = [&](qsizetype end) {
            if (start < 0)
                return;
            if (start == 0 && end == piece.text.size()) {
                result.push_back(piece);
            } else {
                Piece part{piece.top, piece.bottom, piece.text.mid(start, end - start), {}};
                part.edges.assign(piece.edges.begin() + start, piece.edges.begin() + end + 1);
                result.push_back(std::move(part));
            }
            start = -1;
        };
        for (qsizetype i = 0; i < piece.text.size(); ++i) {
            if (keep(piece.Middle(i))) {
                if (start < 0)
                    start = i;
            } else {
                endRun(i);
            }
        }
        endRun(piece.text.size());
    }
    /// Whether points lie in area, as QRect::contains says (a rectangle of negative size counts
    /// from its other corner), with the bounds worked out once.
    static auto InsideOf(const QRect& area) {
        const bool flippedX = area.right() < area.left() - 1;
        const bool flippedY = area.bottom() < area.top() - 1;
        const int left = flippedX ? area.right() + 1 : area.left();
        const int right = flippedX ? area.left() - 1 : area.right();
        const int top = flippedY ? area.bottom() + 1 : area.top();
        const int bottom = flippedY ? area.top() - 1 : area.bottom();
        return [=](QPoint p) {
            return p.x() >= left && p.x() <= right && p.y() >= top && p.y() <= bottom;
        };
    }
    /// Moves the pieces from index first on.
    static void Move(Pieces& pieces, int dx, int dy, size_t first = 0);
    /// The pieces as plain text: rows from the top (pieces sharing a top edge), each from the
    /// left, joined with line feeds; rows left empty between them are empty lines, and so are
    /// those between firstTop (when given) and the first row.
    static QString JoinRows(Pieces pieces, std::optional<int> firstTop = std::nullopt);

  private:
    Pieces m_pieces;
};

} // namespace lantern
