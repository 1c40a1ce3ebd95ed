#pragma once

#include "platform/Surface.h"
#include "window/PictureCache.h"
#include "window/ScreenText.h"
#include "window/Scrollback.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace lantern {

/// The window's drawing surface: a QImage painted with QPainter. The window shows the image
/// and repaints the rectangles this surface reports as invalidated. Beside the pixels it keeps
/// the text standing on them and, in its history, the rows that a block copy moving rows up
/// pushed off (the lower window's scrolled-off lines).
class QtSurface : public Surface {
  public:
    /// The starting colours: black text on white.
    static constexpr Colour kDefaultText = Rgb(0, 0, 0);
    static constexpr Colour kDefaultBack = Rgb(255, 255, 255);
    /// The pixel size of every font, unless the player chose another.
    static constexpr int kFontPixelSize = 20;

    /// The faces and the size the text is drawn in.
    struct Fonts {
        QString proportional = QStringLiteral("Arial");
        QString fixed = QStringLiteral("Courier New");
        int pixelSize = kFontPixelSize;
        bool operator==(const Fonts&) const = default;
    };

    QtSurface(int width, int height);
    ~QtSurface() override;

    /// Changes the size, keeping what fits; new pixels are in the field colour.
    void Resize(int width, int height) { Resize(width, height, m_fieldColour); }
    /// The colour of the last fill that covered the whole image: the screen's background, which
    /// the window also shows around the image.
    Colour FieldColour() const { return m_fieldColour; }
    const QImage& Image() const { return m_image; }
    /// The text standing on the image now.
    const ScreenText& Text() const { return m_text; }
    const Scrollback& History() const { return m_history; }
    void ClearHistory();
    /// Grows whenever the text or the history changes.
    uint64_t TextVersion() const { return m_textVersion; }

    /// Called with every invalidated rectangle (already clipped to the image); the window
    /// calls update() with it.
    void SetRepaintHandler(std::function<void(const QRect&)> handler) {
        m_onRepaint = std::move(handler);
    }

    /// The font for a pitch, weight and slant: "Courier New" for fixed pitch and "Arial" for
    /// variable pitch, 20 pixels, unless fonts says otherwise; in the faces of FaceOrder.
    static QFont MakeFont(bool fixedPitch, bool bold, bool italic, const Fonts& fonts);
    static QFont MakeFont(bool fixedPitch, bool bold, bool italic) {
        return MakeFont(fixedPitch, bold, italic, Fonts());
    }
    /// The faces a font of the chosen face is drawn in, in order: the first installed of the
    /// chosen one and its stand-ins, then the others, then the desktop's face.
    static QStringList FaceOrder(const QString& chosen, bool fixedPitch);
    /// Draws from now on in these fonts.
    void SetFonts(const Fonts& fonts);
    const Fonts& GetFonts() const { return m_fontChoice; }
    /// The character cell of the fixed-pitch font: the extent of "0". Selects no font.
    TextExtent FixedCell() const;
    /// The font selected now.
    const QFont& SelectedFont();

    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    void SelectFont(bool fixedPitch, bool bold, bool italic) override;
    TextExtent MeasureText(std::string_view text) override;
    void DrawText(int x, int y, std::string_view text) override;
    /// Draws the Standard's bitmaps of font 3 scaled to the cell, so that line pieces meet the
    /// cell's edges; the text kept for copying is their nearest Unicode characters.
    bool DrawGraphics(int x, int y, std::string_view codes, TextExtent cell) override;
    void SetTextColour(Colour colour) override { m_textColour = colour; }
    Colour TextColour() const override { return m_textColour; }
    void SetBackColour(Colour colour) override { m_backColour = colour; }
    Colour BackColour() const override { return m_backColour; }
    void FillRect(int left, int top, int right, int bottom, Colour colour) override;
    void CopyBlock(int srcX, int srcY, int width, int height, int dstX, int dstY) override;
    void Invalidate(int left, int top, int right, int bottom) override;
    void Resize(int width, int height, Colour fill) override;
    bool KeepsHistory() const override { return true; }
    void AddToHistory(const Rect& area) override;
    void DropHistory(int lines) override;
    std::vector<TextRun> TextIn(const Rect& area) const override;
    void SetTextClip(std::optional<Rect> clip) override { m_textClip = clip; }
    bool DrawsPictures() const override { return true; }
    void DrawPicture(const PictureDraw& picture) override;
    std::optional<Colour> PixelAt(int x, int y) const override;
    /// The pictures decoded and kept.
    const PictureCache& Pictures() const { return m_pictures; }
    /// A new story: the pictures kept of the last one go.
    void ClearPictures() { m_pictures.Clear(); }

  private:
    struct LoadedFont {
        QFont font;
        QFontMetrics metrics;
        /// The advances of texts measured or drawn lately, at most kKeptAdvances: [i] is the
        /// advance of the text's first i characters. Shaping is most of the cost of a word,
        /// and stories print the same words again and again.
        QHash<QString, std::vector<int>> advances;
    };
    static constexpr qsizetype kKeptAdvances = 4096;
    /// The selected font, made when first used (fonts need the application to exist).
    LoadedFont& Font();
    /// The advances of the starts of text in font (see LoadedFont); valid until the next call.
    static const std::vector<int>& Advances(LoadedFont& font, const QString& text);

    QImage m_image;
    ScreenText m_text;
    Scrollback m_history;
    uint64_t m_textVersion = 0;
    Colour m_textColour = kDefaultText;
    Colour m_backColour = kDefaultBack;
    Colour m_fieldColour = kDefaultBack;
    Fonts m_fontChoice;
    int m_fontIndex = 0; ///< bit 0 fixed pitch, bit 1 bold, bit 2 italic
    std::array<std::unique_ptr<LoadedFont>, 8> m_fonts;
    std::function<void(const QRect&)> m_onRepaint;
    std::optional<Rect> m_textClip;
    PictureCache m_pictures;
};

} // namespace lantern
