#include "window/FontDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QSpinBox>

namespace lantern {

std::optional<TextLook> AskTextLook(QWidget* parent, const TextLook& current) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* form = new QFormLayout(&dialog);
    auto* proportional = new QFontComboBox(&dialog);
    proportional->setCurrentFont(QFont(current.fonts.proportional));
    auto* fixed = new QFontComboBox(&dialog);
    fixed->setFontFilters(QFontComboBox::MonospacedFonts);
    fixed->setCurrentFont(QFont(current.fonts.fixed));
    auto* size = new QSpinBox(&dialog);
    size->setRange(6, 96);
    size->setSuffix(QStringLiteral(" pixels"));
    size->setValue(current.fonts.pixelSize);
    auto* margin = new QSpinBox(&dialog);
    margin->setRange(0, 100);
    margin->setSuffix(QStringLiteral(" pixels"));
    margin->setValue(current.margin);
    form->addRow(QStringLiteral("Text:"), proportional);
    form->addRow(QStringLiteral("Fixed-pitch text:"), fixed);
    form->addRow(QStringLiteral("Size:"), size);
    form->addRow(QStringLiteral("Margin:"), margin);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    TextLook chosen;
    chosen.fonts.proportional = proportional->currentFont().family();
    chosen.fonts.fixed = fixed->currentFont().family();
    chosen.fonts.pixelSize = size->value();
    chosen.margin = margin->value();
    return chosen;
}

} // namespace lantern
