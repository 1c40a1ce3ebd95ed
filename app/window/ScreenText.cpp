#include "window/ScreenText.h"

#include <algorithm>
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
    const auto outside = [area](QPoint p) { return !area.contains(p); };
    Pieces kept;
    kept.reserve(m_pieces.size());
    for (Piece& piece : m_pieces) {
        // Most pieces lie wholly away from the area and stay as they are.
        const int middle = (piece.top + piece.bottom) / 2;
        const bool away = middle < area.top() || middle > area.bottom() ||
                          piece.edges.back() < area.left() || piece.edges.front() > area.right();
        if (away) {
            kept.push_back(std::move(piece));
            continue;
        }
        for (Piece& part : Filter({piece}, outside))
            kept.push_back(std::move(part));
    }
    m_pieces = std::move(kept);
}

void ScreenText::Copy(const QRect& source, QPoint destination) {
    Pieces moved = Filter(m_pieces, InsideOf(source));
    Move(moved, destination.x() - source.left(), destination.y() - source.top());
    Erase(QRect(destination, source.size()));
    m_pieces.insert(m_pieces.end(), std::make_move_iterator(moved.begin()),
                    std::make_move_iterator(moved.end()));
}

ScreenText::Pieces ScreenText::Filter(const Pieces& pieces,
                                      const std::function<bool(QPoint)>& keep) {
    Pieces result;
    for (const Piece& piece : pieces) {
        // Each run of kept characters becomes a piece of its own.
        qsizetype start = -1;
        auto endRun = [&](qsizetype end) {
            if (start < 0)
                return;
            Piece part{piece.top, piece.bottom, piece.text.mid(start, end - start), {}};
            part.edges.assign(piece.edges.begin() + start, piece.edges.begin() + end + 1);
            result.push_back(std::move(part));
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
    return result;
}

void ScreenText::Move(Pieces& pieces, int dx, int dy) {
    for (Piece& piece : pieces) {
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
