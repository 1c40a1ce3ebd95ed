#include "window/DisplayAccessible.h"

#include "window/PictureBox.h"

#include <QAccessibleWidget>
#include <algorithm>

namespace lantern {

namespace {

/// The display area: the lower window's text, history first, read-only, its caret at the end.
class DisplayText : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit DisplayText(PictureBox* box)
        : QAccessibleWidget(box, QAccessible::EditableText), m_box(box) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        return state;
    }
    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Name)
            return QStringLiteral("Story");
        if (type == QAccessible::Value)
            return m_box->AccessibleText();
        return QAccessibleWidget::text(type);
    }

    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return characterCount(); }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        const QString& all = m_box->AccessibleText();
        startOffset = std::clamp(startOffset, 0, static_cast<int>(all.size()));
        endOffset = std::clamp(endOffset, startOffset, static_cast<int>(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(m_box->AccessibleText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = offset;
        *endOffset = offset;
        return {};
    }

  private:
    PictureBox* m_box;
};

/// The status line: a named element whose value is the text above the lower window.
class StatusLine : public QAccessibleWidget {
  public:
    StatusLine(QWidget* element, PictureBox* box)
        : QAccessibleWidget(element, QAccessible::StatusBar), m_box(box) {}

    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Value || type == QAccessible::Description)
            return m_box->StatusText();
        return QAccessibleWidget::text(type);
    }

  private:
    PictureBox* m_box;
};

QAccessibleInterface* MakeInterface(const QString&, QObject* object) {
    if (auto* box = qobject_cast<PictureBox*>(object))
        return new DisplayText(box);
    auto* widget = qobject_cast<QWidget*>(object);
    auto* box = widget ? qobject_cast<PictureBox*>(widget->parentWidget()) : nullptr;
    if (box && box->StatusElement() == widget)
        return new StatusLine(widget, box);
    return nullptr;
}

} // namespace

void InstallDisplayAccessibility() {
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(MakeInterface);
        installed = true;
    }
}

} // namespace lantern
