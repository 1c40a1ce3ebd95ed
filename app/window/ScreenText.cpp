#include "window/ScreenText.h"

#include <algorithm>
#include <span>
#include <utility>

namespace lantern {

void ScreenText::Draw(const QRect& box, const QString& text, std::vector<int> edges) {
    // Drawing fills the box with the background first.
    Erase(box);
    if (text.isEmpty() || edges.size() != static_cast<size_t>(text.size()) + 1)
        return;
    m_pieces.push_back(Piece{box.top(), box.bottom() + 1, text, std::move(edges)});
}

void ScreenText::Erase(const QRect& area) {
    if (area.isEmpty())
        return;
    const auto inside = InsideOf(area);
    const auto outside = [&inside](QPoint p) { return !inside(p); };
    // Most pieces lie wholly away from the area, or only touch its edge, and stay as they
    // are; when all do (text drawn after the text before it), nothing moves.
    const auto loses = [&area, &inside](const Piece& piece) {
        const int middle = (piece.top + piece.bottom) / 2;
        if (middle < area.top() || middle > area.bottom() || piece.edges.back() < area.left() ||
            piece.edges.front() > area.right())
            return false;
        for (qsizetype i = 0; i < piece.text.size(); ++i)
            if (inside(piece.Middle(i)))
                return true;
        return false;
    };
    if (std::none_of(m_pieces.begin(), m_pieces.end(), loses))
        return;
    Pieces kept;
    kept.reserve(m_pieces.size());
    for (Piece& piece : m_pieces) {
        if (loses(piece))
            FilterPiece(piece, outside, kept);
        else
            kept.push_back(std::move(piece));
    }
    m_pieces = std::move(kept);
}

void ScreenText::KeepWithin(const QRect& area) {
    m_pieces = Filter(m_pieces, InsideOf(area));
}

void ScreenText::Copy(const QRect& source, QPoint destination) {
    // What it does: the parts inside source, moved, are added after what an erase of the
    // destination leaves. Done in one pass, in which a piece that lies wholly in both (most of
    // them when the lower window scrolls) moves itself instead of a copy.
    const QRect target(destination, source.size());
    const auto inSource = InsideOf(source);
    const auto inTarget = InsideOf(target);
    const auto outsideTarget = [&inTarget](QPoint p) { return !inTarget(p); };
    const bool erases = !target.isEmpty();
    const int dx = destination.x() - source.left();
    const int dy = destination.y() - source.top();
    auto all = [](const Piece& piece, const auto& test) {
        for (qsizetype i = 0; i < piece.text.size(); ++i)
            if (!test(piece.Middle(i)))
                return false;
        return true;
    };
    Pieces kept;
    Pieces moved;
    kept.reserve(m_pieces.size());
    for (Piece& piece : m_pieces) {
        if (erases && all(piece, inSource) && all(piece, inTarget)) {
            moved.push_back(std::move(piece));
            Move(moved, dx, dy, moved.size() - 1);
            continue;
        }
        const size_t first = moved.size();
        FilterPiece(piece, inSource, moved);
        Move(moved, dx, dy, first);
        if (erases)
            FilterPiece(piece, outsideTarget, kept);
        else
            kept.push_back(std::move(piece));
    }
    m_pieces = std::move(kept);
    m_pieces.insert(m_pieces.end(), std::make_move_iterator(moved.begin()),
                    std::make_move_iterator(moved.end()));
}

void ScreenText::Move(Pieces& pieces, int dx, int dy, size_t first) {
    for (Piece& piece : std::span(pieces).subspan(first)) {
        piece.top += dy;
        piece.bottom += dy;
        for (int& edge : piece.edges)
            edge += dx;
    }
}

QString ScreenText::JoinRows(Pieces pieces, std::optional<int> firstTop) {
    std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
        return a.top != b.top ? a.top < b.top : a.edges.front() < b.edges.front();
    });
    // The number of rows from one top edge to another, at least one.
    auto rowsBetween = [](int from, int to, int height) {
        height = std::max(height, 1);
        return std::max((to - from + height / 2) / height, 1);
    };
    QString text;
    if (firstTop && !pieces.empty() && pieces.front().top > *firstTop) {
        const Piece& first = pieces.front();
        text +=
            QString(rowsBetween(*firstTop, first.top, first.bottom - first.top), QLatin1Char('\n'));
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& last = pieces[i > 0 ? i - 1 : 0];
        if (i > 0 && pieces[i].top != last.top)
            text += QString(rowsBetween(last.top, pieces[i].top, last.bottom - last.top),
                            QLatin1Char('\n'));
        text += pieces[i].text;
    }
    return text;
}

} // namespace lantern
