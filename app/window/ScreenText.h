#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
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
    void KeepWithin(const QRect& area) { m_pieces = Filter(m_pieces, InsideOf(area)); }
    void Clear() { m_pieces.clear(); }
    const Pieces& All() const { return m_pieces; }

    /// The parts of pieces whose characters' middles pass keep.
    static Pieces Filter(const Pieces& pieces, const std::function<bool(QPoint)>& keep);
    static std::function<bool(QPoint)> InsideOf(const QRect& area) {
        return [area](QPoint p) { return area.contains(p); };
    }
    static void Move(Pieces& pieces, int dx, int dy);
    /// The pieces as plain text: rows from the top (pieces sharing a top edge), each from the
    /// left, joined with line feeds; rows left empty between them are empty lines, and so are
    /// those between firstTop (when given) and the first row.
    static QString JoinRows(Pieces pieces, std::optional<int> firstTop = std::nullopt);

  private:
    Pieces m_pieces;
};

} // namespace lantern
